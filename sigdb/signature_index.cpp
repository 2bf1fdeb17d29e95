#include "sigdb/signature_index.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <map>
#include <utility>

#include "sigdb/search_limit.h"

namespace vantric {
namespace {

constexpr std::size_t kWindow = kWindowSize;
// Patterns sharing a window and offset from this many on are searched as a
// crowd; below it, checking each in record order is quicker.
constexpr std::size_t kCrowdSize = 16;

std::uint32_t Load32(const void* bytes) {
  std::uint32_t value;
  std::memcpy(&value, bytes, sizeof value);
  return value;
}

// How often a byte turns up in executables, roughly: zeros by far the most,
// then padding, common opcodes and text. Windows made of rare bytes hit the
// filter least.
unsigned ByteCommonness(std::uint8_t byte) {
  switch (byte) {
    case 0x00: return 64;
    case 0xFF: return 16;
    case 0x20:
    case 0xCC:
    case 0x90:
    case 0x01:
    case 0x8B:
    case 0x89:
    case 0x48:
    case 0xE8: return 4;
    default: return (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ? 2 : 1;
  }
}

// Groups candidates by key into one array with start offsets, keeping their
// order (ascending record) within a key.
template <typename Candidate>
void Group(const std::vector<std::pair<std::uint32_t, Candidate>>& keyed, std::size_t keys,
           std::vector<std::uint32_t>& start, std::vector<Candidate>& grouped) {
  std::vector<std::uint32_t> counts(keys + 1, 0);
  for (const auto& [key, candidate] : keyed) ++counts[key + 1];
  for (std::size_t k = 0; k < keys; ++k) counts[k + 1] += counts[k];
  start = counts;
  grouped.resize(keyed.size());
  for (const auto& [key, candidate] : keyed) grouped[counts[key]++] = candidate;
}

}  // namespace

std::size_t RarestWindowOffset(std::string_view pattern) {
  std::size_t best = 0;
  unsigned bestCost = std::numeric_limits<unsigned>::max();
  for (std::size_t offset = 0; offset + kWindow <= pattern.size(); ++offset) {
    unsigned cost = 0;
    for (std::size_t i = 0; i < kWindow; ++i) {
      const auto byte = static_cast<std::uint8_t>(pattern[offset + i]);
      cost += ByteCommonness(byte);
      // Runs of one byte value (fill, padding) are common whatever the value.
      if (i > 0 && byte == static_cast<std::uint8_t>(pattern[offset + i - 1])) cost += 8;
    }
    if (cost < bestCost) {
      bestCost = cost;
      best = offset;
    }
  }
  return best;
}

SignatureIndex::SignatureIndex(const TLangDefinitionArray& database, DatabaseKind kind) : kind_(kind) {
  patterns_.resize(database.size());
  limits_.assign(database.size(), -1);
  std::vector<std::pair<std::uint32_t, Candidate>> longKeyed;
  std::vector<std::pair<std::uint32_t, Candidate>> shortKeyed;

  std::size_t longCount = 0;
  for (std::size_t r = 1; r < database.size(); ++r)
    longCount += database[r].fields[kPatternField].length >= kWindow;
  // 64 hash values per pattern keep the filter as sparse for a few patterns
  // as for many. From 64 patterns on, no fewer than 2^16; below, as few as
  // 2^10: clearing the larger tables for a handful of patterns (tests, the
  // fuzzer, which builds an index per input) costs more than scanning.
  const unsigned fewestBits = longCount < 64 ? 10 : 16;
  const unsigned hashBits = std::clamp<unsigned>(std::bit_width(longCount * 64), fewestBits, 20);
  candidates_ = CandidateFilter(hashBits);

  // How many long patterns share each window and offset: big crowds get
  // their own search.
  std::map<std::pair<std::uint32_t, std::size_t>, std::uint32_t> crowdOf;
  std::vector<std::vector<std::uint32_t>> crowds;
  {
    std::map<std::pair<std::uint32_t, std::size_t>, std::size_t> sharing;
    for (std::size_t r = 1; r < database.size(); ++r) {
      const std::string_view pattern = database[r].fields[kPatternField].view();
      if (pattern.size() < kWindow) continue;
      const std::size_t offset = RarestWindowOffset(pattern);
      ++sharing[{Load32(pattern.data() + offset), offset}];
    }
    for (const auto& [key, count] : sharing) {
      if (count < kCrowdSize) continue;
      crowdOf[key] = static_cast<std::uint32_t>(crowds.size());
      crowds.emplace_back();
    }
  }

  for (std::size_t r = 1; r < database.size(); ++r) {
    const std::string_view pattern = database[r].fields[kPatternField].view();
    if (pattern.empty()) continue;
    patterns_[r] = std::string(pattern);
    if (kind == DatabaseKind::kCompression) {
      std::optional<std::int32_t> limit = ParseSearchLimit(database[r].fields[kSearchLimitField].view());
      if (limit && *limit >= 0) limits_[r] = *limit;
    }
    const auto record = static_cast<std::uint32_t>(r);
    if (pattern.size() >= kWindow) {
      const std::size_t offset = RarestWindowOffset(pattern);
      const std::uint32_t window = Load32(pattern.data() + offset);
      Candidate candidate{record, window, static_cast<std::uint32_t>(offset)};
      if (auto crowd = crowdOf.find({window, offset}); crowd != crowdOf.end()) {
        std::vector<std::uint32_t>& members = crowds[crowd->second];
        members.push_back(record);
        if (members.size() > 1) continue;  // filed once, under its lowest record
        candidate.crowd = crowd->second;
      }
      longKeyed.push_back({candidates_.Bucket(window), candidate});
    } else {
      const auto first = static_cast<std::uint8_t>(pattern.front());
      candidates_.AddShortFirstByte(first);
      shortKeyed.push_back({first, Candidate{record, 0, 0}});
    }
  }

  std::vector<std::uint32_t> crowdRoots;
  for (std::vector<std::uint32_t>& members : crowds) {
    std::stable_sort(members.begin(), members.end(),
                     [&](std::uint32_t a, std::uint32_t b) { return patterns_[a] < patterns_[b]; });
    // Of equal compiler patterns only the lowest record can win. Compression
    // records keep theirs: each has its own limit.
    if (kind == DatabaseKind::kCompiler) {
      members.erase(
          std::unique(members.begin(), members.end(),
                      [&](std::uint32_t a, std::uint32_t b) { return patterns_[a] == patterns_[b]; }),
          members.end());
    }
    const auto begin = static_cast<std::uint32_t>(crowdRecords_.size());
    crowdRecords_.insert(crowdRecords_.end(), members.begin(), members.end());
    if (kind == DatabaseKind::kCompression) {
      for (std::uint32_t i = begin; i < crowdRecords_.size();) {
        std::uint32_t j = i + 1;
        while (j < crowdRecords_.size() && patterns_[crowdRecords_[j]] == patterns_[crowdRecords_[i]]) ++j;
        if (j - i > 1) crowdRuns_.push_back({i, j});
        i = j;
      }
    }
    crowdRoots.push_back(static_cast<std::uint32_t>(crowdNodes_.size()));
    crowdNodes_.emplace_back();
    crowdNodeByte_.push_back(0);
    BuildCrowdNode(crowdRoots.back(), begin, static_cast<std::uint32_t>(crowdRecords_.size()), 0);
  }
  for (auto& [hash, candidate] : longKeyed) {
    if (candidate.crowd != kNoCrowd) candidate.crowd = crowdRoots[candidate.crowd];
  }

  for (const auto& [hash, candidate] : longKeyed) candidates_.AddWindow(candidate.window);
  Group(longKeyed, std::size_t{1} << hashBits, bucketStart_, longCandidates_);
  std::vector<std::uint32_t> shortStart;
  Group(shortKeyed, 256, shortStart, shortCandidates_);
  std::copy(shortStart.begin(), shortStart.end(), shortStart_.begin());
}

bool SignatureIndex::Verify(const Search& search, const Candidate& candidate, std::size_t at) const {
  // The window reaches back kContext bytes or to the file's start, so a
  // pattern that starts before the window starts before the file.
  if (at < candidate.offset) return false;
  const std::size_t start = at - candidate.offset;
  const std::string& pattern = patterns_[candidate.record];
  if (pattern.size() > search.window_.size() - start) return false;
  if (kind_ == DatabaseKind::kCompression &&
      static_cast<std::int64_t>(search.base_ + start) >= search.startLimit_[candidate.record]) {
    return false;
  }
  return std::memcmp(search.window_.data() + start, pattern.data(), pattern.size()) == 0;
}

void SignatureIndex::BuildCrowdNode(std::uint32_t node, std::uint32_t begin, std::uint32_t end,
                                    std::size_t depth) {
  auto byteAt = [&](std::uint32_t i) {
    return static_cast<std::uint8_t>(patterns_[crowdRecords_[i]][depth]);
  };
  // The records are sorted by pattern: those that end here come first, then
  // one run per next byte.
  std::uint32_t rest = begin;
  while (rest < end && patterns_[crowdRecords_[rest]].size() == depth) ++rest;
  std::vector<std::pair<std::uint32_t, std::uint32_t>> runs;
  for (std::uint32_t i = rest; i < end;) {
    std::uint32_t j = i + 1;
    while (j < end && byteAt(j) == byteAt(i)) ++j;
    runs.push_back({i, j});
    i = j;
  }
  const auto first = static_cast<std::uint32_t>(crowdNodes_.size());
  crowdNodes_[node] = {first, static_cast<std::uint32_t>(runs.size()), begin, rest};
  crowdNodes_.resize(first + runs.size());
  for (const auto& [from, to] : runs) crowdNodeByte_.push_back(byteAt(from));
  for (std::size_t k = 0; k < runs.size(); ++k) {
    BuildCrowdNode(first + static_cast<std::uint32_t>(k), runs[k].first, runs[k].second, depth + 1);
  }
}

std::uint32_t SignatureIndex::SearchCrowd(const Search& search, const Candidate& candidate,
                                          std::size_t at) const {
  if (at < candidate.offset) return kNoMatch;
  const std::size_t start = at - candidate.offset;
  const auto fileStart = static_cast<std::int64_t>(search.base_ + start);
  std::uint32_t best = kNoMatch;
  std::uint32_t node = candidate.crowd;
  for (std::size_t depth = 0;; ++depth) {
    const CrowdNode& here = crowdNodes_[node];
    if (here.endingEnd - here.endingBegin > 1 && !search.stairs_.empty()) {
      // Equal compression patterns, each with its own limit: one search.
      const auto first = search.stairs_.begin() + here.endingBegin;
      const auto last = search.stairs_.begin() + here.endingEnd;
      const auto found =
          std::upper_bound(first, last, fileStart, [&](std::int64_t value, std::uint32_t record) {
            return record == kNoMatch || value < search.startLimit_[record];
          });
      if (found != last && *found != kNoMatch) best = std::min(best, *found);
    } else {
      for (std::uint32_t i = here.endingBegin; i < here.endingEnd; ++i) {
        const std::uint32_t record = crowdRecords_[i];
        if (record < best &&
            (kind_ != DatabaseKind::kCompression || fileStart < search.startLimit_[record])) {
          best = record;
        }
      }
    }
    if (here.childCount == 0 || start + depth >= search.window_.size()) break;
    const std::uint8_t next = search.window_[start + depth];
    const std::uint8_t* bytes = crowdNodeByte_.data() + here.firstChild;
    const std::uint8_t* found = std::lower_bound(bytes, bytes + here.childCount, next);
    if (found == bytes + here.childCount || *found != next) break;
    node = here.firstChild + static_cast<std::uint32_t>(found - bytes);
  }
  return best;
}

void SignatureIndex::ScanRange(Search& search, std::size_t from, std::size_t to) const {
  const std::uint8_t* data = search.window_.data();
  const std::size_t size = search.window_.size();
  const std::size_t longEnd = std::min(to, size >= kWindow ? size - kWindow + 1 : 0);

  auto checkLong = [&](std::uint32_t hash, std::uint32_t window, std::size_t at) {
    for (std::uint32_t i = bucketStart_[hash], end = bucketStart_[hash + 1]; i < end; ++i) {
      const Candidate& candidate = longCandidates_[i];
      if (candidate.record >= search.best_) break;
      if (candidate.window != window) continue;
      if (candidate.crowd != kNoCrowd) {
        // Its members reach above its lowest record: the rest of the bucket still counts.
        search.best_ = std::min(search.best_, SearchCrowd(search, candidate, at));
      } else if (Verify(search, candidate, at)) {
        search.best_ = candidate.record;
        break;
      }
    }
  };
  auto checkShort = [&](std::size_t at) {
    const std::uint8_t first = data[at];
    for (std::uint32_t i = shortStart_[first], end = shortStart_[first + 1]; i < end; ++i) {
      const Candidate& candidate = shortCandidates_[i];
      if (candidate.record >= search.best_) break;
      if (Verify(search, candidate, at)) {
        search.best_ = candidate.record;
        break;
      }
    }
  };

  for (std::size_t at = candidates_.Next(data, from, to, longEnd); at < to;
       at = candidates_.Next(data, at + 1, to, longEnd)) {
    const bool startsShort = candidates_.PassesShort(data[at]);
    if (startsShort) {
      checkShort(at);
      if (search.Finished()) return;
    }
    if (at >= longEnd) continue;
    // Unless its first byte let it pass, the position passed for its window.
    const std::uint32_t window = Load32(data + at);
    if (!startsShort || candidates_.PassesLong(window)) {
      checkLong(candidates_.Bucket(window), window, at);
      if (search.Finished()) return;
    }
  }
}

SignatureIndex::Search::Search(const SignatureIndex& index, std::uint64_t fileSize) : index_(&index) {
  const std::vector<std::string>& patterns = index.patterns_;
  const auto size = static_cast<std::int64_t>(fileSize);
  std::int64_t end = 0;
  const bool compression = index.kind_ == DatabaseKind::kCompression;
  if (compression) startLimit_.assign(patterns.size(), 0);
  for (std::size_t r = 1; r < patterns.size(); ++r) {
    if (patterns[r].empty()) continue;
    std::int64_t limit = size;
    if (compression) {
      const std::int64_t given = index.limits_[r];
      limit = given < 0 ? size : given > size ? 0 : given;  // above the size: skipped
      startLimit_[r] = limit;
    }
    if (limit <= 0) continue;
    if (floor_ == kNoMatch) floor_ = static_cast<std::uint32_t>(r);
    end = std::max(end, std::min(size, limit + static_cast<std::int64_t>(patterns[r].size())));
  }
  end_ = static_cast<std::uint64_t>(end);

  if (!index.crowdRuns_.empty()) {
    stairs_.assign(index.crowdRecords_.size(), kNoMatch);
    for (const auto& [begin, runEnd] : index.crowdRuns_) {
      std::int64_t highest = 0;
      std::uint32_t next = begin;
      for (std::uint32_t i = begin; i < runEnd; ++i) {
        const std::uint32_t record = index.crowdRecords_[i];
        if (startLimit_[record] <= highest) continue;
        highest = startLimit_[record];
        stairs_[next++] = record;
      }
    }
  }
}

void SignatureIndex::Search::Scan(std::span<const std::uint8_t> window, std::uint64_t base,
                                  std::uint64_t from, std::uint64_t to) {
  to = std::min(to, end_);
  if (Finished() || from >= to) return;
  window_ = window;
  base_ = base;
  const auto localFrom = static_cast<std::size_t>(from - base);
  const auto localTo = static_cast<std::size_t>(to - base);
  index_->ScanRange(*this, localFrom, localTo);
  window_ = {};
}

std::size_t SignatureIndex::FirstMatch(std::span<const std::uint8_t> buffer) const {
  Search search(*this, buffer.size());
  search.Scan(buffer, 0, 0, buffer.size());
  return search.Winner();
}

std::size_t SignatureIndex::MemoryUsage() const {
  std::size_t bytes = sizeof *this;
  for (const std::string& pattern : patterns_) bytes += pattern.capacity();
  bytes += patterns_.capacity() * sizeof(std::string) + limits_.capacity() * sizeof(std::int64_t);
  bytes += candidates_.MemoryUsage() + bucketStart_.capacity() * sizeof(std::uint32_t);
  bytes += (longCandidates_.capacity() + shortCandidates_.capacity()) * sizeof(Candidate);
  bytes += crowdNodes_.capacity() * sizeof(CrowdNode) + crowdNodeByte_.capacity() +
           crowdRecords_.capacity() * sizeof(std::uint32_t) + crowdRuns_.capacity() * sizeof(crowdRuns_[0]);
  return bytes;
}

}  // namespace vantric
