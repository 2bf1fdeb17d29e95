// vntdb: builds signature databases from their text form, writes them back
// as text, and finds records that can't work as meant.
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <iostream>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "platform/command_line.h"
#include "platform/file_system.h"
#include "platform/io_error.h"
#include "platform/replacement_file.h"
#include "platform/standard_output.h"
#include "platform/terminal.h"
#include "platform/text_escape.h"
#include "sigdb/database.h"
#include "sigdb/search_limit.h"
#include "tools/vntdb/lint.h"
#include "tools/vntdb/signature_source.h"

namespace vantric::vntdb {
namespace {

constexpr int kExitOk = 0;
constexpr int kExitProblems = 1;
constexpr int kExitUsage = 2;

// Sources are read whole: more than any real one holds (ours hold a few KiB),
// little enough that a 32-bit vntdb holds it beside the records it gives.
constexpr std::uint64_t kMostSourceBytes = std::uint64_t{256} << 20;

constexpr const char* kHelp = R"(usage: vntdb COMMAND [options]

Builds, dumps and checks signature databases (.vnt files).

commands:
  build SOURCE -o OUT.vnt   build a database from its text form
  dump IN.vnt [--kind K]    print the text form of a database; building it
                            gives the same records back. K is compiler or
                            compression; by default it is guessed from the
                            records (numeric second fields mean compression)
  lint SOURCE|IN.vnt [--kind K]
                            report duplicate patterns, records that can
                            never win, and fields that are too long or
                            malformed (a .vnt file is read as a database)
  --help                    show this text
  --version                 show the version, and the shipped databases' own

The text form: '#' starts a comment. First 'kind compiler' or
'kind compression', then the header ('version "..."', 'date "..."'), then
one 'record' line per signature followed by its fields, one per line:
  compiler:    pattern, language, compiler, company, url
  compression: pattern, limit, program, company, url
Values are "quoted" (escapes \xNN \\ \" \n \r \t \0) or <hex bytes>, and
several may stand side by side. Fields hold at most 80 bytes. field0 to
field4 set any field with no checks.

build writes OUT through a new temporary file in OUT's folder and renames
that over OUT, which keeps its permissions; it refuses an OUT that exists and
is not a regular file, or that is the source itself (by any name or link).
An interrupted build leaves OUT as it was and no temporary file.

Inputs are read whole: a .vnt file of more than 1,000,000 records (as many
as the scanner loads) or a source of more than 256 MiB is refused, and so is
a source of more records than that.

exit status: 0 fine, 1 problems in the input (listed on stderr), no input
file at that name or an OUT that can't be written, 2 usage, an OUT that is
the source, an input too large for vntdb or its memory, or an input or
standard output that can't be read or written whole.
)";

int Usage(const std::string& message) {
  std::cerr << "vntdb: " << TerminalText(message) << "\nTry 'vntdb --help'.\n";
  return kExitUsage;
}

// Paths and diagnostics quote database bytes: escaped before a terminal sees them.
void Complain(std::string_view subject, std::string_view message) {
  std::cerr << "vntdb: " << TerminalText(subject) << ": " << TerminalText(message) << "\n";
}

// Every byte written must have arrived: a dump into a full disk is no dump.
int FinishOutput(int status) {
  if (std::optional<std::string> error = CloseStandardOutput()) {
    Complain("cannot write the output", *error);
    return kExitUsage;
  }
  return status;
}

enum class InputForm { kSource, kDatabase };

// The whole input, or nothing once the reason is told and `status` set: a
// part of a file is never taken for the whole.
std::optional<std::string> ReadInputFile(const std::string& path, InputForm form, int& status) {
  // Not a folder, and not a pipe or a device that never ends.
  if (KindOfFile(path) != FileKind::kRegular) {
    Complain(path, "cannot read");
    status = kExitProblems;
    return std::nullopt;
  }
  std::string problem;
  try {
    if (form == InputForm::kDatabase) return ReadDatabaseImage(path);
    ReadOnlyFile file(path);
    const std::uint64_t size = file.Size();
    if (size <= kMostSourceBytes) {
      std::string text = ReadWholeFile(file, size);
      file.Close();
      return text;
    }
    problem = "Source too large: more than 256 MiB";
  } catch (const std::runtime_error& error) {  // IoError, DatabaseError
    problem = error.what();
  }
  Complain(path, "cannot read: " + problem);
  status = kExitUsage;
  return std::nullopt;
}

void Report(const std::vector<Diagnostic>& problems) {
  for (const Diagnostic& d : problems)
    std::cerr << TerminalText(d.where) << ": " << TerminalText(d.message) << "\n";
}

bool IsDatabaseFile(const std::string& path) { return path.ends_with(".vnt") || path.ends_with(".VNT"); }

// A database's kind is not stored: compression records have numbers (or
// nothing) where compiler records name a language.
DatabaseKind GuessKind(const TLangDefinitionArray& records) {
  if (records.size() < 2) return DatabaseKind::kCompiler;
  for (std::size_t r = 1; r < records.size(); ++r) {
    std::string_view second = records[r].fields[kSearchLimitField].view();
    if (!second.empty() && !ParseSearchLimit(second)) return DatabaseKind::kCompiler;
  }
  return DatabaseKind::kCompression;
}

std::optional<DatabaseKind> ParseKind(const std::string& word) {
  if (word == "compiler") return DatabaseKind::kCompiler;
  if (word == "compression") return DatabaseKind::kCompression;
  return std::nullopt;
}

// Only a regular file (or nothing) is replaced: renaming over a link, a
// device or a folder given as OUT would destroy something that is not ours.
bool WriteDatabaseFile(const std::string& path, const std::string& bytes) {
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::symlink_status(WidePath(path), error);
  if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
    Complain(path, "exists and is not a regular file; not replaced");
    return false;
  }
  try {
    ReplacementFile out(path);
    out.Write(bytes);
    out.Commit();
  } catch (const IoError& failure) {
    Complain(path, std::string("cannot write: ") + failure.what());
    return false;
  }
  return true;
}

struct Arguments {
  std::vector<std::string> inputs;
  std::optional<std::string> output;
  std::optional<DatabaseKind> kind;
};

std::optional<Arguments> ParseArguments(const std::vector<std::string>& args, int& status) {
  Arguments parsed;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "-o" || arg == "--kind") {
      if (i + 1 >= args.size()) {
        status = Usage(arg + " needs a value");
        return std::nullopt;
      }
      const std::string& value = args[++i];
      if (arg == "-o") {
        parsed.output = value;
      } else if (!(parsed.kind = ParseKind(value))) {
        status = Usage("--kind must be compiler or compression");
        return std::nullopt;
      }
    } else if (arg.size() > 1 && arg[0] == '-') {
      status = Usage("unknown option " + arg);
      return std::nullopt;
    } else {
      parsed.inputs.push_back(arg);
    }
  }
  if (parsed.inputs.size() != 1) {
    status = Usage("give exactly one input file");
    return std::nullopt;
  }
  return parsed;
}

// Reads SOURCE or a .vnt into located records; reports and returns nothing on failure.
std::optional<SignatureSource> ReadInput(const std::string& path, std::optional<DatabaseKind> kind,
                                         int& status) {
  const bool database = IsDatabaseFile(path);
  std::optional<std::string> bytes =
      ReadInputFile(path, database ? InputForm::kDatabase : InputForm::kSource, status);
  if (!bytes) return std::nullopt;
  SignatureSource source;
  if (!database) {
    source = ParseSignatureSource(*bytes, path);
    return source;
  }
  TLangDefinitionArray records = ParseDatabaseImage(*bytes);
  source.kind = kind.value_or(GuessKind(records));
  for (std::size_t r = 0; r < records.size(); ++r) {
    source.records.push_back({records[r], path + ": record " + std::to_string(r)});
  }
  source.errors = CheckDatabaseImage(*bytes, path);
  return source;
}

// Whether `a` and `b` name one file (the same device and inode, or file ID):
// through a hard link, a symbolic one or another spelling of the path too.
bool SameFile(const std::string& a, const std::string& b) {
  std::error_code error;
  return std::filesystem::equivalent(WidePath(a), WidePath(b), error) && !error;
}

// Problems in a source are 1, but a source larger than any database the
// scanner loads is one vntdb can't take, as one too large to read.
int SourceProblemsStatus(const SignatureSource& source) {
  return source.tooManyRecords ? kExitUsage : kExitProblems;
}

int Build(const Arguments& args) {
  if (!args.output) return Usage("build needs -o OUT.vnt");
  const std::string& path = args.inputs.front();
  // Building over the source would put the database where its only text was.
  if (SameFile(path, *args.output)) {
    Complain(*args.output, "is the source itself; not replaced");
    return kExitUsage;
  }
  int status = kExitUsage;
  std::optional<std::string> text = ReadInputFile(path, InputForm::kSource, status);
  if (!text) return status;
  SignatureSource source = ParseSignatureSource(*text, path);
  text.reset();
  if (!source.errors.empty()) {
    Report(source.errors);
    return SourceProblemsStatus(source);
  }
  // Serialized a slice at a time: the records are never held twice over.
  constexpr std::size_t kRecordsPerSlice = 4096;
  std::string image;
  image.reserve(source.records.size() * kRecordSize);
  TLangDefinitionArray slice;
  for (std::size_t first = 0; first < source.records.size(); first += kRecordsPerSlice) {
    slice.clear();
    const std::size_t end = std::min(source.records.size(), first + kRecordsPerSlice);
    for (std::size_t r = first; r < end; ++r) slice.push_back(source.records[r].record);
    image += SerializeDatabase(slice);
  }
  source.records = {};
  if (!WriteDatabaseFile(*args.output, image)) return kExitProblems;
  return kExitOk;
}

int Dump(const Arguments& args) {
  const std::string& path = args.inputs.front();
  int status = kExitUsage;
  std::optional<std::string> bytes = ReadInputFile(path, InputForm::kDatabase, status);
  if (!bytes) return status;
  TLangDefinitionArray records = ParseDatabaseImage(*bytes);
  std::cout << WriteSignatureSource(records, args.kind.value_or(GuessKind(records)));
  // Written all the same; what loading hid is worth knowing.
  Report(CheckDatabaseImage(*bytes, path));
  return FinishOutput(kExitOk);
}

int Lint(const Arguments& args) {
  int status = kExitUsage;
  std::optional<SignatureSource> source = ReadInput(args.inputs.front(), args.kind, status);
  if (!source) return status;
  std::vector<Diagnostic> problems = source->errors;
  std::vector<Diagnostic> found = LintRecords(source->records, source->kind);
  problems.insert(problems.end(), found.begin(), found.end());
  Report(problems);
  // The report is lint's output: one that went nowhere is no clean bill.
  if (!std::cerr) return kExitUsage;
  return FinishOutput(problems.empty() ? kExitOk : SourceProblemsStatus(*source));
}

int Run(const std::vector<std::string>& all) {
  if (all.empty()) return Usage("no command given");
  const std::string& command = all.front();
  if (command == "--help" || command == "-h" || command == "help") {
    std::cout << kHelp;
    return FinishOutput(kExitOk);
  }
  if (command == "--version") {
    // With the shipped databases' own versions, as the scanner would load them.
    std::cout << "vntdb " VANTRIC_VERSION "\n";
    for (const char* name : {kCompilerDatabaseName, kCompressionDatabaseName}) {
      std::cout << TerminalText(ShippedDatabaseVersion(name, VANTRIC_DATA_DIR)) << "\n";
    }
    return FinishOutput(kExitOk);
  }
  std::vector<std::string> rest(all.begin() + 1, all.end());
  for (const std::string& arg : rest) {
    if (arg == "--help" || arg == "-h") {
      std::cout << kHelp;
      return FinishOutput(kExitOk);
    }
  }
  int status = kExitUsage;
  std::optional<Arguments> args = ParseArguments(rest, status);
  if (!args) return status;
  try {
    if (command == "build") return Build(*args);
    if (command == "dump") return Dump(*args);
    if (command == "lint") return Lint(*args);
  } catch (const std::bad_alloc&) {
    // A 32-bit vntdb, or one under a memory limit, can lack room for a large
    // input: say so instead of aborting. Nothing is written by then: OUT is
    // replaced only once the whole database is in memory.
    Complain(args->inputs.front(), "not enough memory");
    return kExitUsage;
  } catch (const std::length_error&) {
    Complain(args->inputs.front(), "not enough memory");
    return kExitUsage;
  }
  return Usage("unknown command '" + command + "'");
}

}  // namespace
}  // namespace vantric::vntdb

int main(int argc, char** argv) {
  vantric::WriteUnicodeToConsoles();
  std::vector<std::string> arguments = vantric::CommandLineArguments(argc, argv);
  arguments.erase(arguments.begin());  // the program's own name
  return vantric::vntdb::Run(std::move(arguments));
}
