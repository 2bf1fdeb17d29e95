#include "analysis/analyzer.h"

#include <utility>

#include "platform/io_error.h"
#include "sigdb/database.h"
#include "sigdb/file_scan.h"
#include "sigdb/signature_database.h"
#include "verinfo/version_info.h"

namespace vantric {

struct Analyzer::Held {
  SignatureDatabase database;
  DatabaseFacts facts;
};

Analyzer::Analyzer() : compilers_(std::make_unique<Held>()), compressions_(std::make_unique<Held>()) {
  compressions_->database = SignatureDatabase({}, 0, DatabaseKind::kCompression);
  pair_ = std::make_unique<ScanPair>(compressions_->database, compilers_->database);
}

Analyzer::~Analyzer() = default;

const char* Analyzer::FileName(DatabaseKind kind) {
  return kind == DatabaseKind::kCompiler ? kCompilerDatabaseName : kCompressionDatabaseName;
}

std::optional<std::string> Analyzer::LocateForWindow(DatabaseKind kind) {
  return LocateDatabase(FileName(kind));
}

std::optional<std::string> Analyzer::LocateShipped(DatabaseKind kind, const std::string& installedFolder) {
  return LocateShippedDatabase(FileName(kind), installedFolder);
}

std::string Analyzer::ShippedVersion(DatabaseKind kind, const std::string& installedFolder) {
  return ShippedDatabaseVersion(FileName(kind), installedFolder);
}

Analyzer::Held& Analyzer::Slot(DatabaseKind kind) {
  return kind == DatabaseKind::kCompiler ? *compilers_ : *compressions_;
}

const Analyzer::Held& Analyzer::Slot(DatabaseKind kind) const {
  return kind == DatabaseKind::kCompiler ? *compilers_ : *compressions_;
}

void Analyzer::Hold(DatabaseKind kind, SignatureDatabase database) {
  Held& held = Slot(kind);
  pair_.reset();  // it points at the database replaced
  held.database = std::move(database);
  pair_ = std::make_unique<ScanPair>(compressions_->database, compilers_->database);
  const SignatureDatabase& loaded = held.database;
  held.facts = {loaded.Count(),      loaded.PatternCount(), loaded.HeaderVersion(),
                loaded.HeaderDate(), loaded.StrayBytes(),   loaded.HasSignatures()};
}

void Analyzer::Load(DatabaseKind kind, const std::string& path) {
  Hold(kind, SignatureDatabase::Load(path, kind));
}

void Analyzer::LoadKeepingWhatWasRead(DatabaseKind kind, const std::string& path) {
  TLangDefinitionArray records;
  int count = 0;
  try {
    LoadDatabase(path, records, count);
  } catch (const IoError&) {
    if (!records.empty()) Hold(kind, SignatureDatabase(std::move(records), count, kind));
    throw;
  }
  Hold(kind, SignatureDatabase(std::move(records), count, kind));
}

const DatabaseFacts& Analyzer::Facts(DatabaseKind kind) const { return Slot(kind).facts; }

AnalysisResult Analyzer::AnalyzeFile(const std::string& path, const AnalysisObserver& observer) const {
  return vantric::AnalyzeFile(path, *pair_, observer);
}

AnalysisResult Analyzer::AnalyzeBytes(std::span<const std::uint8_t> bytes, const std::string& name) const {
  return vantric::AnalyzeBytes(bytes, name, *pair_);
}

std::string ProgramFileVersion() {
  const std::unique_ptr<TVersionInfo> version = ProgramVersionInfo();
  return version ? version->FileVersion() : std::string();
}

}  // namespace vantric
