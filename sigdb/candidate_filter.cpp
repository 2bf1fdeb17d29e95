#include "sigdb/candidate_filter.h"

#include <cstring>

#include "sigdb/candidate_filter_engines.h"

namespace vantric {
namespace {

std::vector<CandidateFilter::Engine> DetectEngines() {
  using Engine = CandidateFilter::Engine;
  std::vector<Engine> engines = {Engine::kScalar};
#ifdef VANTRIC_X86
  __builtin_cpu_init();
  // This also checks that the system saves the 256-bit registers.
  if (__builtin_cpu_supports("avx2")) engines.push_back(Engine::kAvx2);
#endif
  return engines;
}

}  // namespace

namespace candidate_engines {

namespace {

// `tables` by value: the compiler may keep them in registers.
template <bool kWithShort>
std::size_t NextPlain(const Tables tables, const std::uint8_t* bytes, std::size_t at, std::size_t end,
                      std::size_t longEnd, std::size_t phase) {
  for (; at < longEnd; ++at) {
    if (kWithShort && tables.shortFirstByte[bytes[at]]) return at;
    if (tables.everyOther && ((at ^ phase) & 1) != 0) continue;
    std::uint32_t window;
    std::memcpy(&window, bytes + at, sizeof window);
    if (CandidateFilter::PassesLong(tables, window)) return at;
  }
  if (kWithShort) {
    for (; at < end; ++at) {
      if (tables.shortFirstByte[bytes[at]]) return at;
    }
  }
  return end;
}

}  // namespace

std::size_t NextScalar(const Tables& tables, const std::uint8_t* bytes, std::size_t at, std::size_t end,
                       std::size_t longEnd, std::size_t phase) {
  return tables.shortFirstByte ? NextPlain<true>(tables, bytes, at, end, longEnd, phase)
                               : NextPlain<false>(tables, bytes, at, end, longEnd, phase);
}

}  // namespace candidate_engines

CandidateFilter::CandidateFilter(unsigned hashBits, unsigned wordBits, bool everyOther)
    : bucketShift_(32 - hashBits),
      bucketBits_(std::size_t{1} << (hashBits - 5)),
      wordShift_(32 - wordBits),
      words_(std::size_t{1} << wordBits),
      everyOther_(everyOther) {}

void CandidateFilter::AddWindow(std::uint32_t window) {
  const std::uint32_t bucket = Bucket(window);
  bucketBits_[bucket >> 5] |= std::uint32_t{1} << (bucket & 31);
  words_[(window * kWordMultiplier) >> wordShift_] |= WordBits(window);
}

void CandidateFilter::AddShortFirstByte(std::uint8_t byte) {
  shortFirstByte_[byte] = true;
  shortNibbles_[(byte & 15) + (byte >= 0x80 ? 16 : 0)] |= static_cast<std::uint8_t>(1u << ((byte >> 4) & 7));
  hasShort_ = true;
}

std::size_t CandidateFilter::Next(Engine engine, const std::uint8_t* bytes, std::size_t at, std::size_t end,
                                  std::size_t longEnd, std::size_t phase) const {
  const Tables tables = TablesOf();
  switch (engine) {
#ifdef VANTRIC_X86
    case Engine::kAvx2: return candidate_engines::NextAvx2(tables, bytes, at, end, longEnd, phase);
#endif
    default: return candidate_engines::NextScalar(tables, bytes, at, end, longEnd, phase);
  }
}

std::span<const CandidateFilter::Engine> CandidateFilter::SupportedEngines() {
  static const std::vector<Engine> engines = DetectEngines();
  return engines;
}

const char* CandidateFilter::Name(Engine engine) {
  switch (engine) {
    case Engine::kAvx2: return "AVX2";
    default: return "scalar";
  }
}

std::size_t CandidateFilter::MemoryUsage() const {
  return (bucketBits_.capacity() + words_.capacity()) * sizeof(std::uint32_t);
}

}  // namespace vantric
