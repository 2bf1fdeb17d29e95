// `import vantric`: the analysis for Python programs, through the same one
// door as the command-line scanner and with its JSON report's schema.
#include <dlfcn.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>

#include "analysis/analyzer.h"
#include "cli/summary.h"
#include "platform/file_system.h"
#include "python/analysis_stream.h"
#include "python/result_dict.h"

namespace vantric::python {
namespace {

// A database that is missing or can't be loaded: raised as vantric.DatabaseError.
class LoadFailure : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The folder this module's file stands in, with a final "/".
std::string ModuleFolder() {
  Dl_info info{};
  if (!dladdr(reinterpret_cast<void*>(&ModuleFolder), &info) || !info.dli_fname) return {};
  const std::string path = info.dli_fname;
  return path.substr(0, path.rfind('/') + 1);
}

// The shipped database as the command-line programs find theirs: beside
// this module (a build tree), then in the installed folder; never in the
// current folder, where a scanned download could have put one.
std::string ShippedDatabase(DatabaseKind kind) {
  const std::string name = Analyzer::FileName(kind);
  const std::string installed = VANTRIC_DATA_DIR;
  for (const std::string& folder : {ModuleFolder(), installed.empty() ? installed : installed + "/"}) {
    if (!folder.empty() && KindOfFile(folder + name) != FileKind::kMissing) return folder + name;
  }
  throw LoadFailure(name + ": database not found beside the module (" + ModuleFolder() + ") or in " +
                    (installed.empty() ? "(no installed folder)" : installed));
}

// vantric.DatabaseWarning: a database loaded but odd (stray bytes, no signatures).
PyObject*& DatabaseWarning() {
  static PyObject* category = nullptr;
  return category;
}

class PyAnalyzer {
 public:
  PyAnalyzer(const std::optional<py::object>& compilerDb, const std::optional<py::object>& compressionDb)
      : analyzer_(std::make_shared<Analyzer>()) {
    Load(DatabaseKind::kCompiler, compilerDb);
    Load(DatabaseKind::kCompression, compressionDb);
  }

  py::dict Analyze(py::handle path) const {
    const std::string native = NativePath(path);
    AnalysisResult result;
    {
      py::gil_scoped_release unlocked;
      result = AnalyzeSafely(*analyzer_, native);
    }
    return ResultDict(PathText(native), result);
  }

  py::dict AnalyzeBytes(py::handle data, const std::optional<py::object>& name) const {
    Py_buffer view;
    if (PyObject_GetBuffer(data.ptr(), &view, PyBUF_SIMPLE) != 0) throw py::error_already_set();
    struct Release {
      Py_buffer& view;
      ~Release() { PyBuffer_Release(&view); }
    } release{view};
    const std::string native = name ? NativePath(*name) : std::string();
    const std::span<const std::uint8_t> bytes(static_cast<const std::uint8_t*>(view.buf),
                                              static_cast<std::size_t>(view.len));
    AnalysisResult result;
    {
      py::gil_scoped_release unlocked;
      try {
        result = analyzer_->AnalyzeBytes(bytes, native);
      } catch (const std::exception& error) {
        result = {AnalysisStatus::kIoError, error.what(), {}};
      }
    }
    return ResultDict(name ? py::object(PathText(native)) : py::none(), result);
  }

  std::unique_ptr<AnalysisStream> AnalyzeMany(const py::iterable& paths, int jobs) const {
    if (jobs < 1 || jobs > kMostJobs) {
      throw py::value_error("jobs must be from 1 to " + std::to_string(kMostJobs) + ", not " + std::to_string(jobs));
    }
    return std::make_unique<AnalysisStream>(analyzer_, py::iter(paths), static_cast<unsigned>(jobs));
  }

  py::dict Databases() const {
    py::dict out;
    for (const auto& [key, kind] : {std::pair{"compiler", DatabaseKind::kCompiler},
                                    std::pair{"compression", DatabaseKind::kCompression}}) {
      const DatabaseFacts& facts = analyzer_->Facts(kind);
      py::dict entry;
      entry["path"] = PathText(Path(kind));
      entry["version"] = py::str(facts.version);
      entry["date"] = py::str(facts.date);
      entry["signatures"] = facts.patternCount;
      out[key] = entry;
    }
    return out;
  }

 private:
  static constexpr int kMostJobs = 1024;

  void Load(DatabaseKind kind, const std::optional<py::object>& given) {
    const std::string path = given ? NativePath(*given) : ShippedDatabase(kind);
    if (KindOfFile(path) == FileKind::kMissing) throw LoadFailure(path + ": database not found");
    try {
      py::gil_scoped_release unlocked;
      analyzer_->Load(kind, path);
    } catch (const std::exception& error) {  // IoError, DatabaseError, or no memory
      throw LoadFailure(path + ": " + error.what());
    }
    (kind == DatabaseKind::kCompiler ? compilerPath_ : compressionPath_) = path;
    const DatabaseFacts& facts = analyzer_->Facts(kind);
    if (facts.strayBytes != 0) {
      Warn(path + ": " + std::to_string(facts.strayBytes) + " bytes after the last whole record are ignored");
    }
    if (!facts.hasSignatures) Warn(path + ": no signatures in this database");
  }

  // As vantric-cli warns on its standard error; raises where the warnings
  // filter makes warnings errors.
  static void Warn(const std::string& message) {
    if (PyErr_WarnEx(DatabaseWarning(), message.c_str(), 1) != 0) throw py::error_already_set();
  }

  const std::string& Path(DatabaseKind kind) const {
    return kind == DatabaseKind::kCompiler ? compilerPath_ : compressionPath_;
  }

  // Shared with the streams of analyze_many, which may outlive this object.
  std::shared_ptr<Analyzer> analyzer_;
  std::string compilerPath_;
  std::string compressionPath_;
};

std::string ToolchainGenerationOf(const py::iterable& toolchain) {
  return cli::ToolchainGeneration(FindingsFromDicts(toolchain));
}

}  // namespace
}  // namespace vantric::python

PYBIND11_MODULE(_vantric, m) {
  using namespace vantric::python;
  namespace py = pybind11;
  m.doc() = "Tells how Windows executables were built (the vantric-cli analysis, in process).";
  m.attr("__version__") = VANTRIC_VERSION;
  py::register_exception<LoadFailure>(m, "DatabaseError");
  DatabaseWarning() = PyErr_NewExceptionWithDoc("vantric.DatabaseWarning",
                                                "A database loaded but holds stray bytes or no signatures.",
                                                PyExc_UserWarning, nullptr);
  if (!DatabaseWarning()) throw py::error_already_set();
  m.attr("DatabaseWarning") = py::handle(DatabaseWarning());

  py::class_<PyAnalyzer>(m, "Analyzer", R"(Analyses files with the two signature databases it holds.

Analyzer(compiler_db=None, compression_db=None)

Each database is a path (str, bytes or os.PathLike); None takes the shipped
one, found as vantric-cli finds it: beside this module, then in the installed
data folder, never in the current folder. Raises vantric.DatabaseError when
a database is missing or can't be read as one; warns with
vantric.DatabaseWarning when one holds stray bytes or no signatures.

The databases never change once loaded, so one Analyzer may be shared by
any number of threads; the analysis runs without the GIL.)")
      .def(py::init<const std::optional<py::object>&, const std::optional<py::object>&>(),
           py::arg("compiler_db") = py::none(), py::arg("compression_db") = py::none())
      .def("analyze", &PyAnalyzer::Analyze, py::arg("path"), R"(Analyses the file at `path`.

Returns the dict of vantric-cli --json's line for it: "path" and "status",
then "error" when the status is not "ok", else "version", "compiler" and
"compression" (dicts of text) and "toolchain" (a list of dicts with "kind",
"name", "version", "evidence"). A file that can't be analysed is a status
("not-found", "too-small", "open-failed", "io-error"), never an exception.
Raises ValueError for a path with a NUL in it, TypeError for what is no path.)")
      .def("analyze_bytes", &PyAnalyzer::AnalyzeBytes, py::arg("data"), py::arg("name") = py::none(),
           R"(Analyses a file's bytes already in memory (bytes, bytearray, memoryview, mmap).

Returns the dict analyze() returns for a file of those bytes; "path" is
`name` (None when not given) and the file name shown is its last part.)")
      .def("analyze_many", &PyAnalyzer::AnalyzeMany, py::arg("paths"), py::arg("jobs") = 1,
           R"(Analyses the files an iterable of paths names, `jobs` at a time.

Returns an iterator of analyze()'s dicts in the order of `paths`. Paths are
taken from `paths` a few per job ahead of the results handed out, so a
generator of any length may feed it. An exception from `paths`, or a value
that is no path, is raised at its place in the order, after the results
before it. Dropping the iterator stops the work after the files in hand.)")
      .def_property_readonly("databases", &PyAnalyzer::Databases,
                             R"(The databases held: {"compiler": {...}, "compression": {...}}, each with
"path", "version" and "date" (from its header; empty without one) and
"signatures" (how many records have a pattern).)");

  py::class_<AnalysisStream>(m, "AnalysisStream", "The iterator analyze_many() returns.")
      .def("__iter__", [](py::object self) { return self; })
      .def("__next__", &AnalysisStream::Next);

  m.def("toolchain_generation", &ToolchainGenerationOf, py::arg("toolchain"),
        R"(The toolchain generation vantric-cli --summary counts a result under:
"Visual Studio 2019", "Go 1.21", "GCC (MinGW-w64) 12"; "-" when the
findings name none. `toolchain` is a result's "toolchain" list.)");
}
