// Throughput of the signature index against the plain scan, on real PE bytes
// and synthetic literal signatures that don't occur (the worst case: the
// whole file must be searched for every signature).
//
//   matcher_bench [--quick] [PE folder]
//
// The plain scan is too slow to run over 128 MiB with thousands of
// signatures; it is timed on a prefix of the haystack sized to take about a
// second, and its rate is per byte, so that figure holds for any size.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "bench/haystack.h"
#include "sigdb/reference_matcher.h"
#include "sigdb/signature_index.h"

namespace {

using bench::Bytes;
using bench::Clock;
using bench::Haystack;
using bench::kMiB;
using bench::Seconds;
using vantric::DatabaseKind;
using vantric::SignatureIndex;
using vantric::TLangDefinitionArray;

// Zero runs of 64..512 bytes after every 64..256 bytes of the original.
Bytes WithZeroRuns(const Bytes& source) {
  std::mt19937 random(2);
  Bytes out;
  out.reserve(source.size());
  for (std::size_t i = 0; out.size() < source.size();) {
    std::size_t keep = 64 + random() % 193;
    for (std::size_t j = 0; j < keep && out.size() < source.size(); ++j)
      out.push_back(source[i++ % source.size()]);
    out.insert(out.end(), std::min<std::size_t>(64 + random() % 449, source.size() - out.size()), 0);
  }
  return out;
}

TLangDefinitionArray Signatures(std::size_t count, bool zeroPrefixes, std::uint32_t seed) {
  std::mt19937 random(seed);
  TLangDefinitionArray database(count + 1);
  database[0].fields[0].assign("bench");
  for (std::size_t i = 1; i <= count; ++i) {
    std::string pattern(4 + random() % 77, '\0');
    std::size_t zeros =
        zeroPrefixes && i % 2 ? 1 + random() % std::min<std::size_t>(16, pattern.size() - 1) : 0;
    for (std::size_t j = zeros; j < pattern.size(); ++j) pattern[j] = static_cast<char>(1 + random() % 255);
    database[i].fields[0].assign(pattern);
  }
  return database;
}

// Replaces every signature that occurs in `haystack` until none does.
void RemoveOccurring(TLangDefinitionArray& database, const Bytes& haystack, std::uint32_t seed) {
  std::mt19937 random(seed);
  for (;;) {
    std::size_t hit = SignatureIndex(database, DatabaseKind::kCompiler).FirstMatch(haystack);
    if (hit == 0) return;
    std::string pattern(4 + random() % 77, '\0');
    for (char& c : pattern) c = static_cast<char>(1 + random() % 255);
    database[hit].fields[0].assign(pattern);
  }
}

double ReferenceRate(const TLangDefinitionArray& database, const Bytes& haystack) {
  // Grow the prefix until one run takes at least a second.
  for (std::size_t size = 4096;; size *= 4) {
    size = std::min(size, haystack.size());
    auto start = Clock::now();
    volatile std::size_t sink =
        vantric::ReferenceFirstMatch(database, DatabaseKind::kCompiler, std::span(haystack.data(), size));
    (void)sink;
    double seconds = Seconds(start);
    if (seconds >= 1.0 || size == haystack.size()) return size / kMiB / seconds;
  }
}

double EngineRate(const SignatureIndex& index, const Bytes& haystack, std::size_t& winner) {
  // The fastest of several runs: this machine is shared, and noise only ever adds time.
  double best = 1e300;
  auto begin = Clock::now();
  for (int run = 0; run < 5 || Seconds(begin) < 0.5; ++run) {
    auto start = Clock::now();
    winner = index.FirstMatch(haystack);
    best = std::min(best, Seconds(start));
  }
  return haystack.size() / kMiB / best;
}

// The scan's first stage alone, in each engine this machine runs: the rate at
// which it walks the haystack from candidate to candidate.
void FirstStageCase(const Bytes& haystack, std::size_t count) {
  TLangDefinitionArray database = Signatures(count, false, static_cast<std::uint32_t>(count));
  RemoveOccurring(database, haystack, 7);
  const SignatureIndex index(database, DatabaseKind::kCompiler);
  const vantric::CandidateFilter& filter = index.Candidates();
  const std::size_t longEnd = haystack.size() - 3;
  std::printf("\nfirst stage alone, %zu signatures, %zu MiB:\n", count, haystack.size() >> 20);
  for (const vantric::CandidateFilter::Engine engine : vantric::CandidateFilter::SupportedEngines()) {
    double best = 1e300;
    std::size_t candidates = 0;
    auto begin = Clock::now();
    for (int run = 0; run < 3 || Seconds(begin) < 0.3; ++run) {
      auto start = Clock::now();
      candidates = 0;
      for (std::size_t at = filter.Next(engine, haystack.data(), 0, haystack.size(), longEnd, 0);
           at < haystack.size();
           at = filter.Next(engine, haystack.data(), at + 1, haystack.size(), longEnd, 0)) {
        ++candidates;
      }
      best = std::min(best, Seconds(start));
    }
    std::printf("  %-8s %8.0f MiB/s  (%zu candidates)\n", vantric::CandidateFilter::Name(engine),
                haystack.size() / kMiB / best, candidates);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const auto [quick, folder] = bench::ParseArguments(argc, argv, "/usr/lib/i386-linux-gnu/wine/i386-windows");
  const std::vector<std::size_t> sizes =
      quick ? std::vector<std::size_t>{1, 16} : std::vector<std::size_t>{1, 16, 128};
  const std::vector<std::size_t> counts = {100, 1000, 5000};

  bool real = false;
  const Bytes full = Haystack(folder, sizes.back() << 20, real);
  const Bytes zeroRuns = WithZeroRuns(full);
  std::printf("first stage: %s\n",
              vantric::CandidateFilter::Name(vantric::CandidateFilter::SupportedEngines().back()));
  std::printf("haystack: %s, zero-run variant %.0f%% zeros\n\n",
              real ? ("PE files from " + folder).c_str() : "random bytes",
              100.0 * static_cast<double>(std::count(zeroRuns.begin(), zeroRuns.end(), 0)) / zeroRuns.size());

  std::printf("%-28s %6s %8s %14s %14s %10s\n", "case", "sigs", "MiB", "plain MiB/s", "index MiB/s", "ratio");
  for (int variant = 0; variant < 3; ++variant) {
    const bool zeros = variant == 1;
    const bool matchAtEnd = variant == 2;
    const Bytes& source = zeros ? zeroRuns : full;
    const char* name = zeros ? "zero runs, zero prefixes" : matchAtEnd ? "match near the end" : "no match";
    for (std::size_t count : counts) {
      TLangDefinitionArray database = Signatures(count, zeros, static_cast<std::uint32_t>(count));
      RemoveOccurring(database, source, 7);
      SignatureIndex index(database, DatabaseKind::kCompiler);
      double plain = -1;
      for (std::size_t mib : sizes) {
        Bytes haystack(source.begin(), source.begin() + (mib << 20));
        if (matchAtEnd) {  // the last signature, ending 100 bytes before the end
          std::string_view last = database.back().fields[0].view();
          std::memcpy(haystack.data() + haystack.size() - 100 - last.size(), last.data(), last.size());
        }
        if (plain < 0 || matchAtEnd) plain = ReferenceRate(database, haystack);
        std::size_t winner = 0;
        double engine = EngineRate(index, haystack, winner);
        if (winner != (matchAtEnd ? count : 0)) std::printf("  !! wrong winner %zu\n", winner);
        std::printf("%-28s %6zu %8zu %14.3f %14.0f %9.0fx\n", name, count, mib, plain, engine,
                    engine / plain);
      }
    }
  }

  FirstStageCase(Bytes(full.begin(), full.begin() + (16 << 20)), 1000);

  std::printf("\nindex build:\n");
  for (std::size_t count : counts) {
    TLangDefinitionArray database = Signatures(count, true, 99);
    auto start = Clock::now();
    SignatureIndex index(database, DatabaseKind::kCompiler);
    std::printf("  %5zu signatures: %.2f ms, %.2f MiB\n", count, Seconds(start) * 1000,
                index.MemoryUsage() / kMiB);
  }
  return 0;
}
