// Database file bytes and a file to search, both from the input: the loader's
// record parsing, the index build and its answer against the plain scan.
//
// Layout: byte 0 sets how many whole records the database takes (the rest is
// the file searched); the record bytes are taken as stored, scrambled. Its
// top bit grows the database as hostile ones are grown: each record repeated
// and shifted along by 1 to 8 bytes (its window at other offsets).

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <string_view>

#include "sigdb/database.h"
#include "sigdb/reference_matcher.h"
#include "sigdb/signature_index.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t wanted = (data[0] % 8) * vantric::kRecordSize;
  const std::size_t databaseSize = wanted < size - 1 ? wanted : size - 1;
  const std::string_view image(reinterpret_cast<const char*>(data + 1), databaseSize);
  const std::span<const std::uint8_t> file(data + 1 + databaseSize, size - 1 - databaseSize);

  vantric::TLangDefinitionArray database = vantric::ParseDatabaseImage(image);
  if ((data[0] & 0x80) != 0) {
    const std::size_t parsed = database.size();
    for (std::size_t r = 1; r < parsed; ++r) {
      const std::string pattern = database[r].fields[vantric::kPatternField].str();
      for (std::size_t shift = 0; shift <= 8 && !pattern.empty(); ++shift) {
        vantric::TLangDefinition copy = database[r];
        copy.fields[vantric::kPatternField].assign(std::string(shift, pattern[shift % pattern.size()]) +
                                                   pattern);
        database.push_back(copy);
      }
    }
  }
  for (vantric::DatabaseKind kind : {vantric::DatabaseKind::kCompiler, vantric::DatabaseKind::kCompression}) {
    const std::size_t fast = vantric::SignatureIndex(database, kind).FirstMatch(file);
    if (fast != vantric::ReferenceFirstMatch(database, kind, file)) std::abort();
  }
  return 0;
}
