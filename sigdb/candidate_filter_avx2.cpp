// The first stage in AVX2: windows hashed eight to a vector, the word filter's
// words fetched with gathers; short patterns' first bytes looked up by nibble
// with byte shuffles.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "sigdb/candidate_filter_engines.h"

#ifdef VANTRIC_X86
#include <immintrin.h>

namespace vantric::candidate_engines {
namespace {

#define VANTRIC_AVX2 __attribute__((target("avx2")))

// Bit j set when window j passes the word filter. `allLanes` must be all
// ones, but opaque to the compiler: knowing it, GCC drops the gather's zeroed
// destination, and each gather then waits for the last one to write there.
VANTRIC_AVX2 inline std::uint32_t WordFilterHits(__m256i windows, const Tables& tables, __m128i wordShift,
                                                 __m256i allLanes) {
  const __m256i index = _mm256_srl_epi32(
      _mm256_mullo_epi32(windows, _mm256_set1_epi32(static_cast<int>(CandidateFilter::kWordMultiplier))),
      wordShift);
  const __m256i words = _mm256_mask_i32gather_epi32(
      _mm256_setzero_si256(), reinterpret_cast<const int*>(tables.words), index, allLanes, 4);
  // Bytes 3, 3, 2, 2 of each product, then in the high byte of each pair its
  // bits 3 to 5 instead of 0 to 2: the bit to test in each byte of the word.
  const __m256i g =
      _mm256_mullo_epi32(windows, _mm256_set1_epi32(static_cast<int>(CandidateFilter::kBitsMultiplier)));
  const __m256i pairs =
      _mm256_shuffle_epi8(g, _mm256_setr_epi8(3, 3, 2, 2, 7, 7, 6, 6, 11, 11, 10, 10, 15, 15, 14, 14,  //
                                              3, 3, 2, 2, 7, 7, 6, 6, 11, 11, 10, 10, 15, 15, 14, 14));
  const __m256i which =
      _mm256_or_si256(_mm256_and_si256(pairs, _mm256_set1_epi16(0x0007)),
                      _mm256_and_si256(_mm256_srli_epi16(pairs, 3), _mm256_set1_epi16(0x0700)));
  const __m256i powers = _mm256_setr_epi8(1, 2, 4, 8, 16, 32, 64, -128, 0, 0, 0, 0, 0, 0, 0, 0,  //
                                          1, 2, 4, 8, 16, 32, 64, -128, 0, 0, 0, 0, 0, 0, 0, 0);
  const __m256i bits = _mm256_shuffle_epi8(powers, which);
  const __m256i passed = _mm256_cmpeq_epi32(_mm256_and_si256(words, bits), bits);
  return static_cast<std::uint32_t>(_mm256_movemask_ps(_mm256_castsi256_ps(passed)));
}

// Bit i set when byte i starts a short pattern.
VANTRIC_AVX2 inline std::uint32_t ShortHits(__m128i bytes, __m128i lowRows, __m128i highRows) {
  const __m128i nibble = _mm_set1_epi8(0x0F);
  const __m128i low = _mm_and_si128(bytes, nibble);
  const __m128i high = _mm_and_si128(_mm_srli_epi16(bytes, 4), nibble);
  // 1 << high for the high nibbles each table covers, 0 for the others.
  const __m128i lowBit = _mm_setr_epi8(1, 2, 4, 8, 16, 32, 64, -128, 0, 0, 0, 0, 0, 0, 0, 0);
  const __m128i highBit = _mm_setr_epi8(0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 4, 8, 16, 32, 64, -128);
  const __m128i found =
      _mm_or_si128(_mm_and_si128(_mm_shuffle_epi8(lowRows, low), _mm_shuffle_epi8(lowBit, high)),
                   _mm_and_si128(_mm_shuffle_epi8(highRows, low), _mm_shuffle_epi8(highBit, high)));
  return static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(found, _mm_setzero_si128()))) ^ 0xFFFF;
}

// Of the positions at + i for the bits i of `wordHits` (windows that passed
// the word filter) and of `shortHits`, the first that passes, or `none`.
inline std::size_t FirstPassing(const Tables& tables, const std::uint8_t* bytes, std::size_t at,
                                std::uint32_t wordHits, std::uint32_t shortHits, std::size_t none) {
  for (std::uint32_t rest = wordHits | shortHits; rest != 0; rest &= rest - 1) {
    const int i = std::countr_zero(rest);
    if ((shortHits >> i) & 1) return at + i;
    std::uint32_t window;
    std::memcpy(&window, bytes + at + i, sizeof window);
    if (CandidateFilter::PassesBucketBit(tables, window)) return at + i;
  }
  return none;
}

// What both loops keep in registers.
struct LoopConstants {
  __m128i wordShift;
  __m128i lowRows;  // the short first bytes' nibble table
  __m128i highRows;
  __m256i allLanes;  // see WordFilterHits
};

VANTRIC_AVX2 inline LoopConstants LoadConstants(const Tables& tables) {
  LoopConstants constants{
      _mm_cvtsi32_si128(static_cast<int>(tables.wordShift)),
      _mm_loadu_si128(reinterpret_cast<const __m128i*>(tables.shortNibbles)),
      _mm_loadu_si128(reinterpret_cast<const __m128i*>(tables.shortNibbles + 16)),
      _mm256_set1_epi32(-1),
  };
  asm("" : "+x"(constants.allLanes));
  return constants;
}

template <bool kWithShort>
VANTRIC_AVX2 std::size_t Next(const Tables& tables, const std::uint8_t* bytes, std::size_t at,
                              std::size_t end, std::size_t longEnd) {
  const LoopConstants constants = LoadConstants(tables);
  // The windows at 8 positions from 16 bytes: the first four in the low half,
  // the next four in the high half.
  const __m256i windowBytes = _mm256_setr_epi8(0, 1, 2, 3, 1, 2, 3, 4, 2, 3, 4, 5, 3, 4, 5, 6,  //
                                               4, 5, 6, 7, 5, 6, 7, 8, 6, 7, 8, 9, 7, 8, 9, 10);
  // Eight positions a round, reading 16 bytes: a candidate close to the last
  // one costs little.
  for (; at + 16 <= longEnd; at += 8) {
    const __m128i sixteen = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + at));
    const __m256i windows = _mm256_shuffle_epi8(_mm256_broadcastsi128_si256(sixteen), windowBytes);
    const std::uint32_t wordHits = WordFilterHits(windows, tables, constants.wordShift, constants.allLanes);
    const std::uint32_t shortHits =
        kWithShort ? ShortHits(sixteen, constants.lowRows, constants.highRows) & 0xFF : 0;
    if ((wordHits | shortHits) != 0) {
      const std::size_t found = FirstPassing(tables, bytes, at, wordHits, shortHits, end);
      if (found != end) return found;
    }
  }
  return NextScalar(tables, bytes, at, end, longEnd, 0);
}

// Bit j of the 8 bits of `hits` to bit 2j.
inline std::uint32_t Spread(std::uint32_t hits) {
  hits = (hits | hits << 4) & 0x0F0F;
  hits = (hits | hits << 2) & 0x3333;
  return (hits | hits << 1) & 0x5555;
}

// The same for a filter that looks at every other window: sixteen positions
// a round, of which the eight of `phase`'s parity are hashed, from 24 bytes.
// Half the gathers for the same bytes.
template <bool kWithShort>
VANTRIC_AVX2 std::size_t NextEveryOther(const Tables& tables, const std::uint8_t* bytes, std::size_t at,
                                        std::size_t end, std::size_t longEnd, std::size_t phase) {
  const LoopConstants constants = LoadConstants(tables);
  // Windows at 0, 2, 4, 6 of each half's 16 bytes.
  const __m256i windowBytes = _mm256_setr_epi8(0, 1, 2, 3, 2, 3, 4, 5, 4, 5, 6, 7, 6, 7, 8, 9,  //
                                               0, 1, 2, 3, 2, 3, 4, 5, 4, 5, 6, 7, 6, 7, 8, 9);
  if (((at ^ phase) & 1) != 0 && at < longEnd) {  // a position of the other parity: short patterns only
    if (kWithShort && tables.shortFirstByte[bytes[at]]) return at;
    ++at;
  }
  for (; at + 24 <= longEnd; at += 16) {
    const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + at));
    const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + at + 8));
    const __m256i windows = _mm256_shuffle_epi8(_mm256_set_m128i(high, low), windowBytes);
    const std::uint32_t wordHits =
        Spread(WordFilterHits(windows, tables, constants.wordShift, constants.allLanes));
    const std::uint32_t shortHits = kWithShort ? ShortHits(low, constants.lowRows, constants.highRows) : 0;
    if ((wordHits | shortHits) != 0) {
      const std::size_t found = FirstPassing(tables, bytes, at, wordHits, shortHits, end);
      if (found != end) return found;
    }
  }
  return NextScalar(tables, bytes, at, end, longEnd, phase);
}

}  // namespace

VANTRIC_ALIGN_STACK VANTRIC_AVX2 std::size_t NextAvx2(const Tables& tables, const std::uint8_t* bytes,
                                                      std::size_t at, std::size_t end, std::size_t longEnd,
                                                      std::size_t phase) {
  if (tables.everyOther) {
    return tables.shortFirstByte ? NextEveryOther<true>(tables, bytes, at, end, longEnd, phase)
                                 : NextEveryOther<false>(tables, bytes, at, end, longEnd, phase);
  }
  return tables.shortFirstByte ? Next<true>(tables, bytes, at, end, longEnd)
                               : Next<false>(tables, bytes, at, end, longEnd);
}

}  // namespace vantric::candidate_engines

#endif
