#include "sigdb/loaded_database.h"

#include "sigdb/database.h"

namespace vantric {

LoadedDatabase LoadedDatabase::Load(const std::string& path, DatabaseKind kind) {
  LoadedDatabase database;
  database.kind = kind;
  LoadDatabase(path, database.records, database.count);
  database.index = SignatureIndex(database.records, kind);
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

}  // namespace vantric
