#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "sigdb/candidate_filter.h"
#include "sigdb/lang_definition.h"
#include "sigdb/window_tries.h"

namespace vantric {

// A searcher over all signatures of one database, built once when the
// database is loaded and then used, read-only, for any number of files (and
// from any number of threads).
//
// It answers one question per file in one pass over the bytes: which record
// wins, i.e. the first in database order whose pattern occurs (for the
// compression database: starting below its search limit). That is exactly
// the answer of ReferenceFirstMatch, without its cost of signatures times
// bytes.
//
// How: records with equal patterns are one entry, so a pattern is looked
// for once however often a database repeats it. Every pattern of 4 bytes or
// more is filed under its rarest 4-byte window; all entries that share a
// window, at whatever offsets, are one candidate, searched by one walk of
// their WindowTries. The scan hashes each 4-byte window of the file and
// tests a filter (CandidateFilter); on a hit it finds the window's candidate
// by binary search within its bucket. Shorter patterns are looked up in a
// hash table, one probe per length. So each position of the file costs at
// most three short lookups and one walk, whatever the database holds. A
// branch is never walked once a record below it has matched, and the scan
// ends as soon as nothing better can be found or no record can start a
// match any further on.
class SignatureIndex {
 public:
  SignatureIndex() = default;
  SignatureIndex(const TLangDefinitionArray& database, DatabaseKind kind);

  // No pattern is longer: a window of the file scanned on its own must carry
  // this many bytes of the file on each side of the positions it scans.
  static constexpr std::size_t kContext = ShortString::kCapacity;

  // One file's search, fed the file a window at a time. Its answer is that of
  // FirstMatch on the whole file, whatever the windows, as long as every
  // position below End() is scanned once.
  class Search {
   public:
    Search(const SignatureIndex& index, std::uint64_t fileSize);

    // Past this offset no record can start a match: the file need not be
    // read any further for this search.
    std::uint64_t End() const { return end_; }
    // The winner is known: no record before it can still match.
    bool Finished() const { return best_ <= floor_; }
    // Scans the file's positions [from, to). `window` holds the file's bytes
    // from offset `base` on; it must reach kContext bytes before `from` and
    // kContext bytes past `to`, or the file's start and end.
    void Scan(std::span<const std::uint8_t> window, std::uint64_t base, std::uint64_t from,
              std::uint64_t to) {
      Search* self = this;
      ScanTogether(index_->candidates_, {&self, 1}, window, base, from, to);
    }
    // The winning record (1..N-1), or 0 when none matches.
    std::size_t Winner() const { return best_ == kNoMatch ? 0 : best_; }

   private:
    friend class SignatureIndex;
    const SignatureIndex* index_;
    std::span<const std::uint8_t> window_;  // the bytes of the current Scan
    std::uint64_t base_ = 0;                // their offset in the file
    std::uint64_t end_ = 0;
    std::vector<std::int64_t> startLimit_;  // compression only: a match must start below it
    // Compression only: for each entry of several records, those whose start
    // limit exceeds that of every record before them, at the entry's place
    // in entryRecords_, then kNoMatch to its end. The first of them whose
    // limit exceeds a start is the entry's winner there.
    std::vector<std::uint32_t> stairs_;
    std::uint32_t best_ = kNoMatch;
    std::uint32_t floor_ = kNoMatch;  // nothing can beat this record
  };

  // Scan for several searches at once, each byte read once for all: stops
  // only where `filter` passes, which must pass every position the
  // searches' own filters pass (see AddTo).
  static void ScanTogether(const CandidateFilter& filter, std::span<Search* const> searches,
                           std::span<const std::uint8_t> window, std::uint64_t base, std::uint64_t from,
                           std::uint64_t to);
  // Files this index's windows and short first bytes in `filter`, which
  // then passes every position this index's own filter passes.
  void AddTo(CandidateFilter& filter) const;

  // The winning record (1..N-1) on a whole file held in `buffer`, or 0 when
  // none matches.
  std::size_t FirstMatch(std::span<const std::uint8_t> buffer) const;

  std::size_t MemoryUsage() const;
  // The scan's first stage, which finds the positions worth a look.
  const CandidateFilter& Candidates() const { return candidates_; }

 private:
  static constexpr std::uint32_t kNoMatch = 0xFFFFFFFFu;

  // The entries that share one window, filed under its hash.
  struct WindowCandidate {
    std::uint32_t lowest;  // the lowest record of its entries
    std::uint32_t root;    // of their trees in tries_
  };
  // A pattern of 1 to 3 bytes: its length and bytes, the first highest.
  struct ShortSlot {
    std::uint32_t key = 0;  // 0: empty
    std::uint32_t entry = 0;
  };
  static std::uint32_t ShortKey(const std::uint8_t* bytes, std::size_t length);

  // Checks a position some first stage passed: `at` in the search's window,
  // longEnd where its windows of 4 bytes end.
  void CheckAt(Search& search, std::size_t at, std::size_t longEnd) const;
  // Walks the trees of `window`, if it is filed, from `at` in the search's window.
  template <typename Found>
  void WalkWindow(Search& search, std::uint32_t window, std::size_t at, Found found) const;
  // The record of `entry` that wins where its pattern starts at file offset
  // `start`, or kNoMatch.
  std::uint32_t EntryWinner(const Search& search, std::uint32_t entry, std::uint64_t start) const;
  const ShortSlot* FindShort(std::uint32_t key) const;

  DatabaseKind kind_ = DatabaseKind::kCompiler;
  std::vector<std::uint8_t> lengths_;  // of each record's pattern
  std::vector<std::int64_t> limits_;   // compression: numeric limit, or -1 for the whole file
  // The records of entry e, ascending: entryRecords_[entryStart_[e], entryStart_[e + 1]).
  std::vector<std::uint32_t> entryStart_;
  std::vector<std::uint32_t> entryRecords_;
  CandidateFilter candidates_;
  std::uint32_t LookupBucket(std::uint32_t window) const {
    return (window * CandidateFilter::kBucketMultiplier) >> lookupShift_;
  }
  std::uint32_t lookupShift_ = 31;
  std::vector<std::uint32_t> bucketStart_ = {0, 0, 0};  // candidates of bucket b: [start[b], start[b+1])
  std::vector<WindowCandidate> longCandidates_;         // grouped by hash, by window within a hash
  std::vector<std::uint32_t> longWindows_;              // their windows (4 bytes read as a native integer)
  // Every other window hashed: the windows of a byte and a 4-byte pattern's
  // first three, which the filter passes; sorted.
  std::vector<std::uint32_t> windowsBeforeFourByte_;
  WindowTries tries_;
  std::vector<ShortSlot> shortTable_;  // open addressing, a power of two in size
  std::array<std::uint8_t, 256>
      shortLengths_{};                     // bit n - 1: a short pattern of n bytes starts with the byte
  std::vector<std::uint64_t> shortPairs_;  // bit per first two bytes of the 2- and 3-byte patterns
};

// Where in `pattern` (4 bytes or more) the index files it: the 4 bytes most
// likely to be rare in executables, or the first of the `neighbours`
// windows one after the other that are rarest together.
inline constexpr std::size_t kWindowSize = 4;
std::size_t RarestWindowOffset(std::string_view pattern, std::size_t neighbours = 1);

}  // namespace vantric
