#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "analysis/analyze_file.h"
#include "sigdb/lang_definition.h"

namespace vantric {

class ScanPair;
class SignatureDatabase;

// What a front end shows or says about a loaded database.
struct DatabaseFacts {
  int count = 0;         // records, the header included
  int patternCount = 0;  // signature records
  std::string version;   // header fields; empty without a header record
  std::string date;
  std::uint64_t strayBytes = 0;  // after the last whole record, left out
  bool hasSignatures = false;    // some record has a pattern to look for
};

// The one door to the analysis: finds and loads the two signature databases,
// holds them, and analyses files with them. Loaded databases never change,
// so any number of threads may analyse at once.
class Analyzer {
 public:
  Analyzer();
  ~Analyzer();
  Analyzer(const Analyzer&) = delete;
  Analyzer& operator=(const Analyzer&) = delete;

  // The file name a database is known by: "vantric.vnt", "compression.vnt".
  static const char* FileName(DatabaseKind kind);
  // Where the window finds a database: its name in the current folder, then
  // beside the program. Anything at the name counts, so that loading a folder
  // says what is wrong.
  static std::optional<std::string> LocateForWindow(DatabaseKind kind);
  // Where the command-line programs find one: beside the program, then in
  // `installedFolder`; never in the current folder, where a scanned download
  // could have put one.
  static std::optional<std::string> LocateShipped(DatabaseKind kind, const std::string& installedFolder);
  // "NAME VERSION (DATE), PATH" for the database found as above, or why
  // there is none. Raw text: escape it for a terminal.
  static std::string ShippedVersion(DatabaseKind kind, const std::string& installedFolder);

  // Loads the database at `path` in place of the one held. Throws IoError,
  // or DatabaseError for what is not a database file; the database held
  // before stays then.
  void Load(DatabaseKind kind, const std::string& path);
  // The same, but when the read breaks off midway the database held is the
  // one read so far (full count, the rest of the records empty) before the
  // IoError goes on to the caller.
  void LoadKeepingWhatWasRead(DatabaseKind kind, const std::string& path);

  // Of the database held; all zero and empty before a load.
  const DatabaseFacts& Facts(DatabaseKind kind) const;

  AnalysisResult AnalyzeFile(const std::string& path, const AnalysisObserver& observer = {}) const;
  // A file's bytes already in memory; `name` stands for its path.
  AnalysisResult AnalyzeBytes(std::span<const std::uint8_t> bytes, const std::string& name) const;

 private:
  struct Held;
  Held& Slot(DatabaseKind kind);
  const Held& Slot(DatabaseKind kind) const;
  void Hold(DatabaseKind kind, SignatureDatabase database);

  std::unique_ptr<Held> compilers_;
  std::unique_ptr<Held> compressions_;
  std::unique_ptr<ScanPair> pair_;  // of the two held
};

// The file version of the running program, from its own version resource;
// empty text when it has none.
std::string ProgramFileVersion();

}  // namespace vantric
