#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "sigdb/lang_definition.h"

namespace vantric::vntdb {

// A problem found in an input, located as "file:line" or "file: record N".
struct Diagnostic {
  std::string where;
  std::string message;
};

// A record together with where it was written down.
struct LocatedRecord {
  TLangDefinition record;
  std::string where;
};

struct SignatureSource {
  DatabaseKind kind = DatabaseKind::kCompiler;
  // Header first (when the source has one), then the signatures in order.
  std::vector<LocatedRecord> records;
  std::vector<Diagnostic> errors;
  // More records than a database may hold: the parse stopped there.
  bool tooManyRecords = false;
};

// `text` quoted for a diagnostic: whole up to `most` bytes, else cut there
// (never inside a UTF-8 sequence) with its full length noted, so that a line
// of megabytes gives a message of one line.
std::string Excerpt(std::string_view text, std::size_t most = 80);

// The key naming field `index` of a signature record in a database of `kind`.
std::string_view FieldKey(DatabaseKind kind, std::size_t index);
std::string_view KindName(DatabaseKind kind);

// Reads the text form of a database. `fileName` only labels diagnostics.
SignatureSource ParseSignatureSource(std::string_view text, const std::string& fileName);

// Writes the text form; parsing it gives back the same records.
std::string WriteSignatureSource(const TLangDefinitionArray& records, DatabaseKind kind);

}  // namespace vantric::vntdb
