#include "tools/vntdb/lint.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>

#include "sigdb/search_limit.h"
#include "sigdb/signature_index.h"

namespace vantric::vntdb {
namespace {

// A numeric limit, or none for "the whole file" (unparsable or negative text).
std::optional<std::int64_t> NumericLimit(const TLangDefinition& record) {
  std::optional<std::int32_t> limit = ParseSearchLimit(record.fields[kSearchLimitField].view());
  if (limit && *limit >= 0) return *limit;
  return std::nullopt;
}

// Whether `earlier` wins in every file where `later` would match, given that
// earlier's pattern lies `offset` bytes into later's. A match of `later` at
// position p means earlier's pattern stands at p + offset.
bool CompressionShadows(const TLangDefinition& earlier, const TLangDefinition& later, std::size_t offset) {
  std::optional<std::int64_t> earlierLimit = NumericLimit(earlier);
  if (!earlierLimit) return true;  // searches the whole file: always reaches p + offset
  std::optional<std::int64_t> laterLimit = NumericLimit(later);
  if (!laterLimit) return false;  // later may match anywhere, beyond any fixed limit
  const auto laterLength = static_cast<std::int64_t>(later.fields[kPatternField].length);
  const auto shift = static_cast<std::int64_t>(offset);
  // Later matches at p < laterLimit in files of at least max(laterLimit, p + length)
  // bytes. Earlier must start its match below its own limit for every such p, and
  // must not be skipped (its limit above the file size) in the smallest such file.
  return *laterLimit - 1 + shift < *earlierLimit && *earlierLimit <= std::max(*laterLimit, laterLength);
}

// The index finds a pattern through its rarest 4 bytes. Where many patterns
// share them, every place a file holds those bytes costs a walk through
// their trees, up to one step per byte of them: such a database slows scans
// of files full of those bytes (the index bounds the cost, but does not make
// it small).
constexpr std::size_t kCrowdedWindow = 64;

std::string HexBytes(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out;
  for (char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (!out.empty()) out += ' ';
    out += kDigits[byte >> 4];
    out += kDigits[byte & 15];
  }
  return "<" + out + ">";
}

void ReportCrowdedWindows(const std::vector<LocatedRecord>& records, std::vector<Diagnostic>& problems) {
  struct Sharing {
    std::size_t first;
    std::size_t count;
  };
  std::map<std::string_view, Sharing> byWindow;
  for (std::size_t r = 1; r < records.size(); ++r) {
    const std::string_view pattern = records[r].record.fields[kPatternField].view();
    if (pattern.size() < kWindowSize) continue;
    const std::string_view window = pattern.substr(RarestWindowOffset(pattern), kWindowSize);
    ++byWindow.try_emplace(window, Sharing{r, 0}).first->second.count;
  }
  for (const auto& [window, sharing] : byWindow) {
    if (sharing.count < kCrowdedWindow) continue;
    problems.push_back(
        {records[sharing.first].where, std::to_string(sharing.count) +
                                           " patterns, from this one on, share their rarest bytes " +
                                           HexBytes(window) + ": files full of those bytes scan slowly"});
  }
}

}  // namespace

std::vector<Diagnostic> LintRecords(const std::vector<LocatedRecord>& records, DatabaseKind kind) {
  std::vector<Diagnostic> problems;
  // Earlier signature records by their exact pattern.
  std::unordered_map<std::string_view, std::vector<std::size_t>> earlierByPattern;

  for (std::size_t r = 1; r < records.size(); ++r) {
    const TLangDefinition& record = records[r].record;
    const std::string_view pattern = record.fields[kPatternField].view();
    auto report = [&](std::string message) { problems.push_back({records[r].where, std::move(message)}); };

    if (kind == DatabaseKind::kCompression) {
      std::string_view limitText = record.fields[kSearchLimitField].view();
      std::optional<std::int32_t> limit = ParseSearchLimit(limitText);
      if (!limitText.empty() && !limit) {
        report("limit \"" + std::string(limitText) + "\" is not a number, so the whole file is searched");
      } else if (limit && *limit == 0) {
        report("limit 0 never matches");
      }
    }
    if (pattern.empty()) {
      report("empty pattern never matches");
      continue;
    }

    std::optional<std::string> verdict;
    for (std::size_t start = 0; start < pattern.size() && !verdict; ++start) {
      for (std::size_t length = 1; start + length <= pattern.size() && !verdict; ++length) {
        auto found = earlierByPattern.find(pattern.substr(start, length));
        if (found == earlierByPattern.end()) continue;
        for (std::size_t earlier : found->second) {
          const TLangDefinition& other = records[earlier].record;
          if (kind == DatabaseKind::kCompression && !CompressionShadows(other, record, start)) continue;
          verdict = length == pattern.size()
                        ? "duplicate pattern: the record at " + records[earlier].where + " has the same"
                        : "never wins: the pattern of the record at " + records[earlier].where +
                              " lies inside this one";
          break;
        }
      }
    }
    // Duplicates are worth naming even where different limits let both match.
    if (!verdict && earlierByPattern.contains(pattern)) {
      verdict = "duplicate pattern: the record at " + records[earlierByPattern[pattern].front()].where +
                " has the same";
    }
    if (verdict) report(*verdict);
    earlierByPattern[pattern].push_back(r);
  }
  ReportCrowdedWindows(records, problems);
  return problems;
}

std::vector<Diagnostic> CheckDatabaseImage(std::string_view image, const std::string& path) {
  std::vector<Diagnostic> problems;
  for (std::size_t r = 0; r < image.size() / kRecordSize; ++r) {
    for (std::size_t f = 0; f < TLangDefinition::kFieldCount; ++f) {
      const auto length = static_cast<unsigned char>(image[r * kRecordSize + f * sizeof(ShortString)]);
      if (length <= ShortString::kCapacity) continue;
      problems.push_back({path + ": record " + std::to_string(r),
                          "field " + std::to_string(f) + " claims " + std::to_string(length) +
                              " characters; a field holds at most 80"});
    }
  }
  if (const std::size_t stray = image.size() % kRecordSize) {
    problems.push_back({path, std::to_string(stray) + " stray bytes after the last whole record"});
  }
  return problems;
}

}  // namespace vantric::vntdb
