#include "sigdb/reference_matcher.h"

#include "sigdb/search_limit.h"

namespace vantric {

bool ContainsPattern(std::string_view pattern, std::span<const std::uint8_t> buffer, std::int64_t positions) {
  if (pattern.empty() || positions <= 0) return false;
  const auto size = static_cast<std::int64_t>(buffer.size());
  const auto length = static_cast<std::int64_t>(pattern.size());
  const auto first = static_cast<std::uint8_t>(pattern.front());
  for (std::int64_t p = 0; p < positions && p + length <= size; ++p) {
    if (buffer[p] != first) continue;
    // Every byte is compared, with no early exit: this is the plain scan.
    std::int64_t equal = 0;
    for (std::int64_t j = 0; j < length; ++j) {
      equal += buffer[p + j] == static_cast<std::uint8_t>(pattern[j]) ? 1 : 0;
    }
    if (equal == length) return true;
  }
  return false;
}

std::size_t ReferenceFirstMatch(const TLangDefinitionArray& database, DatabaseKind kind,
                                std::span<const std::uint8_t> buffer) {
  const auto size = static_cast<std::int64_t>(buffer.size());
  for (std::size_t r = 1; r < database.size(); ++r) {
    const TLangDefinition& record = database[r];
    std::int64_t positions = size;
    if (kind == DatabaseKind::kCompression) {
      positions = EffectiveSearchLimit(record.fields[kSearchLimitField].view(), size);
      if (positions > size) continue;
    }
    if (ContainsPattern(record.fields[kPatternField].view(), buffer, positions)) return r;
  }
  return 0;
}

}  // namespace vantric
