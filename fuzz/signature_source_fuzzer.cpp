// Signature source text: parsing never fails hard, and whatever parses
// cleanly is written back to text that parses to the same records.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "sigdb/database.h"
#include "tools/vntdb/lint.h"
#include "tools/vntdb/signature_source.h"

namespace {

vantric::TLangDefinitionArray Records(const vantric::vntdb::SignatureSource& source) {
  vantric::TLangDefinitionArray records;
  for (const auto& located : source.records) records.push_back(located.record);
  return records;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vantric::vntdb;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const SignatureSource source = ParseSignatureSource(text, "fuzz.sig");
  (void)LintRecords(source.records, source.kind);
  if (!source.errors.empty()) return 0;

  const vantric::TLangDefinitionArray records = Records(source);
  const SignatureSource again = ParseSignatureSource(WriteSignatureSource(records, source.kind), "again.sig");
  if (!again.errors.empty() || vantric::SerializeDatabase(Records(again)) != vantric::SerializeDatabase(records)) {
    std::abort();
  }
  return 0;
}
