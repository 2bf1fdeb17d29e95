// vantric-cli: tells how Windows executables were built, from a terminal.
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <iostream>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "analysis/analyzer.h"
#include "cli/file_walk.h"
#include "cli/path_list.h"
#include "cli/report.h"
#include "cli/summary.h"
#include "platform/command_line.h"
#include "platform/file_system.h"
#include "platform/io_error.h"
#include "platform/standard_output.h"
#include "platform/terminal.h"
#include "platform/text_escape.h"

namespace vantric::cli {
namespace {

constexpr int kExitAllAnalysed = 0;
constexpr int kExitSomeNotAnalysed = 1;
constexpr int kExitUsage = 2;

// Windows builds have no installed folder: their databases lie beside them.
#ifdef _WIN32
#define VANTRIC_INSTALLED_FOLDER_HELP \
  ";\n                         never in the current folder, where a scanned\n\
                         download could have put one."
#define VANTRIC_INSTALLED_FOLDER_MESSAGE ""
#else
#define VANTRIC_INSTALLED_FOLDER_HELP                     \
  ",\n                         then in " VANTRIC_DATA_DIR \
  "; never in the\n\
                         current folder, where a scanned download could have\n\
                         put one."
#define VANTRIC_INSTALLED_FOLDER_MESSAGE " nor in " VANTRIC_DATA_DIR
#endif

constexpr const char* kHelp = R"(usage: vantric-cli [options] PATH...
       vantric-cli [options] [PATH...] --files-from FILE [-0]

Tells how Windows executables were built: their version strings, the
compiler that made them and the packer or encryptor applied to them, found
by searching each file for the signatures of two databases.

options:
  -r, --recursive        analyse the files below folders given as PATH
      --files-from FILE  also analyse the paths listed in FILE (- for
                         standard input), one a line, after those given
                         as PATH; read as it goes, so a list of any length
                         costs little memory
  -0, --null             the names in the list end with a NUL byte, not a
                         line break (find -print0): names may hold line
                         breaks
                         (links to folders are not followed)
      --json             one JSON object per line instead of text:
                         {"path","status","version":{...},"compiler":{...},
                         "compression":{...},"toolchain":[...]}; status is
                         ok, not-found, too-small, open-failed or io-error,
                         with an "error" text (and no groups) when not
                         ok. Under -r, paths left out get a line too:
                         status skipped (links to folders, devices) or
                         io-error (a folder that can't be read). "path"
                         is lossless: each byte that is not valid UTF-8
                         is written as \udcXX
                         (Python's "surrogateescape" reads it back); in
                         other text such bytes are written as the
                         characters U+0080 to U+00FF. "toolchain" lists
                         what the file says about its own making, most
                         specific first: {"kind","name","version",
                         "evidence"}, kind being compiler, linker, runtime,
                         packer, installer or tool (e.g. the Rich header
                         of Microsoft's linker, "version":"checksum ok" or
                         "checksum wrong"); the text output shows it as a
                         "Toolchain:" block.
  -j, --jobs N           analyse N files at a time (default 1); the output
                         keeps the order of the input
      --summary          after the files, how many files each compiler and
                         each packer was found in, and how many had none;
                         and how many each toolchain generation made
                         ("Visual Studio 2019", "Go 1.21"), from the
                         toolchain evidence
                         (with --json: one last object, {"summary":{...}})
      --compiler-db FILE     compiler signatures (default: vantric.vnt)
      --compression-db FILE  packer signatures (default: compression.vnt)
                         By default each is looked for beside this program)" VANTRIC_INSTALLED_FOLDER_HELP R"(
  -v, --verbose          say which database files were loaded
  -h, --help             show this text
      --version          show the program's version and the versions of
                         the databases it finds

Files under 10 bytes are not analysed. Fields a file doesn't have show "-".
Text output shows control characters and bytes that are not valid UTF-8 as
C escapes (\n, \x1b), a backslash as \\, and the characters that reorder or
hide text (bidirectional controls, zero-width characters, U+2028, U+2029,
U+FEFF) as \u and four lower-case hex digits (\u202e): each text shows in
one way only.

exit status: 0 every file analysed, 1 some file not analysed (or skipped),
2 bad command line, a database that can't be loaded, or output that can't
be written.
)";

struct Options {
  std::vector<std::string> paths;
  bool recursive = false;
  bool json = false;
  bool summary = false;
  bool verbose = false;
  unsigned jobs = 1;
  std::optional<std::string> filesFrom;  // a list of paths, "-" for standard input
  bool nulSeparated = false;
  std::optional<std::string> compilerDb;
  std::optional<std::string> compressionDb;
};

int Usage(const std::string& message) {
  std::cerr << "vantric-cli: " << TerminalText(message) << "\nTry 'vantric-cli --help'.\n";
  return kExitUsage;
}

// "vantric-cli: SUBJECT: MESSAGE", both escaped: paths and texts come from
// the files and folders being looked at.
std::string ErrorLine(std::string_view subject, std::string_view message) {
  return "vantric-cli: " + TerminalText(subject) + ": " + TerminalText(message) + "\n";
}

// Every byte written must have arrived: output to a full disk or a closed
// stream is a failure like any other.
int FinishOutput(int status) {
  if (std::optional<std::string> error = CloseStandardOutput()) {
    std::cerr << ErrorLine("cannot write the output", *error);
    return kExitUsage;
  }
  return status;
}

// A whole decimal number, nothing around it.
std::optional<unsigned long> WholeNumber(const std::string& text) {
  if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos) {
    return std::nullopt;
  }
  return std::stoul(text);
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
      return FinishOutput(kExitAllAnalysed);
    } else if (arg == "--version") {
      std::cout << "vantric-cli " VANTRIC_VERSION "\n";
      for (const DatabaseKind kind : {DatabaseKind::kCompiler, DatabaseKind::kCompression}) {
        std::cout << TerminalText(Analyzer::ShippedVersion(kind, VANTRIC_DATA_DIR)) << "\n";
      }
      return FinishOutput(kExitAllAnalysed);
    } else if (arg == "-r" || arg == "--recursive") {
      options.recursive = true;
    } else if (arg == "--json") {
      options.json = true;
    } else if (arg == "--summary") {
      options.summary = true;
    } else if (arg == "-v" || arg == "--verbose") {
      options.verbose = true;
    } else if (arg == "-j" || arg == "--jobs") {
      std::optional<std::string> jobs = value();
      const unsigned long count = jobs ? WholeNumber(*jobs).value_or(0) : 0;
      if (count < 1 || count > 256) return Usage(arg + " needs a number from 1 to 256");
      options.jobs = static_cast<unsigned>(count);
    } else if (arg == "--files-from") {
      options.filesFrom = value();
      if (!options.filesFrom) return Usage(arg + " needs a file, or - for standard input");
    } else if (arg == "-0" || arg == "--null") {
      options.nulSeparated = true;
    } else if (arg == "--compiler-db" || arg == "--compression-db") {
      std::optional<std::string> file = value();
      if (!file) return Usage(arg + " needs a file");
      (arg == "--compiler-db" ? options.compilerDb : options.compressionDb) = file;
    } else {
      return Usage("unknown option " + arg);
    }
  }
  if (options.paths.empty() && !options.filesFrom) return Usage("no file given");
  if (options.nulSeparated && !options.filesFrom) return Usage("-0 goes with --files-from");
  return std::nullopt;
}

// Loads the database of `kind` into `analyzer`, saying what is wrong with it
// on stderr; false when it can't be used.
bool LoadOrReport(Analyzer& analyzer, DatabaseKind kind, const std::optional<std::string>& given,
                  bool verbose) {
  std::optional<std::string> path = given ? given : Analyzer::LocateShipped(kind, VANTRIC_DATA_DIR);
  if (!path || KindOfFile(*path) == FileKind::kMissing) {
    std::cerr << ErrorLine(path.value_or(Analyzer::FileName(kind)),
                           given ? "database not found"
                                 : "database not found beside this program" VANTRIC_INSTALLED_FOLDER_MESSAGE);
    return false;
  }
  try {
    analyzer.Load(kind, *path);
  } catch (const std::exception& error) {  // IoError, DatabaseError, or no memory
    std::cerr << ErrorLine(*path, error.what());
    return false;
  }
  const DatabaseFacts& facts = analyzer.Facts(kind);
  if (facts.strayBytes != 0) {
    std::cerr << ErrorLine(*path, "warning: " + std::to_string(facts.strayBytes) +
                                      " bytes after the last whole record are ignored");
  }
  if (!facts.hasSignatures) std::cerr << ErrorLine(*path, "warning: no signatures in this database");
  if (verbose) std::cerr << ErrorLine(*path, "loaded, " + std::to_string(facts.patternCount) + " signatures");
  return true;
}

// Counts finished files on stderr while a long run goes on at a terminal; the
// total is known only when no folder is walked.
class ProgressLine {
 public:
  ProgressLine(bool enabled, std::optional<std::size_t> total)
      : total_(total), enabled_(enabled && StandardErrorIsTerminal()) {}
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
    if (total_) {
      std::fprintf(stderr, "\r%zu of %zu files", done, *total_);
    } else {
      std::fprintf(stderr, "\r%zu files", done);
    }
    std::fflush(stderr);
  }

 private:
  std::optional<std::size_t> total_;
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

Report AnalyseOne(const WalkEntry& entry, const Options& options, const Analyzer& analyzer) {
  Report report;
  if (!entry.status.empty()) {  // left out by the walk
    if (options.json) {
      report.out = JsonFailure(entry.path, entry.status, entry.reason);
    } else {
      report.err = ErrorLine(entry.path, std::string(entry.status) + ": " + entry.reason);
    }
    return report;
  }
  AnalysisResult result;
  if (std::optional<AnalysisResult> problem =
          PathProblem(entry.path, "is a folder (use -r to analyse the files in it)")) {
    result = std::move(*problem);
  } else {
    // One file's trouble must not end the run (nor a worker thread).
    try {
      result = analyzer.AnalyzeFile(entry.path);
    } catch (const std::exception& error) {
      result = {AnalysisStatus::kIoError, error.what(), {}};
    }
  }
  report.analysed = result.status == AnalysisStatus::kOk;
  report.result = result;
  if (options.json) {
    report.out = JsonReport(entry.path, result);
  } else if (report.analysed) {
    report.out = TextReport(entry.path, result) + "\n";
  } else {
    report.err = ErrorLine(entry.path, result.error);
  }
  return report;
}

int Run(int argc, char** argv) {
  Options options;
  if (std::optional<int> status = ParseOptions(argc, argv, options)) return *status;

  Analyzer analyzer;
  if (!LoadOrReport(analyzer, DatabaseKind::kCompiler, options.compilerDb, options.verbose) ||
      !LoadOrReport(analyzer, DatabaseKind::kCompression, options.compressionDb, options.verbose)) {
    return kExitUsage;
  }

  const bool recursive = options.recursive;
  // With a list the number of files is known only at its end.
  const std::optional<std::size_t> pathCount =
      options.filesFrom ? std::nullopt : std::optional(options.paths.size());
  std::unique_ptr<ReadOnlyFile> listFile;
  std::optional<PathList> list;
  if (options.filesFrom) {
    PathList::Reader read = [](char* buffer, std::size_t count) {
      return std::fread(buffer, 1, count, stdin);
    };
    if (*options.filesFrom != "-") {
      try {
        listFile = std::make_unique<ReadOnlyFile>(*options.filesFrom);
      } catch (const std::exception& error) {
        std::cerr << ErrorLine(*options.filesFrom, error.what());
        return kExitUsage;
      }
      read = [file = listFile.get()](char* buffer, std::size_t count) { return file->Read(buffer, count); };
    }
    list.emplace(*options.filesFrom, std::move(read), options.nulSeparated);
  }
  FileWalk walk(
      [&, next = std::size_t{0}]() mutable -> std::optional<WalkEntry> {
        if (next < options.paths.size()) return WalkEntry{options.paths[next++], {}, {}};
        return list ? list->Next() : std::nullopt;
      },
      recursive);

  // Workers take the walk's entries in turn; the main thread prints their
  // reports in that order. A worker starts entry i only while
  // i < taken + window, so that a slow reader of the output holds back the
  // analysis instead of letting reports pile up; the report of entry i waits
  // in slots[i % window].
  const unsigned jobs = recursive || !pathCount
                            ? options.jobs
                            : static_cast<unsigned>(std::min<std::size_t>(options.jobs, *pathCount));
  const std::size_t window = std::size_t{4} * jobs;
  std::vector<std::optional<Report>> slots(jobs > 1 ? window : 0);
  std::mutex mutex;
  std::condition_variable changed;
  std::size_t started = 0;  // entries taken from the walk
  std::size_t taken = 0;    // reports taken by the main thread
  bool walkEnded = false;
  bool stop = false;  // the output failed: no more files
  auto work = [&] {
    std::unique_lock lock(mutex);
    for (;;) {
      changed.wait(lock, [&] { return stop || walkEnded || started < taken + window; });
      if (stop || walkEnded) return;
      std::optional<WalkEntry> entry = walk.Next();  // under the lock: one walker
      if (!entry) {
        walkEnded = true;
        changed.notify_all();
        return;
      }
      const std::size_t i = started++;
      lock.unlock();
      Report report = AnalyseOne(*entry, options, analyzer);
      lock.lock();
      slots[i % window] = std::move(report);
      changed.notify_all();
    }
  };
  std::vector<std::jthread> workers;  // last: joined before what they share goes
  if (jobs > 1) {
    for (unsigned j = 0; j < jobs; ++j) workers.emplace_back(work);
  }

  bool allAnalysed = true;
  Summary summary;
  ProgressLine progress(recursive || !pathCount || *pathCount > 1, recursive ? std::nullopt : pathCount);
  for (std::size_t i = 0;; ++i) {
    Report report;
    if (jobs > 1) {
      std::unique_lock lock(mutex);
      std::optional<Report>& slot = slots[i % window];
      changed.wait(lock, [&] { return slot.has_value() || (walkEnded && i == started); });
      if (!slot) break;
      report = std::move(*slot);
      slot.reset();
      ++taken;
      changed.notify_all();
    } else {
      std::optional<WalkEntry> entry = walk.Next();
      if (!entry) break;
      report = AnalyseOne(*entry, options, analyzer);
    }
    progress.Clear();
    if (!(std::cout << report.out << std::flush)) {
      {
        std::lock_guard lock(mutex);
        stop = true;  // the workers stop after the file in hand
      }
      changed.notify_all();
      std::cerr << ErrorLine("cannot write the output", StandardOutputError());
      return kExitUsage;
    }
    std::cerr << report.err;
    allAnalysed = allAnalysed && report.analysed;
    summary.Add(report.result);
    progress.Done(i + 1);
  }
  if (list && list->Error()) {  // the files before the failure were analysed
    std::cerr << ErrorLine("cannot read the list", *list->Error());
    allAnalysed = false;
  }
  if (options.summary) std::cout << (options.json ? summary.Json() : summary.Text());
  return FinishOutput(allAnalysed ? kExitAllAnalysed : kExitSomeNotAnalysed);
}

}  // namespace
}  // namespace vantric::cli

int main(int argc, char** argv) {
  vantric::WriteUnicodeToConsoles();
  std::vector<std::string> arguments = vantric::CommandLineArguments(argc, argv);
  std::vector<char*> pointers;
  for (std::string& argument : arguments) pointers.push_back(argument.data());
  pointers.push_back(nullptr);
  return vantric::cli::Run(static_cast<int>(arguments.size()), pointers.data());
}
