#include "python/analysis_stream.h"

#include <chrono>
#include <exception>

#include "python/result_dict.h"

namespace vantric::python {

std::string NativePath(py::handle path) {
  PyObject* encoded = nullptr;
  if (!PyUnicode_FSConverter(path.ptr(), &encoded)) throw py::error_already_set();
  const py::bytes bytes = py::reinterpret_steal<py::bytes>(encoded);
  return bytes;
}

AnalysisResult AnalyzeSafely(const Analyzer& analyzer, const std::string& path) {
  try {
    if (std::optional<AnalysisResult> problem = PathProblem(path)) return std::move(*problem);
    return analyzer.AnalyzeFile(path);
  } catch (const std::exception& error) {  // no memory for a buffer, say
    return {AnalysisStatus::kIoError, error.what(), {}};
  }
}

AnalysisStream::AnalysisStream(std::shared_ptr<const Analyzer> analyzer, py::iterator paths, unsigned jobs)
    : analyzer_(std::move(analyzer)), paths_(std::move(paths)), window_(std::size_t{4} * jobs) {
  for (unsigned j = 0; j < jobs; ++j) workers_.emplace_back([this] { Work(); });
}

AnalysisStream::~AnalysisStream() { Stop(); }

void AnalysisStream::Stop() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  // A worker ends with the file in hand, which may be large: let other
  // Python threads run meanwhile.
  py::gil_scoped_release unlocked;
  for (std::thread& worker : workers_) {
    if (worker.joinable()) worker.join();
  }
}

void AnalysisStream::Work() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [&] { return stopping_ || unstarted_ < tasks_.size(); });
    if (stopping_) return;
    // Only the front is ever removed, and only once its result is in: the
    // task stays where it is while this thread works on it.
    Task& task = tasks_[unstarted_++];
    lock.unlock();
    AnalysisResult result = AnalyzeSafely(*analyzer_, task.path);
    lock.lock();
    task.result = std::move(result);
    changed_.notify_all();
  }
}

void AnalysisStream::TakePaths() {
  while (!pathsEnded_ && tasks_.size() < window_) {
    std::string path;
    try {
      const py::object item = py::reinterpret_steal<py::object>(PyIter_Next(paths_.ptr()));
      if (!item) {
        if (PyErr_Occurred()) throw py::error_already_set();
        pathsEnded_ = true;
        return;
      }
      path = NativePath(item);
    } catch (py::error_already_set& error) {
      pathError_ = std::move(error);
      pathsEnded_ = true;
      return;
    }
    {
      std::lock_guard lock(mutex_);
      tasks_.push_back({std::move(path), std::nullopt});
    }
    changed_.notify_all();
  }
}

py::dict AnalysisStream::Next() {
  if (handingOut_) throw py::value_error("analyze_many: the results are already being taken in another thread");
  handingOut_ = true;
  struct Done {
    bool& flag;
    ~Done() { flag = false; }
  } done{handingOut_};

  TakePaths();
  std::unique_lock lock(mutex_);
  if (tasks_.empty()) {
    lock.unlock();
    if (pathError_) {
      py::error_already_set error = std::move(*pathError_);
      pathError_.reset();
      throw error;
    }
    throw py::stop_iteration();
  }
  // Waits without the GIL, a slice at a time so that Ctrl-C is heard while a
  // large file is read; the GIL is taken back only with the lock let go.
  lock.unlock();
  for (;;) {
    bool ready = false;
    {
      py::gil_scoped_release unlocked;
      lock.lock();
      ready = changed_.wait_for(lock, std::chrono::milliseconds(100),
                                [&] { return tasks_.front().result.has_value(); });
      lock.unlock();
    }
    if (ready) break;
    if (PyErr_CheckSignals() != 0) throw py::error_already_set();
  }
  lock.lock();
  Task task = std::move(tasks_.front());
  tasks_.pop_front();
  --unstarted_;
  lock.unlock();
  return ResultDict(PathText(task.path), *task.result);
}

}  // namespace vantric::python
