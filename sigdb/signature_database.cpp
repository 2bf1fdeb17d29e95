#include "sigdb/signature_database.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <utility>

#include "platform/file_system.h"
#include "sigdb/database.h"

namespace vantric {

SignatureDatabase::SignatureDatabase(TLangDefinitionArray records, int count, DatabaseKind kind,
                                     std::uint64_t strayBytes)
    : kind_(kind),
      records_(std::move(records)),
      count_(count),
      index_(records_, kind),
      strayBytes_(strayBytes) {}

SignatureDatabase SignatureDatabase::Load(const std::string& path, DatabaseKind kind) {
  TLangDefinitionArray records;
  int count = 0;
  LoadDatabase(path, records, count);
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(WidePath(path), error);
  return SignatureDatabase(std::move(records), count, kind, error ? 0 : size % kRecordSize);
}

int SignatureDatabase::PatternCount() const { return vantric::PatternCount(count_); }

std::string SignatureDatabase::HeaderVersion() const { return vantric::HeaderVersion(records_); }

std::string SignatureDatabase::HeaderDate() const { return vantric::HeaderDate(records_); }

bool SignatureDatabase::HasSignatures() const {
  return std::any_of(records_.begin() + (records_.empty() ? 0 : 1), records_.end(),
                     [](const TLangDefinition& record) { return record.fields[kPatternField].length > 0; });
}

const TLangDefinition* SignatureDatabase::Match(std::span<const std::uint8_t> bytes) const {
  const std::size_t winner = index_.FirstMatch(bytes);
  return winner == 0 ? nullptr : &records_[winner];
}

const TLangDefinition* SignatureDatabase::Winner(const SignatureIndex::Search& search) const {
  const std::size_t winner = search.Winner();
  return winner == 0 ? nullptr : &records_[winner];
}

}  // namespace vantric
