#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

namespace vantric {

// The first stage of the signature scan: of the positions of a window of the
// file, the next from which some pattern may start. Nearly every position
// fails here, so this is where the scan spends its time; the buckets and the
// verification behind it decide.
//
// A position passes when its byte starts a short pattern (under 4 bytes), or
// when its 4-byte window passes two independent filters of the filed windows
// (in a filter that looks at every other window, only at positions of one
// parity: the index files each pattern under two neighbouring windows then):
// - the bucket bit: one bit per bucket, set when a window is filed there;
// - the word filter: one 32-bit word chosen by a second hash of the window,
//   in which four bits named by a third, one in each byte, must all be set.
// The bucket bit lets about one window in 64 through, the word filter one in
// 10,000 or fewer; both together, hardly any window that is not filed. Plain
// code tests the bucket bit first, as it costs least there; SIMD code tests
// the word filter first, one gathered word per position.
//
// The same answer comes from a plain loop and, where the processor has AVX2,
// from a SIMD loop, chosen once at run time.
class CandidateFilter {
 public:
  enum class Engine { kScalar, kAvx2 };

  // An empty filter: nothing passes. Only for an index without patterns.
  CandidateFilter() = default;
  // 2^hashBits buckets, hashBits from 10 to 22, and 2^wordBits words, from
  // 1 to hashBits - 4; windows tested at every position, or at every other one.
  CandidateFilter(unsigned hashBits, unsigned wordBits, bool everyOther);

  unsigned HashBits() const { return 32 - bucketShift_; }
  unsigned WordBits() const { return 32 - wordShift_; }
  // The bucket of a 4-byte window (its bytes read as a native integer).
  std::uint32_t Bucket(std::uint32_t window) const { return (window * kBucketMultiplier) >> bucketShift_; }
  void AddWindow(std::uint32_t window);
  void AddShortFirstByte(std::uint8_t byte);

  bool PassesLong(std::uint32_t window) const { return PassesLong(TablesOf(), window); }
  bool PassesShort(std::uint8_t byte) const { return shortFirstByte_[byte]; }
  bool EveryOther() const { return everyOther_; }

  // The first position in [at, end) that passes, or `end`. Positions from
  // `longEnd` on (at most `end`) are tested for short patterns only, and so
  // are those whose parity differs from `phase`'s in a filter that looks at
  // every other window. Reads bytes[at, end) and, below longEnd, the 4 bytes
  // from each position.
  std::size_t Next(const std::uint8_t* bytes, std::size_t at, std::size_t end, std::size_t longEnd,
                   std::size_t phase) const {
    // A candidate often comes soon after the last (a window repeated all
    // through a file): the next few positions are tried here, one at a time,
    // which costs less than a call and a round of vectors.
    const Tables tables = TablesOf();
    for (const std::size_t headEnd = std::min(at + 8, longEnd); at < headEnd; ++at) {
      if (hasShort_ && shortFirstByte_[bytes[at]]) return at;
      if (everyOther_ && ((at ^ phase) & 1) != 0) continue;
      std::uint32_t window;
      std::memcpy(&window, bytes + at, sizeof window);
      if (PassesLong(tables, window)) return at;
    }
    return Next(engine_, bytes, at, end, longEnd, phase);
  }
  // The same in the given engine, which the machine must support.
  std::size_t Next(Engine engine, const std::uint8_t* bytes, std::size_t at, std::size_t end,
                   std::size_t longEnd, std::size_t phase) const;

  // The engines this machine runs, plainest first; the last is the one used.
  static std::span<const Engine> SupportedEngines();
  static const char* Name(Engine engine);

  std::size_t MemoryUsage() const;

  // What the engines read. The short first bytes are also there as a table
  // for byte shuffles: byte b is bit (b >> 4) % 8 of shortNibbles[b & 15] when
  // b < 0x80, of shortNibbles[16 + (b & 15)] otherwise.
  struct Tables {
    const std::uint32_t* bucketBits;
    std::uint32_t bucketShift;
    const std::uint32_t* words;
    std::uint32_t wordShift;     // the word filter has 2^(32 - wordShift) words
    const bool* shortFirstByte;  // null when there are no short patterns
    const std::uint8_t* shortNibbles;
    bool everyOther;
  };

  static constexpr std::uint32_t kBucketMultiplier = 0x9E3779B1u;
  // The word filter's word for a window is named by the top bits of its
  // product with kWordMultiplier; its bits by two bytes of its product with
  // kBitsMultiplier: the top byte b names bit b % 8 of the word's byte 0 and
  // bit b / 8 % 8 of its byte 1, the next byte likewise in bytes 2 and 3.
  static constexpr std::uint32_t kWordMultiplier = 0x85EBCA77u;
  static constexpr std::uint32_t kBitsMultiplier = 0xC2B2AE3Du;
  static constexpr std::array<std::uint16_t, 256> kBitPairs = [] {
    std::array<std::uint16_t, 256> pairs{};
    for (unsigned b = 0; b < 256; ++b)
      pairs[b] = static_cast<std::uint16_t>((1u << (b & 7)) | (0x100u << ((b >> 3) & 7)));
    return pairs;
  }();
  static std::uint32_t WordBits(std::uint32_t window) {
    const std::uint32_t g = window * kBitsMultiplier;
    return kBitPairs[g >> 24] | std::uint32_t{kBitPairs[(g >> 16) & 0xFF]} << 16;
  }
  static bool PassesBucketBit(const Tables& tables, std::uint32_t window) {
    const std::uint32_t bucket = (window * kBucketMultiplier) >> tables.bucketShift;
    return (tables.bucketBits[bucket >> 5] >> (bucket & 31)) & 1;
  }
  static bool PassesWordFilter(const Tables& tables, std::uint32_t window) {
    const std::uint32_t bits = WordBits(window);
    return (tables.words[(window * kWordMultiplier) >> tables.wordShift] & bits) == bits;
  }
  static bool PassesLong(const Tables& tables, std::uint32_t window) {
    return PassesBucketBit(tables, window) && PassesWordFilter(tables, window);
  }

 private:
  Tables TablesOf() const {
    return {bucketBits_.data(),
            bucketShift_,
            words_.data(),
            wordShift_,
            hasShort_ ? shortFirstByte_.data() : nullptr,
            shortNibbles_.data(),
            everyOther_};
  }

  // Sized for the two buckets and two words of the empty filter.
  std::uint32_t bucketShift_ = 31;
  std::vector<std::uint32_t> bucketBits_ = std::vector<std::uint32_t>(1);
  std::uint32_t wordShift_ = 31;
  std::vector<std::uint32_t> words_ = std::vector<std::uint32_t>(2);
  std::array<bool, 256> shortFirstByte_{};
  std::array<std::uint8_t, 32> shortNibbles_{};
  bool hasShort_ = false;
  bool everyOther_ = false;
  Engine engine_ = SupportedEngines().back();
};

}  // namespace vantric
