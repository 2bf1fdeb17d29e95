#include "sigdb/signature_index.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <optional>
#include <string_view>
#include <tuple>
#include <unordered_map>
#include <utility>

#include "sigdb/search_limit.h"

namespace vantric {
namespace {

constexpr std::size_t kWindow = kWindowSize;
std::uint32_t Load32(const void* bytes) {
  std::uint32_t value;
  std::memcpy(&value, bytes, sizeof value);
  return value;
}

// How often a byte turns up in executables, roughly: zeros by far the most,
// then padding, common opcodes and text. Windows made of rare bytes hit the
// filter least.
constexpr std::array<std::uint8_t, 256> kByteCommonness = [] {
  std::array<std::uint8_t, 256> commonness{};
  for (unsigned byte = 0; byte < 256; ++byte)
    commonness[byte] = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ? 2 : 1;
  for (std::uint8_t byte : {0x20, 0xCC, 0x90, 0x01, 0x8B, 0x89, 0x48, 0xE8}) commonness[byte] = 4;
  commonness[0xFF] = 16;
  commonness[0x00] = 64;
  return commonness;
}();

}  // namespace

std::size_t RarestWindowOffset(std::string_view pattern, std::size_t neighbours) {
  if (pattern.size() < kWindow + neighbours - 1) return 0;
  // Each byte's cost, and 8 more where it repeats the byte before: runs of
  // one value (fill, padding) are common whatever the value.
  std::array<unsigned, ShortString::kCapacity> costs{};
  const std::size_t length = std::min(pattern.size(), costs.size());
  for (std::size_t i = 0; i < length; ++i) {
    const auto byte = static_cast<std::uint8_t>(pattern[i]);
    costs[i] = kByteCommonness[byte] + (i > 0 && pattern[i - 1] == pattern[i] ? 8 : 0);
  }
  // A window's first byte counts without its repeat cost: what it repeats lies outside.
  auto windowCost = [&](std::size_t offset) {
    return kByteCommonness[static_cast<std::uint8_t>(pattern[offset])] + costs[offset + 1] +
           costs[offset + 2] + costs[offset + 3];
  };
  auto neighboursCost = [&](std::size_t offset) {
    unsigned cost = 0;
    for (std::size_t i = 0; i < neighbours; ++i) cost += windowCost(offset + i);
    return cost;
  };
  std::size_t best = 0;
  unsigned bestCost = neighboursCost(0);
  for (std::size_t offset = 1; offset + kWindow + neighbours - 1 <= length; ++offset) {
    const unsigned cost = neighboursCost(offset);
    if (cost < bestCost) {
      bestCost = cost;
      best = offset;
    }
  }
  return best;
}

std::uint32_t SignatureIndex::ShortKey(const std::uint8_t* bytes, std::size_t length) {
  std::uint32_t key = static_cast<std::uint32_t>(length) << 24;
  for (std::size_t i = 0; i < length; ++i) key |= std::uint32_t{bytes[i]} << (16 - 8 * i);
  return key;
}

const SignatureIndex::ShortSlot* SignatureIndex::FindShort(std::uint32_t key) const {
  const std::size_t mask = shortTable_.size() - 1;
  for (std::size_t slot = (key * CandidateFilter::kBucketMultiplier) & mask;; slot = (slot + 1) & mask) {
    const ShortSlot& here = shortTable_[slot];
    if (here.key == key) return &here;
    if (here.key == 0) return nullptr;
  }
}

SignatureIndex::SignatureIndex(const TLangDefinitionArray& database, DatabaseKind kind) : kind_(kind) {
  lengths_.assign(database.size(), 0);
  limits_.assign(database.size(), -1);

  // Entries: the distinct patterns, numbered in the order they first occur.
  std::unordered_map<std::string_view, std::uint32_t> entryOf;
  std::vector<std::string_view> entryPatterns;
  std::vector<std::uint32_t> entryOfRecord(database.size(), WindowTries::kNone);
  for (std::size_t r = 1; r < database.size(); ++r) {
    const std::string_view pattern = database[r].fields[kPatternField].view();
    if (pattern.empty()) continue;
    lengths_[r] = static_cast<std::uint8_t>(pattern.size());
    if (kind == DatabaseKind::kCompression) {
      std::optional<std::int32_t> limit = ParseSearchLimit(database[r].fields[kSearchLimitField].view());
      if (limit && *limit >= 0) limits_[r] = *limit;
    }
    const auto [found, added] =
        entryOf.try_emplace(pattern, static_cast<std::uint32_t>(entryPatterns.size()));
    if (added) entryPatterns.push_back(pattern);
    entryOfRecord[r] = found->second;
  }
  entryStart_.assign(entryPatterns.size() + 1, 0);
  for (std::uint32_t entry : entryOfRecord) {
    if (entry != WindowTries::kNone) ++entryStart_[entry + 1];
  }
  for (std::size_t e = 0; e < entryPatterns.size(); ++e) entryStart_[e + 1] += entryStart_[e];
  entryRecords_.resize(entryStart_.back());
  {
    std::vector<std::uint32_t> next(entryStart_.begin(), entryStart_.end() - 1);
    for (std::size_t r = 1; r < database.size(); ++r) {
      if (entryOfRecord[r] != WindowTries::kNone)
        entryRecords_[next[entryOfRecord[r]]++] = static_cast<std::uint32_t>(r);
    }
  }

  // Long entries by the value of their rarest window, each value one set of
  // trees. Where it saves work, the filter hashes only the windows at even
  // offsets of the file: a pattern of 5 bytes or more is then filed under
  // its rarest two neighbouring windows, one of which lies at an even offset
  // wherever the pattern occurs. A 4-byte pattern is filed under itself, and
  // the filter also passes the 256 windows of a byte before it and its first
  // three: where one of those passes, the window one byte on is looked up
  // too. Not when 4-byte patterns are so many that those would crowd the
  // filter.
  const auto fourByte = static_cast<std::size_t>(
      std::count_if(entryPatterns.begin(), entryPatterns.end(),
                    [](std::string_view pattern) { return pattern.size() == kWindow; }));
  const auto longer = static_cast<std::size_t>(
      std::count_if(entryPatterns.begin(), entryPatterns.end(),
                    [](std::string_view pattern) { return pattern.size() > kWindow; }));
  const bool everyOther = fourByte <= 1024 && fourByte * 256 <= std::max<std::size_t>(longer, 64) * 4;
  struct Filed {
    std::uint32_t window;
    std::uint32_t entry;
    std::uint32_t offset;
    std::string_view pattern;  // what the trees hold
    bool operator<(const Filed& other) const {
      return std::tie(window, entry, offset) < std::tie(other.window, other.entry, other.offset);
    }
  };
  std::vector<Filed> byWindow;
  byWindow.reserve(everyOther ? fourByte + longer * 2 : fourByte + longer);
  std::vector<std::uint32_t> shortEntries;
  for (std::uint32_t e = 0; e < entryPatterns.size(); ++e) {
    const std::string_view pattern = entryPatterns[e];
    if (pattern.size() < kWindow) {
      shortEntries.push_back(e);
      continue;
    }
    if (everyOther && pattern.size() == kWindow) {
      byWindow.push_back({Load32(pattern.data()), e, 0, pattern});
      for (unsigned before = 0; before < 256; ++before) {
        const char bytes[kWindow] = {static_cast<char>(before), pattern[0], pattern[1], pattern[2]};
        windowsBeforeFourByte_.push_back(Load32(bytes));
      }
      continue;
    }
    const std::size_t filings = everyOther ? 2 : 1;
    const std::size_t offset = RarestWindowOffset(pattern, filings);
    for (std::size_t k = offset; k < offset + filings; ++k)
      byWindow.push_back({Load32(pattern.data() + k), e, static_cast<std::uint32_t>(k), pattern});
  }
  std::sort(byWindow.begin(), byWindow.end());
  std::sort(windowsBeforeFourByte_.begin(), windowsBeforeFourByte_.end());
  windowsBeforeFourByte_.erase(std::unique(windowsBeforeFourByte_.begin(), windowsBeforeFourByte_.end()),
                               windowsBeforeFourByte_.end());
  std::size_t windowCount = 0;
  std::size_t filedBytes = 0;
  for (std::size_t i = 0; i < byWindow.size(); ++i) {
    windowCount += i == 0 || byWindow[i].window != byWindow[i - 1].window;
    filedBytes += byWindow[i].pattern.size();
  }
  tries_.Reserve(windowCount, byWindow.size(), filedBytes);
  longCandidates_.reserve(windowCount);
  longWindows_.reserve(windowCount);
  const std::size_t filterWindows = windowCount + windowsBeforeFourByte_.size();
  // 64 hash values per window keep the filter as sparse for a few windows
  // as for many. From 64 windows on, no fewer than 2^16; below, as few as
  // 2^10: clearing the larger tables for a handful of patterns (tests, the
  // fuzzer, which builds an index per input) costs more than scanning.
  const unsigned fewestBits = filterWindows < 64 ? 10 : 16;
  const unsigned hashBits = std::clamp<unsigned>(std::bit_width(filterWindows * 64), fewestBits, 22);
  // Two to four words a window: the word filter, which the scan reads at
  // every position it hashes, stays small enough for the processor's
  // nearest caches for thousands of windows; the bucket bits behind it keep
  // the filter sparse.
  const unsigned wordBits = std::clamp<unsigned>(std::bit_width(filterWindows) + 1, 6, hashBits - 4);
  candidates_ = CandidateFilter(hashBits, wordBits, everyOther);

  std::vector<std::pair<std::uint32_t, WindowCandidate>> candidates;  // by window
  candidates.reserve(windowCount);
  for (std::size_t i = 0; i < byWindow.size();) {
    const std::uint32_t window = byWindow[i].window;
    std::vector<WindowTries::Key> keys;
    std::uint32_t lowest = kNoMatch;
    for (; i < byWindow.size() && byWindow[i].window == window; ++i) {
      const std::uint32_t entry = byWindow[i].entry;
      const std::uint32_t entryLowest = entryRecords_[entryStart_[entry]];
      keys.push_back({byWindow[i].pattern, byWindow[i].offset, entry, entryLowest});
      lowest = std::min(lowest, entryLowest);
    }
    candidates.push_back({window, {lowest, tries_.Add(std::move(keys))}});
    candidates_.AddWindow(window);
  }
  for (const std::uint32_t window : windowsBeforeFourByte_) candidates_.AddWindow(window);
  // About one window a bucket: the table to find them is far smaller than
  // the filter, which wants 64 hash values a window.
  lookupShift_ = 32 - std::clamp<unsigned>(std::bit_width(windowCount), 1, hashBits);
  std::sort(candidates.begin(), candidates.end(), [&](const auto& a, const auto& b) {
    return std::pair(LookupBucket(a.first), a.first) < std::pair(LookupBucket(b.first), b.first);
  });
  bucketStart_.assign((std::size_t{1} << (32 - lookupShift_)) + 1, 0);
  for (const auto& [window, candidate] : candidates) {
    ++bucketStart_[LookupBucket(window) + 1];
    longWindows_.push_back(window);
    longCandidates_.push_back(candidate);
  }
  for (std::size_t h = 0; h + 1 < bucketStart_.size(); ++h) bucketStart_[h + 1] += bucketStart_[h];

  if (!shortEntries.empty()) {
    shortTable_.resize(std::bit_ceil(shortEntries.size() * 2));
    shortPairs_.assign(65536 / 64, 0);
  }
  for (std::uint32_t entry : shortEntries) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(entryPatterns[entry].data());
    const std::size_t length = entryPatterns[entry].size();
    candidates_.AddShortFirstByte(bytes[0]);
    shortLengths_[bytes[0]] |= static_cast<std::uint8_t>(1u << (length - 1));
    if (length > 1) shortPairs_[(bytes[0] << 2) | (bytes[1] >> 6)] |= std::uint64_t{1} << (bytes[1] & 63);
    const std::uint32_t key = ShortKey(bytes, length);
    const std::size_t mask = shortTable_.size() - 1;
    std::size_t slot = (key * CandidateFilter::kBucketMultiplier) & mask;
    while (shortTable_[slot].key != 0) slot = (slot + 1) & mask;
    shortTable_[slot] = {key, entry};
  }
}

std::uint32_t SignatureIndex::EntryWinner(const Search& search, std::uint32_t entry,
                                          std::uint64_t start) const {
  const std::uint32_t begin = entryStart_[entry];
  const std::uint32_t end = entryStart_[entry + 1];
  if (kind_ == DatabaseKind::kCompiler) return entryRecords_[begin];  // the lowest of equal patterns
  const auto fileStart = static_cast<std::int64_t>(start);
  if (end - begin == 1) {
    const std::uint32_t record = entryRecords_[begin];
    return fileStart < search.startLimit_[record] ? record : kNoMatch;
  }
  // Equal patterns, each with its own limit: one search of the stairs.
  const auto first = search.stairs_.begin() + begin;
  const auto last = search.stairs_.begin() + end;
  const auto found = std::upper_bound(first, last, fileStart, [&](std::int64_t value, std::uint32_t record) {
    return record == kNoMatch || value < search.startLimit_[record];
  });
  return found != last ? *found : kNoMatch;
}

void SignatureIndex::CheckAt(Search& search, std::size_t at, std::size_t longEnd) const {
  const std::uint8_t* data = search.window_.data();
  const std::size_t size = search.window_.size();
  auto consider = [&](std::uint32_t entry, std::size_t start) {
    const std::uint32_t record = EntryWinner(search, entry, search.base_ + start);
    if (record < search.best_) search.best_ = record;
  };

  const std::uint8_t first = data[at];
  if (candidates_.PassesShort(first)) {
    const std::uint8_t lengths = shortLengths_[first];
    auto lookUp = [&](std::size_t length) {
      if (at + length > size) return;
      if (const ShortSlot* slot = FindShort(ShortKey(data + at, length))) consider(slot->entry, at);
    };
    if (lengths & 1) lookUp(1);
    if ((lengths & 6) != 0 && at + 1 < size) {
      const std::uint8_t second = data[at + 1];
      if ((shortPairs_[(first << 2) | (second >> 6)] >> (second & 63)) & 1) {
        if (lengths & 2) lookUp(2);
        if (lengths & 4) lookUp(3);
      }
    }
  }
  if (at >= longEnd || search.Finished()) return;

  const std::uint32_t window = Load32(data + at);
  if (!candidates_.PassesLong(window)) return;
  WalkWindow(search, window, at, consider);
  // Where the filter hashes every other window, a 4-byte pattern one byte on
  // is found through its own window there (which the next scan window may
  // hold: the context behind this one has its bytes).
  if (!windowsBeforeFourByte_.empty() && at + 1 + kWindow <= size && !search.Finished())
    WalkWindow(search, Load32(data + at + 1), at + 1, consider);
}

template <typename Found>
void SignatureIndex::WalkWindow(Search& search, std::uint32_t window, std::size_t at, Found found) const {
  const std::uint32_t hash = LookupBucket(window);
  // A bucket may hold thousands (windows made to collide): a binary search.
  std::uint32_t low = bucketStart_[hash];
  const std::uint32_t end = bucketStart_[hash + 1];
  if (low == end) return;
  for (std::uint32_t count = end - low; count > 1;) {
    const std::uint32_t half = count / 2;
    low = longWindows_[low + half] < window ? low + half : low;  // without a branch to mispredict
    count -= half;
  }
  low += longWindows_[low] < window;
  if (low == end || longWindows_[low] != window) return;
  const WindowCandidate& candidate = longCandidates_[low];
  if (candidate.lowest >= search.best_) return;
  tries_.Walk(
      candidate.root, search.window_.data(), search.window_.size(), at, [&] { return search.best_; }, found);
}

void SignatureIndex::ScanTogether(const CandidateFilter& filter, std::span<Search* const> searches,
                                  std::span<const std::uint8_t> window, std::uint64_t base,
                                  std::uint64_t from, std::uint64_t to) {
  // Each search's own end, in the window (0 once it is done); the scan goes
  // as far as the furthest.
  std::vector<std::size_t> ends(searches.size());
  std::size_t localTo = 0;
  std::size_t active = 0;
  for (std::size_t i = 0; i < searches.size(); ++i) {
    Search& search = *searches[i];
    const std::uint64_t end = std::min(to, search.end_);
    ends[i] = search.Finished() || from >= end ? 0 : static_cast<std::size_t>(end - base);
    if (ends[i] == 0) continue;
    search.window_ = window;
    search.base_ = base;
    localTo = std::max(localTo, ends[i]);
    ++active;
  }
  const std::uint8_t* data = window.data();
  const std::size_t longEnd = std::min(localTo, window.size() >= kWindow ? window.size() - kWindow + 1 : 0);
  // A filter that hashes every other window takes those at even offsets of the file.
  const std::size_t phase = base & 1;
  for (std::size_t at = filter.Next(data, static_cast<std::size_t>(from - base), localTo, longEnd, phase);
       active > 0 && at < localTo; at = filter.Next(data, at + 1, localTo, longEnd, phase)) {
    for (std::size_t i = 0; i < searches.size(); ++i) {
      if (at >= ends[i]) continue;
      Search& search = *searches[i];
      search.index_->CheckAt(search, at, longEnd);
      if (!search.Finished()) continue;
      ends[i] = 0;
      --active;
    }
  }
  for (Search* search : searches) search->window_ = {};
}

void SignatureIndex::AddTo(CandidateFilter& filter) const {
  for (const std::uint32_t window : longWindows_) filter.AddWindow(window);
  for (const std::uint32_t window : windowsBeforeFourByte_) filter.AddWindow(window);
  for (unsigned byte = 0; byte < 256; ++byte) {
    if (candidates_.PassesShort(static_cast<std::uint8_t>(byte)))
      filter.AddShortFirstByte(static_cast<std::uint8_t>(byte));
  }
}

SignatureIndex::Search::Search(const SignatureIndex& index, std::uint64_t fileSize) : index_(&index) {
  const auto size = static_cast<std::int64_t>(fileSize);
  std::int64_t end = 0;
  const bool compression = index.kind_ == DatabaseKind::kCompression;
  if (compression) startLimit_.assign(index.lengths_.size(), 0);
  for (std::size_t r = 1; r < index.lengths_.size(); ++r) {
    if (index.lengths_[r] == 0) continue;
    std::int64_t limit = size;
    if (compression) {
      const std::int64_t given = index.limits_[r];
      limit = given < 0 ? size : given > size ? 0 : given;  // above the size: skipped
      startLimit_[r] = limit;
    }
    if (limit <= 0) continue;
    if (floor_ == kNoMatch) floor_ = static_cast<std::uint32_t>(r);
    end = std::max(end, std::min(size, limit + static_cast<std::int64_t>(index.lengths_[r])));
  }
  end_ = static_cast<std::uint64_t>(end);

  const std::size_t entries = index.entryStart_.empty() ? 0 : index.entryStart_.size() - 1;
  if (compression && index.entryRecords_.size() > entries) {
    stairs_.assign(index.entryRecords_.size(), kNoMatch);
    for (std::size_t e = 0; e < entries; ++e) {
      const std::uint32_t begin = index.entryStart_[e];
      const std::uint32_t entryEnd = index.entryStart_[e + 1];
      if (entryEnd - begin < 2) continue;
      std::int64_t highest = 0;
      std::uint32_t next = begin;
      for (std::uint32_t i = begin; i < entryEnd; ++i) {
        const std::uint32_t record = index.entryRecords_[i];
        if (startLimit_[record] <= highest) continue;
        highest = startLimit_[record];
        stairs_[next++] = record;
      }
    }
  }
}

std::size_t SignatureIndex::FirstMatch(std::span<const std::uint8_t> buffer) const {
  Search search(*this, buffer.size());
  search.Scan(buffer, 0, 0, buffer.size());
  return search.Winner();
}

std::size_t SignatureIndex::MemoryUsage() const {
  return sizeof *this + lengths_.capacity() + limits_.capacity() * sizeof(std::int64_t) +
         (entryStart_.capacity() + entryRecords_.capacity() + bucketStart_.capacity()) *
             sizeof(std::uint32_t) +
         candidates_.MemoryUsage() + longCandidates_.capacity() * sizeof(WindowCandidate) +
         (longWindows_.capacity() + windowsBeforeFourByte_.capacity()) * sizeof(std::uint32_t) +
         tries_.MemoryUsage() + shortTable_.capacity() * sizeof(ShortSlot) +
         shortPairs_.capacity() * sizeof(std::uint64_t);
}

}  // namespace vantric
