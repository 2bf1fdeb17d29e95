#include "sigdb/loaded_database.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/file_system.h"
#include "sigdb/database.h"

namespace vantric {

LoadedDatabase LoadedDatabase::Load(const std::string& path, DatabaseKind kind) {
  LoadedDatabase database;
  database.kind = kind;
  LoadDatabase(path, database.records, database.count);
  database.index = SignatureIndex(database.records, kind);
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(WidePath(path), error);
  if (!error) database.strayBytes = size % kRecordSize;
  return database;
}

void LoadedDatabase::LoadFrom(const std::string& path, DatabaseKind databaseKind) {
  kind = databaseKind;
  try {
    LoadDatabase(path, records, count);
  } catch (...) {
    index = SignatureIndex(records, kind);
    throw;
  }
  index = SignatureIndex(records, kind);
}

int LoadedDatabase::patternCount() const { return PatternCount(count); }

bool LoadedDatabase::HasSignatures() const {
  return std::any_of(records.begin() + (records.empty() ? 0 : 1), records.end(),
                     [](const TLangDefinition& record) { return record.fields[kPatternField].length > 0; });
}

}  // namespace vantric
