#pragma once

#include <pybind11/pybind11.h>

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "analysis/analyzer.h"

namespace vantric::python {

namespace py = pybind11;

// A file's path as the system takes it, from str, bytes or os.PathLike (as
// os.fsencode makes it). Throws ValueError for a NUL in it: the system would
// read the name only up to there, and so open some other file.
std::string NativePath(py::handle path);

// One file's analysis that no exception leaves: what goes wrong reading the
// file is its status, as in vantric-cli's report (a folder: "is a folder").
AnalysisResult AnalyzeSafely(const Analyzer& analyzer, const std::string& path);

// The results of analysing the paths an iterable yields, in its order, while
// `jobs` threads analyse the files ahead. Paths are taken from the iterable
// only a few per thread ahead of the result handed out, so that a generator
// of millions of paths is read as the results are used. A path the iterable
// can't give (its own exception, a value that is no path) is raised at its
// place in the order, after the results before it.
class AnalysisStream {
 public:
  AnalysisStream(std::shared_ptr<const Analyzer> analyzer, py::iterator paths, unsigned jobs);
  ~AnalysisStream();
  AnalysisStream(const AnalysisStream&) = delete;
  AnalysisStream& operator=(const AnalysisStream&) = delete;

  // The next result; py::stop_iteration after the last.
  py::dict Next();

 private:
  struct Task {
    std::string path;
    std::optional<AnalysisResult> result;
  };

  void TakePaths();  // with the GIL
  void Work();       // a worker thread; never takes the GIL
  void Stop();

  std::shared_ptr<const Analyzer> analyzer_;
  py::iterator paths_;
  bool pathsEnded_ = false;
  std::optional<py::error_already_set> pathError_;  // raised once the tasks before it are out
  std::size_t window_;
  bool handingOut_ = false;  // a call of Next() is under way; read and set with the GIL

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Task> tasks_;     // in the input's order; the front is handed out next
  std::size_t unstarted_ = 0;  // index in tasks_ of the first task no worker took
  bool stopping_ = false;
  std::vector<std::thread> workers_;  // last: stopped before the rest goes
};

}  // namespace vantric::python
