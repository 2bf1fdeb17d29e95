#pragma once

#include <cstdint>
#include <string>

#include "sigdb/lang_definition.h"
#include "sigdb/signature_index.h"

namespace vantric {

// One database as the program holds it for its whole life: the records, their
// count and the index the matcher searches with, built once at load.
struct LoadedDatabase {
  DatabaseKind kind = DatabaseKind::kCompiler;
  TLangDefinitionArray records;
  int count = 0;
  SignatureIndex index;
  // Bytes after the last whole record: loading leaves them out, which a
  // front end may want to say.
  std::uint64_t strayBytes = 0;

  // Throws IoError or DatabaseError; on failure the database stays as it was.
  static LoadedDatabase Load(const std::string& path, DatabaseKind kind);

  // Loads into this object. Throws IoError; a read failure midway keeps the
  // full count and the records read so far (the rest are empty and never
  // match), indexed, as the window holds a database whose read broke off.
  void LoadFrom(const std::string& path, DatabaseKind kind);

  int patternCount() const;
  // Whether any record has a pattern to look for.
  bool HasSignatures() const;
};

}  // namespace vantric
