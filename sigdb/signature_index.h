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
// How: every pattern of 4 bytes or more is represented by its rarest 4-byte
// window. The scan hashes each 4-byte window of the file and tests a filter
// (CandidateFilter); on a hit it checks the few patterns filed under that hash,
// lowest record first, and verifies the whole pattern. Shorter patterns are
// filed under their first byte. A record is never checked once a lower one
// has matched, and the scan ends as soon as nothing better can be found or no
// record can start a match any further on.
//
// Many patterns that share their rarest window at the same offset (a hostile
// database can hold a hundred thousand) would make each occurrence of that
// window cost a check of every one of them. Such a crowd is filed as one
// candidate, a trie of its patterns walked along the file from where they
// would start: at most one step per pattern byte (80), whatever its size.
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
    void Scan(std::span<const std::uint8_t> window, std::uint64_t base, std::uint64_t from, std::uint64_t to);
    // The winning record (1..N-1), or 0 when none matches.
    std::size_t Winner() const { return best_ == kNoMatch ? 0 : best_; }

   private:
    friend class SignatureIndex;
    const SignatureIndex* index_;
    std::span<const std::uint8_t> window_;  // the bytes of the current Scan
    std::uint64_t base_ = 0;                // their offset in the file
    std::uint64_t end_ = 0;
    std::vector<std::int64_t> startLimit_;  // compression only: a match must start below it
    // Compression only: for each run of equal crowd patterns (crowdRuns_),
    // its records whose start limit exceeds that of every record before them,
    // at the run's place in crowdRecords_, then kNoMatch to the run's end. The
    // first of them whose limit exceeds a start is the run's winner there.
    std::vector<std::uint32_t> stairs_;
    std::uint32_t best_ = kNoMatch;
    std::uint32_t floor_ = kNoMatch;  // nothing can beat this record
  };

  // The winning record (1..N-1) on a whole file held in `buffer`, or 0 when
  // none matches.
  std::size_t FirstMatch(std::span<const std::uint8_t> buffer) const;

  std::size_t MemoryUsage() const;
  // The scan's first stage, which finds the positions worth a look.
  const CandidateFilter& Candidates() const { return candidates_; }

 private:
  // One pattern filed under a hash (long patterns) or a first byte (short ones).
  struct Candidate {
    std::uint32_t record;            // for a crowd, its lowest record
    std::uint32_t window;            // the pattern's 4 bytes at `offset` (long patterns only)
    std::uint32_t offset;            // where the filed window or byte lies in the pattern
    std::uint32_t crowd = kNoCrowd;  // for a crowd, its root in crowdNodes_
  };
  static constexpr std::uint32_t kNoCrowd = 0xFFFFFFFFu;
  static constexpr std::uint32_t kNoMatch = 0xFFFFFFFFu;

  void ScanRange(Search& search, std::size_t from, std::size_t to) const;
  bool Verify(const Search& search, const Candidate& candidate, std::size_t at) const;
  std::uint32_t SearchCrowd(const Search& search, const Candidate& candidate, std::size_t at) const;

  DatabaseKind kind_ = DatabaseKind::kCompiler;
  std::vector<std::string> patterns_;  // by record; empty for the header and empty patterns
  std::vector<std::int64_t> limits_;   // compression: numeric limit, or -1 for the whole file
  CandidateFilter candidates_;
  std::vector<std::uint32_t> bucketStart_;       // candidates of hash h: [start[h], start[h+1])
  std::vector<Candidate> longCandidates_;        // grouped by hash, by record within a hash
  std::array<std::uint32_t, 257> shortStart_{};  // likewise by first byte
  std::vector<Candidate> shortCandidates_;
  // A node of a crowd's trie: the patterns that begin with the bytes on the
  // way to it, those that end there, and its children (contiguous, sorted by
  // the byte that leads into each).
  struct CrowdNode {
    std::uint32_t firstChild = 0;
    std::uint32_t childCount = 0;
    std::uint32_t endingBegin = 0;  // records ending here: crowdRecords_[endingBegin, endingEnd)
    std::uint32_t endingEnd = 0;
  };
  void BuildCrowdNode(std::uint32_t node, std::uint32_t begin, std::uint32_t end, std::size_t depth);
  std::vector<CrowdNode> crowdNodes_;
  std::vector<std::uint8_t> crowdNodeByte_;  // the byte that leads into each node
  std::vector<std::uint32_t> crowdRecords_;  // each crowd's records, sorted by pattern
  // Compression: runs of equal patterns in crowdRecords_, [first, second).
  std::vector<std::pair<std::uint32_t, std::uint32_t>> crowdRuns_;
  std::uint32_t firstRecord_ = 0;  // the lowest record that can match at all
};

// Where in `pattern` (4 bytes or more) the index files it: the 4 bytes most
// likely to be rare in executables.
inline constexpr std::size_t kWindowSize = 4;
std::size_t RarestWindowOffset(std::string_view pattern);

}  // namespace vantric
