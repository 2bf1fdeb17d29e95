#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "sigdb/lang_definition.h"
#include "sigdb/signature_index.h"

namespace vantric {

// One database as the program holds it for its whole life: its records and
// the index the matcher searches with, built once and never changed, so that
// any number of threads may match with it at once.
class SignatureDatabase {
 public:
  // No records: matches nothing.
  SignatureDatabase() = default;
  // `count` is the record count the file claims; records past what was read
  // are empty and never match.
  SignatureDatabase(TLangDefinitionArray records, int count, DatabaseKind kind, std::uint64_t strayBytes = 0);

  // Reads and indexes the database file at `path`. Throws IoError, or
  // DatabaseError for what is not a database file.
  static SignatureDatabase Load(const std::string& path, DatabaseKind kind);

  DatabaseKind Kind() const { return kind_; }
  int Count() const { return count_; }
  int PatternCount() const;
  // Header fields; empty text when there is no header record.
  std::string HeaderVersion() const;
  std::string HeaderDate() const;
  // Bytes after the last whole record: loading leaves them out, which a
  // front end may want to say.
  std::uint64_t StrayBytes() const { return strayBytes_; }
  // Whether any record has a pattern to look for.
  bool HasSignatures() const;
  const TLangDefinitionArray& Records() const { return records_; }

  // The first record in database order whose pattern occurs in the whole
  // file `bytes` (for compression records: starting below the search limit);
  // nullptr when none does.
  const TLangDefinition* Match(std::span<const std::uint8_t> bytes) const;

  // The same for a file read a window at a time: start a search, feed it,
  // then ask Winner() for the record.
  SignatureIndex::Search StartSearch(std::uint64_t fileSize) const {
    return SignatureIndex::Search(index_, fileSize);
  }
  const TLangDefinition* Winner(const SignatureIndex::Search& search) const;
  const SignatureIndex& Index() const { return index_; }

 private:
  DatabaseKind kind_ = DatabaseKind::kCompiler;
  TLangDefinitionArray records_;
  int count_ = 0;
  SignatureIndex index_;
  std::uint64_t strayBytes_ = 0;
};

}  // namespace vantric
