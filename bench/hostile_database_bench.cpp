// Scan rates of the signature index under databases built to make it crawl,
// each against the file that hurts it most, beside a random database of the
// same size on real PE bytes.
//
//   hostile_database_bench [--quick] [PE folder]
//
// A database shape is sound when it scans at 100 MiB/s or more, and a
// database of 1,000,000 records at 1/20 or more of a random one's rate.
#include <algorithm>
#include <bit>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "bench/haystack.h"
#include "sigdb/signature_index.h"

namespace {

using bench::Bytes;
using bench::Clock;
using bench::kMiB;
using bench::Seconds;
using vantric::DatabaseKind;
using vantric::SignatureIndex;
using vantric::TLangDefinitionArray;

struct Shape {
  std::string name;
  TLangDefinitionArray database;
  Bytes file;
  DatabaseKind kind = DatabaseKind::kCompiler;
};

TLangDefinitionArray Database(const std::vector<std::string>& patterns) {
  TLangDefinitionArray database(patterns.size() + 1);
  database[0].fields[0].assign("bench");
  for (std::size_t i = 0; i < patterns.size(); ++i) database[i + 1].fields[0].assign(patterns[i]);
  return database;
}

// The most common byte of `bytes` and a second byte that never follows it.
std::pair<std::uint8_t, std::uint8_t> AbsentPairAfterCommonByte(const Bytes& bytes) {
  std::vector<std::size_t> single(256), pairs(65536);
  for (std::size_t i = 0; i + 1 < bytes.size(); ++i) {
    ++single[bytes[i]];
    ++pairs[bytes[i] << 8 | bytes[i + 1]];
  }
  std::vector<int> order(256);
  for (int b = 0; b < 256; ++b) order[b] = b;
  std::sort(order.begin(), order.end(), [&](int a, int b) { return single[a] > single[b]; });
  for (int first : order) {
    for (int second = 0; second < 256; ++second) {
      if (pairs[first << 8 | second] == 0)
        return {static_cast<std::uint8_t>(first), static_cast<std::uint8_t>(second)};
    }
  }
  return {0, 0};
}

// `copies` records of one 2-byte pattern that never occurs, its first byte
// the file's most common.
Shape CopiesOfOneShortPattern(const Bytes& real, std::size_t copies) {
  const auto [first, second] = AbsentPairAfterCommonByte(real);
  return {"copies of one 2-byte pattern",
          Database(std::vector<std::string>(copies, {char(first), char(second)})), real};
}

// Distinct 2- and 3-byte patterns all starting with the file's most common
// byte, those that never occur first.
Shape ShortPatternsOfOneFirstByte(const Bytes& real, std::size_t count) {
  const std::uint8_t first = AbsentPairAfterCommonByte(real).first;
  std::vector<bool> seen(65536 * 256);
  for (std::size_t i = 0; i + 2 < real.size(); ++i) {
    if (real[i] == first) seen[real[i + 1] << 8 | real[i + 2]] = true;
  }
  std::vector<std::string> absent, present;
  for (unsigned rest = 0; rest < 65536 && absent.size() + present.size() < count; ++rest) {
    std::string pattern = {char(first), char(rest >> 8), char(rest & 0xFF)};
    (seen[rest] ? present : absent).push_back(pattern);
  }
  for (unsigned second = 0; second < 256; ++second) absent.push_back({char(first), char(second)});
  absent.insert(absent.end(), present.begin(), present.end());
  absent.resize(std::min(absent.size(), count));
  return {"2-, 3-byte patterns, one first byte", Database(absent), real};
}

// Patterns whose rarest windows are distinct but fall in one hash bucket of
// the index, in a file made of those windows.
Shape WindowsInOneBucket(std::size_t count) {
  constexpr std::uint32_t kInverse = [] {  // of the bucket multiplier, mod 2^32
    std::uint32_t x = vantric::CandidateFilter::kBucketMultiplier;
    for (int i = 0; i < 5; ++i) x *= 2 - vantric::CandidateFilter::kBucketMultiplier * x;
    return x;
  }();
  auto rare = [](std::uint8_t b) {
    return !((b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || b == 0 || b == 0xFF || b == 0x20 ||
             b == 0xCC || b == 0x90 || b == 0x01 || b == 0x8B || b == 0x89 || b == 0x48 || b == 0xE8);
  };
  const std::string tails = {'\0', '\xFF', ' ', '\xCC', '\x90', '\x01', '\x8B', '\x89', '\x48', '\xE8'};
  // The index sizes its hash by the number of distinct windows.
  std::vector<std::uint32_t> windows;
  for (unsigned bits = 10; bits <= 22; ++bits) {
    windows.clear();
    for (std::uint32_t low = 0; low < (1u << (32 - bits)); ++low) {
      const std::uint32_t window = low * kInverse;  // bucket 0
      std::uint8_t b[4];
      std::memcpy(b, &window, 4);
      if (rare(b[0]) && rare(b[1]) && rare(b[2]) && rare(b[3]) && b[0] != b[1] && b[1] != b[2] &&
          b[2] != b[3])
        windows.push_back(window);
    }
    const std::size_t wanted = std::min(windows.size(), count);
    if (std::clamp<unsigned>(std::bit_width(wanted * 64), wanted < 64 ? 10 : 16, 22) == bits) {
      windows.resize(wanted);
      break;
    }
  }
  std::vector<std::string> patterns;
  for (std::size_t t = 0; patterns.size() < count; ++t) {
    for (std::uint32_t window : windows) {
      std::string pattern(reinterpret_cast<const char*>(&window), 4);
      pattern += tails[t % tails.size()];
      pattern += tails[t / tails.size() % tails.size()];
      if (t >= tails.size() * tails.size()) pattern += tails[t / 100 % tails.size()];
      patterns.push_back(pattern);
      if (patterns.size() == count) break;
    }
  }
  Bytes file;
  std::mt19937 random(3);
  while (file.size() < (16u << 20)) {
    const std::uint32_t window = windows[random() % windows.size()];
    file.insert(file.end(), reinterpret_cast<const std::uint8_t*>(&window),
                reinterpret_cast<const std::uint8_t*>(&window) + 4);
    file.push_back(0x42);
  }
  return {"windows in one hash bucket", Database(patterns), file};
}

// 80-byte patterns of zeros but for one rare window, at each of its 77
// offsets, told apart by a last byte; in a file of zeros holding the window
// every 80 bytes.
Shape OneWindowAtEveryOffset(std::size_t count) {
  const std::string window = "\x11\x12\x13\x14";
  std::vector<std::string> patterns;
  for (std::size_t i = 0; patterns.size() < count; ++i) {
    const std::size_t offset = i % 77;
    std::string pattern(80, '\0');
    pattern.replace(offset, 4, window);
    const std::size_t tag = i / 77;
    pattern[offset < 40 ? 79 : 0] = static_cast<char>(1 + tag % 255);
    pattern[offset < 40 ? 78 : 1] = static_cast<char>(1 + tag / 255 % 255);
    pattern[offset < 40 ? 77 : 2] = static_cast<char>(1 + tag / 255 / 255);
    patterns.push_back(pattern);
  }
  Bytes file(16u << 20, 0);
  for (std::size_t at = 40; at + 4 < file.size(); at += 80) std::memcpy(file.data() + at, window.data(), 4);
  return {"one window at 77 offsets", Database(patterns), file};
}

// Patterns sharing one window at one offset (a crowd): 11 12 13 14 and 17
// bytes of 00 or FF, in a file of 11 12 13 14 01.
Shape OneWindowAtOneOffset(std::size_t count) {
  std::mt19937 random(5);
  std::vector<std::string> patterns;
  for (std::size_t i = 0; i < count; ++i) {
    std::string pattern = "\x11\x12\x13\x14";
    for (int j = 0; j < 17; ++j) pattern += random() % 2 ? '\xFF' : '\0';
    patterns.push_back(pattern);
  }
  Bytes file;
  while (file.size() < (16u << 20)) file.insert(file.end(), {0x11, 0x12, 0x13, 0x14, 0x01});
  return {"one window at one offset", Database(patterns), file};
}

// One compression pattern with limits 1 to `count` and one record that
// searches the whole file, in a file that holds the pattern only past every
// limit.
Shape OnePatternManyLimits(std::size_t count) {
  Shape shape{"one pattern, many limits",
              Database(std::vector<std::string>(count, "\x11\x12\x13\x14\0\xFF")),
              {},
              DatabaseKind::kCompression};
  shape.database[0].fields[0].assign("bench");
  for (std::size_t i = 1; i <= count; ++i) {
    shape.database[i].fields[0].assign(std::string("\x11\x12\x13\x14\0\xFF", 6));
    shape.database[i].fields[vantric::kSearchLimitField].assign(std::to_string(i));
  }
  shape.database.emplace_back().fields[0].assign("never there");
  shape.file.assign(count + 100, 0);
  while (shape.file.size() < (16u << 20))
    shape.file.insert(shape.file.end(), {0x11, 0x12, 0x13, 0x14, 0x00, 0xFF, 0x01});
  return shape;
}

// Random patterns of 4 to 80 bytes: the ordinary database of this size.
Shape RandomPatterns(const Bytes& real, std::size_t count) {
  std::mt19937 random(9);
  std::vector<std::string> patterns;
  for (std::size_t i = 0; i < count; ++i) {
    std::string pattern(4 + random() % 77, '\0');
    for (char& c : pattern) c = static_cast<char>(random());
    patterns.push_back(pattern);
  }
  return {"random patterns", Database(patterns), real};
}

double Rate(const Shape& shape, std::size_t& winner, double& build) {
  const auto start = Clock::now();
  const SignatureIndex index(shape.database, shape.kind);
  build = Seconds(start);
  double best = 1e300;
  const auto begin = Clock::now();
  for (int run = 0; run < 3 || Seconds(begin) < 0.5; ++run) {
    const auto scan = Clock::now();
    winner = index.FirstMatch(shape.file);
    best = std::min(best, Seconds(scan));
  }
  return shape.file.size() / kMiB / best;
}

void Report(const Shape& shape, double reference) {
  std::size_t winner = 0;
  double build = 0;
  const double rate = Rate(shape, winner, build);
  std::printf("  %-38s %8zu %6zu %10.0f %8.2f", shape.name.c_str(), shape.database.size() - 1,
              shape.file.size() >> 20, rate, build);
  if (reference > 0) std::printf("  %.2f of random's rate", rate / reference);
  std::printf("\n");
}

}  // namespace

int main(int argc, char** argv) {
  const auto [quick, folder] =
      bench::ParseArguments(argc, argv, "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows");
  bool fromFolder = false;
  const Bytes real = bench::Haystack(folder, 16u << 20, fromFolder);
  if (!fromFolder) std::printf("no PE files in %s: random bytes stand in for them\n", folder.c_str());
  std::printf("%-40s %8s %6s %10s %8s\n", "  shape", "records", "MiB", "MiB/s", "build s");
  std::printf("the shapes of hostile databases:\n");
  Report(CopiesOfOneShortPattern(real, 100000), 0);
  Report(ShortPatternsOfOneFirstByte(real, 60000), 0);
  Report(WindowsInOneBucket(59000), 0);
  Report(OneWindowAtEveryOffset(1155), 0);
  Report(OneWindowAtOneOffset(100000), 0);
  Report(OnePatternManyLimits(100000), 0);
  if (quick) return 0;

  std::printf("\n1,000,000 records, against a random database:\n");
  constexpr std::size_t kMillion = 1000000;
  std::size_t winner = 0;
  double build = 0;
  const Shape random = RandomPatterns(real, kMillion);
  const double reference = Rate(random, winner, build);
  Report(random, 0);
  Report(CopiesOfOneShortPattern(real, kMillion), reference);
  Report(ShortPatternsOfOneFirstByte(real, kMillion), reference);
  Report(WindowsInOneBucket(kMillion), reference);
  Report(OneWindowAtEveryOffset(kMillion), reference);
  Report(OneWindowAtOneOffset(kMillion), reference);
  Report(OnePatternManyLimits(kMillion), reference);
  return 0;
}
