// vantric-cli: tells how Windows executables were built, from a terminal.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <io.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

#include "analysis/analyze_file.h"
#include "cli/file_walk.h"
#include "cli/report.h"
#include "cli/summary.h"
#include "platform/file_system.h"
#include "platform/io_error.h"
#include "sigdb/database.h"

namespace vantric::cli {
namespace {

constexpr int kExitAllAnalysed = 0;
constexpr int kExitSomeNotAnalysed = 1;
constexpr int kExitUsage = 2;

constexpr const char* kHelp = R"(usage: vantric-cli [options] PATH...

Tells how Windows executables were built: their version strings, the
compiler that made them and the packer or encryptor applied to them, found
by searching each file for the signatures of two databases.

options:
  -r, --recursive        analyse the files below folders given as PATH
                         (links to folders are not followed)
      --json             one JSON object per line instead of text:
                         {"path","status","version":{...},"compiler":{...},
                         "compression":{...}}; status is ok, not-found,
                         too-small, open-failed, too-large or io-error, with
                         an "error" text (and no groups) when not ok. Text
                         that is not valid UTF-8 is written byte by byte as
                         the characters U+0080 to U+00FF.
  -j, --jobs N           analyse N files at a time (default 1); the output
                         keeps the order of the input
      --summary          after the files, how many files each compiler and
                         each packer was found in, and how many had none
                         (with --json: one last object, {"summary":{...}})
      --compiler-db FILE     compiler signatures (default: vantric.vnt)
      --compression-db FILE  packer signatures (default: compression.vnt)
                         By default each is looked for in the current
                         folder, then beside this program, then in )" VANTRIC_DATA_DIR R"(.
  -h, --help             show this text
      --version          show the program's version

Files under 10 bytes are not analysed. Fields a file doesn't have show "-".

exit status: 0 every file analysed, 1 some file not analysed,
2 bad command line or a database that can't be loaded.
)";

struct Options {
  std::vector<std::string> paths;
  bool recursive = false;
  bool json = false;
  bool summary = false;
  unsigned jobs = 1;
  std::optional<std::string> compilerDb;
  std::optional<std::string> compressionDb;
};

int Usage(const std::string& message) {
  std::cerr << "vantric-cli: " << message << "\nTry 'vantric-cli --help'.\n";
  return kExitUsage;
}

// Returns the exit status when the run ends here (help, version, usage error).
std::optional<int> ParseOptions(int argc, char** argv, Options& options) {
  bool onlyPaths = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&]() -> std::optional<std::string> {
      if (i + 1 >= argc) return std::nullopt;
      return std::string(argv[++i]);
    };
    if (onlyPaths || arg.empty() || arg[0] != '-' || arg == "-") {
      options.paths.push_back(arg);
    } else if (arg == "--") {
      onlyPaths = true;
    } else if (arg == "-h" || arg == "--help") {
      std::cout << kHelp;
      return kExitAllAnalysed;
    } else if (arg == "--version") {
      std::cout << "vantric-cli " VANTRIC_VERSION "\n";
      return kExitAllAnalysed;
    } else if (arg == "-r" || arg == "--recursive") {
      options.recursive = true;
    } else if (arg == "--json") {
      options.json = true;
    } else if (arg == "--summary") {
      options.summary = true;
    } else if (arg == "-j" || arg == "--jobs") {
      std::optional<std::string> jobs = value();
      unsigned long count = 0;
      try {
        count = jobs ? std::stoul(*jobs) : 0;
      } catch (const std::exception&) {
      }
      if (count < 1 || count > 256) return Usage(arg + " needs a number from 1 to 256");
      options.jobs = static_cast<unsigned>(count);
    } else if (arg == "--compiler-db" || arg == "--compression-db") {
      std::optional<std::string> file = value();
      if (!file) return Usage(arg + " needs a file");
      (arg == "--compiler-db" ? options.compilerDb : options.compressionDb) = file;
    } else {
      return Usage("unknown option " + arg);
    }
  }
  if (options.paths.empty()) return Usage("no file given");
  return std::nullopt;
}

std::optional<std::string> FindDatabase(const std::string& name) {
  if (std::optional<std::string> found = LocateDatabase(name)) return found;
  const std::string installed = std::string(VANTRIC_DATA_DIR) + "/" + name;
  if (FileExists(installed)) return installed;
  return std::nullopt;
}

std::optional<LoadedDatabase> LoadOrReport(const std::optional<std::string>& given, const char* defaultName,
                                           DatabaseKind kind) {
  std::optional<std::string> path = given ? given : FindDatabase(defaultName);
  if (!path || !FileExists(*path)) {
    std::cerr << "vantric-cli: " << MissingDatabaseMessage(path.value_or(defaultName)) << "\n";
    return std::nullopt;
  }
  try {
    return LoadedDatabase::Load(*path, kind);
  } catch (const std::exception& error) {  // IoError, or no memory for an absurd file
    std::cerr << "vantric-cli: " << *path << ": " << error.what() << "\n";
    return std::nullopt;
  }
}

// Counts finished files on stderr while a long run goes on at a terminal.
class ProgressLine {
 public:
  explicit ProgressLine(std::size_t total) : total_(total), enabled_(total > 1 && isatty(fileno(stderr))) {}
  ~ProgressLine() { Clear(); }
  // Takes the line away before other output goes to the terminal.
  void Clear() {
    if (!shown_) return;
    std::fprintf(stderr, "\r%*s\r", 40, "");
    std::fflush(stderr);
    shown_ = false;
  }
  void Done(std::size_t done) {
    if (!enabled_) return;
    const auto now = std::chrono::steady_clock::now();
    if (now - start_ < std::chrono::seconds(1) || now - last_ < std::chrono::milliseconds(250)) return;
    last_ = now;
    shown_ = true;
    std::fprintf(stderr, "\r%zu of %zu files", done, total_);
    std::fflush(stderr);
  }

 private:
  std::size_t total_;
  bool enabled_;
  bool shown_ = false;
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
  std::chrono::steady_clock::time_point last_ = start_;
};

struct Report {
  std::string out;  // for stdout
  std::string err;  // for stderr
  bool analysed = false;
  AnalysisResult result;
};

Report AnalyseOne(const std::string& path, const Options& options, const LoadedDatabase& compilers,
                  const LoadedDatabase& compressions) {
  AnalysisResult result;
  std::error_code ignored;
  if (std::filesystem::is_directory(path, ignored)) {
    result = {AnalysisStatus::kNotFound, "is a folder (use -r to analyse the files in it)", {}};
  } else {
    // One file's trouble must not end the run (nor a worker thread).
    try {
      result = AnalyzeFile(path, compilers, compressions);
    } catch (const std::exception& error) {
      result = {AnalysisStatus::kIoError, error.what(), {}};
    }
  }
  Report report;
  report.analysed = result.status == AnalysisStatus::kOk;
  report.result = result;
  if (options.json) {
    report.out = JsonReport(path, result);
  } else if (report.analysed) {
    report.out = TextReport(path, result) + "\n";
  } else {
    report.err = "vantric-cli: " + path + ": " + result.error + "\n";
  }
  return report;
}

int Run(int argc, char** argv) {
  Options options;
  if (std::optional<int> status = ParseOptions(argc, argv, options)) return *status;

  std::optional<LoadedDatabase> compilers =
      LoadOrReport(options.compilerDb, kCompilerDatabaseName, DatabaseKind::kCompiler);
  if (!compilers) return kExitUsage;
  std::optional<LoadedDatabase> compressions =
      LoadOrReport(options.compressionDb, kCompressionDatabaseName, DatabaseKind::kCompression);
  if (!compressions) return kExitUsage;

  WalkResult walk;
  for (const std::string& path : options.paths) CollectFiles(path, options.recursive, walk);
  bool allAnalysed = walk.errors.empty();
  for (const std::string& error : walk.errors) std::cerr << "vantric-cli: " << error << "\n";

  const std::vector<std::string>& files = walk.files;
  std::vector<std::optional<Report>> reports(files.size());
  std::mutex mutex;
  std::condition_variable finished;
  std::atomic<std::size_t> next{0};
  auto work = [&] {
    for (std::size_t i; (i = next++) < files.size();) {
      Report report = AnalyseOne(files[i], options, *compilers, *compressions);
      std::lock_guard lock(mutex);
      reports[i] = std::move(report);
      finished.notify_all();
    }
  };
  std::vector<std::jthread> workers;
  const unsigned jobs = std::min<std::size_t>(options.jobs, files.size());
  if (jobs > 1) {
    for (unsigned j = 0; j < jobs; ++j) workers.emplace_back(work);
  }

  Summary summary;
  ProgressLine progress(files.size());
  for (std::size_t i = 0; i < files.size(); ++i) {
    Report report;
    if (jobs > 1) {
      std::unique_lock lock(mutex);
      finished.wait(lock, [&] { return reports[i].has_value(); });
      report = std::move(*reports[i]);
      reports[i].reset();
    } else {
      report = AnalyseOne(files[i], options, *compilers, *compressions);
    }
    progress.Clear();
    std::cout << report.out << std::flush;
    std::cerr << report.err;
    allAnalysed = allAnalysed && report.analysed;
    summary.Add(report.result);
    progress.Done(i + 1);
  }
  if (options.summary) std::cout << (options.json ? summary.Json() : summary.Text()) << std::flush;
  return allAnalysed ? kExitAllAnalysed : kExitSomeNotAnalysed;
}

}  // namespace
}  // namespace vantric::cli

int main(int argc, char** argv) { return vantric::cli::Run(argc, argv); }
