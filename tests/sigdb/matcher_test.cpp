#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <memory>
#include <random>

#include "platform/io_error.h"
#include "sigdb/candidate_filter.h"
#include "sigdb/file_scan.h"
#include "sigdb/reference_matcher.h"
#include "sigdb/signature_database.h"

namespace vantric {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes ToBytes(std::string_view text) { return Bytes(text.begin(), text.end()); }

struct Signature {
  std::string pattern;
  std::string limit = {};  // compression only
};

TLangDefinitionArray Database(const std::vector<Signature>& signatures, DatabaseKind kind) {
  TLangDefinitionArray database(signatures.size() + 1);
  database[0].fields[0].assign("header");
  for (std::size_t i = 0; i < signatures.size(); ++i) {
    TLangDefinition& record = database[i + 1];
    record.fields[kPatternField].assign(signatures[i].pattern);
    if (kind == DatabaseKind::kCompression) record.fields[kSearchLimitField].assign(signatures[i].limit);
    record.fields[2].assign("name " + std::to_string(i + 1));
  }
  return database;
}

// The file scan reads `file` through this, in pieces of random size, and
// must never ask for more than `size` bytes in all.
ReadBytes ReaderOf(const Bytes& file, std::uint64_t size, std::mt19937& random) {
  auto offset = std::make_shared<std::size_t>(0);
  return [&file, size, &random, offset](std::uint8_t* into, std::size_t count) {
    EXPECT_LE(*offset + count, size) << "read past the size";
    count = std::min({count, file.size() - std::min(*offset, file.size()), std::size_t{1} + random() % 300});
    std::copy_n(file.begin() + static_cast<std::ptrdiff_t>(*offset), count, into);
    *offset += count;
    return count;
  };
}

// The plain scan, the index on the whole file and the scan a window at a
// time (of `window` bytes) must agree; returns the winner. The scan a window
// at a time searches the signatures as both kinds of database at once, as
// the analysis does, and each must agree with its plain scan.
std::size_t Winner(const std::vector<Signature>& signatures, DatabaseKind kind, const Bytes& buffer,
                   std::size_t window = 1) {
  TLangDefinitionArray database = Database(signatures, kind);
  const std::size_t reference = ReferenceFirstMatch(database, kind, buffer);
  EXPECT_EQ(SignatureIndex(database, kind).FirstMatch(buffer), reference) << "whole file";

  const TLangDefinitionArray compressionRecords = Database(signatures, DatabaseKind::kCompression);
  const TLangDefinitionArray compilerRecords = Database(signatures, DatabaseKind::kCompiler);
  const SignatureDatabase compressions(compressionRecords, static_cast<int>(compressionRecords.size()),
                                       DatabaseKind::kCompression);
  const SignatureDatabase compilers(compilerRecords, static_cast<int>(compilerRecords.size()),
                                    DatabaseKind::kCompiler);
  static std::mt19937 random(7);
  const ScanWinners streamed = ScanFile(ReaderOf(buffer, buffer.size(), random), buffer.size(),
                                        ScanPair(compressions, compilers), {}, window);
  auto number = [](const TLangDefinition* winner, const SignatureDatabase& in) {
    return winner ? static_cast<std::size_t>(winner - in.Records().data()) : 0;
  };
  EXPECT_EQ(number(streamed.compression, compressions),
            ReferenceFirstMatch(compressionRecords, DatabaseKind::kCompression, buffer))
      << "compression, window " << window;
  EXPECT_EQ(number(streamed.compiler, compilers),
            ReferenceFirstMatch(compilerRecords, DatabaseKind::kCompiler, buffer))
      << "compiler, window " << window;
  return reference;
}

TEST(ContainsPattern, BoundsAndEmptyPatterns) {
  Bytes buffer = ToBytes("0123456789");
  EXPECT_TRUE(ContainsPattern("0", buffer, 1));
  EXPECT_FALSE(ContainsPattern("1", buffer, 1));
  EXPECT_TRUE(ContainsPattern("89", buffer, 9));    // starts below the bound
  EXPECT_TRUE(ContainsPattern("789", buffer, 8));   // and may run past it
  EXPECT_FALSE(ContainsPattern("9X", buffer, 10));  // but never past the end
  EXPECT_FALSE(ContainsPattern("", buffer, 10));
  EXPECT_FALSE(ContainsPattern("0", buffer, 0));
  EXPECT_FALSE(ContainsPattern("0", buffer, -5));
  EXPECT_FALSE(ContainsPattern(std::string(80, '0'), buffer, 10));
}

TEST(Matcher, EdgeCases) {
  constexpr auto kCompiler = DatabaseKind::kCompiler;
  constexpr auto kCompression = DatabaseKind::kCompression;
  using namespace std::string_view_literals;
  const Bytes file = ToBytes("MZ..ABC...ABC...XYZ\0end"sv);  // 23 bytes
  std::string withZero("Z\0e", 3);
  struct Case {
    const char* name;
    DatabaseKind kind;
    std::vector<Signature> signatures;
    std::size_t winner;
  } cases[] = {
      {"pattern occurring twice", kCompiler, {{"ABC"}}, 1},
      {"first record wins whatever the offsets", kCompiler, {{"nope"}, {"XYZ"}, {"MZ"}}, 2},
      {"no record matches", kCompiler, {{"QQQ"}, {"end!"}}, 0},
      {"empty pattern never matches", kCompiler, {{""}, {"end"}}, 2},
      {"zero byte inside a pattern", kCompiler, {{withZero}}, 1},
      {"pattern running past the end", kCompiler, {{"endX"}}, 0},
      {"pattern longer than the file", kCompiler, {{std::string(80, 'M')}}, 0},
      {"limit 0 never matches", kCompression, {{"MZ", "0"}, {"ABC", ""}}, 2},
      {"limit 1 matches at offset 0", kCompression, {{"MZ", "1"}}, 1},
      {"limit 1 misses offset 1", kCompression, {{"Z.", "1"}}, 0},
      {"limit equal to the size searches all", kCompression, {{"end", "23"}}, 1},
      {"limit above the size skips the record", kCompression, {{"MZ", "24"}, {"XYZ", "$17"}}, 2},
      {"letters search the whole file", kCompression, {{"end", "abc"}}, 1},
      {"empty limit searches the whole file", kCompression, {{"end", ""}}, 1},
      {"number and blank searches the whole file", kCompression, {{"end", "3 "}}, 1},
      {"negative limit searches the whole file", kCompression, {{"end", "-1"}}, 1},
      {"hex limit like its decimal value", kCompression, {{"ABC", "$4"}, {"ABC", "$5"}}, 2},
      {"match starting within the limit may end beyond it", kCompression, {{"ABC...XYZ", "11"}}, 1},
      {"match starting at the limit is out", kCompression, {{"XYZ", "16"}, {"XYZ", "17"}}, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Winner(c.signatures, c.kind, file), c.winner);
  }
  // The smallest file the analysis scans, with an 80-byte pattern.
  EXPECT_EQ(Winner({{std::string(80, 'A')}}, kCompiler, Bytes(10, 'A')), 0u);
}

// Random files full of zero runs and few byte values, so that patterns
// taken from them, mutated or not, match often and at all kinds of places.
class Differential : public ::testing::Test {
 protected:
  std::mt19937 random_{20261208};
  std::size_t window_ = 1;  // of the scan a window at a time, new each round

  void NewWindow() { window_ = Uniform(1, 120); }

  std::size_t Uniform(std::size_t low, std::size_t high) {
    return std::uniform_int_distribution<std::size_t>(low, high)(random_);
  }

  Bytes RandomBuffer() {
    Bytes buffer(Uniform(0, 600));
    for (std::size_t i = 0; i < buffer.size();) {
      std::size_t run = Uniform(1, 24);
      bool zeros = Uniform(0, 2) == 0;
      for (std::size_t j = 0; j < run && i < buffer.size(); ++j, ++i) {
        buffer[i] = zeros ? 0 : static_cast<std::uint8_t>("\x00\x01\x41\x42\x43\xFF"[Uniform(0, 5)]);
      }
    }
    return buffer;
  }

  std::string RandomPattern(const Bytes& buffer, const std::vector<Signature>& earlier) {
    switch (Uniform(0, 5)) {
      case 0:  // a duplicate, or an earlier pattern with a prefix
        if (!earlier.empty()) {
          std::string base = earlier[Uniform(0, earlier.size() - 1)].pattern;
          return Uniform(0, 1) ? base : std::string(1, static_cast<char>(Uniform(0, 2) * 0x41)) + base;
        }
        [[fallthrough]];
      case 1:
      case 2: {  // a slice of the file, at its very end now and then
        if (buffer.empty()) return "A";
        std::size_t length = Uniform(1, std::min<std::size_t>(80, buffer.size()));
        std::size_t start = Uniform(0, 3) == 0 ? buffer.size() - length : Uniform(0, buffer.size() - length);
        std::string slice(buffer.begin() + start, buffer.begin() + start + length);
        if (Uniform(0, 3) == 0) slice[Uniform(0, slice.size() - 1)] ^= 1;  // near miss
        return slice;
      }
      case 3: return std::string(Uniform(1, 80), '\0');
      case 4: return "";
      default: {
        std::string random(Uniform(1, 12), '\0');
        for (char& c : random) c = "\x00\x01\x41\x42\x43\xFF"[Uniform(0, 5)];
        return random;
      }
    }
  }

  std::string RandomLimit(std::size_t size) {
    switch (Uniform(0, 9)) {
      case 0: return "0";
      case 1: return "1";
      case 2: return std::to_string(size);
      case 3: return std::to_string(size + 1);
      case 4: return "-" + std::to_string(Uniform(1, 100));
      case 5: {
        char hex[16];
        std::snprintf(hex, sizeof hex, "$%zX", Uniform(0, size + 2));
        return hex;
      }
      case 6: return Uniform(0, 1) ? "garbage" : "";
      case 7: return "$FFFFFFF0";
      case 8: return std::to_string(window_ * Uniform(1, 4) + Uniform(0, 2) - 1);  // at a window's edge
      default: return std::to_string(Uniform(0, size + 2));
    }
  }
};

TEST_F(Differential, IndexAgreesWithThePlainScan) {
  std::size_t matched = 0;
  for (int round = 0; round < 4000; ++round) {
    const DatabaseKind kind = round % 2 ? DatabaseKind::kCompression : DatabaseKind::kCompiler;
    NewWindow();
    Bytes buffer = RandomBuffer();
    std::vector<Signature> signatures(Uniform(0, 40));
    for (std::size_t i = 0; i < signatures.size(); ++i) {
      signatures[i].pattern = RandomPattern(buffer, {signatures.begin(), signatures.begin() + i});
      signatures[i].limit = RandomLimit(buffer.size());
    }
    // Another file of similar make, so that some rounds find nothing.
    if (round % 5 == 0) buffer = RandomBuffer();
    SCOPED_TRACE("round " + std::to_string(round));
    matched += Winner(signatures, kind, buffer, window_) != 0;
    if (HasFailure()) break;
  }
  // The generator must really exercise both outcomes.
  EXPECT_GT(matched, 1000u);
  EXPECT_LT(matched, 3800u);
}

// Many patterns sharing a first byte or a zero prefix, in a file of zero runs:
// the case where a naive filter drowns.
TEST_F(Differential, SharedPrefixesAndZeroRuns) {
  for (int round = 0; round < 200; ++round) {
    NewWindow();
    Bytes buffer(4096, 0);
    for (std::size_t i = 0; i < buffer.size(); i += Uniform(20, 300))
      buffer[i] = static_cast<std::uint8_t>(Uniform(1, 255));
    std::vector<Signature> signatures;
    for (int i = 0; i < 300; ++i) {
      std::string pattern(Uniform(0, 8), '\0');
      pattern += std::string(Uniform(1, 6), static_cast<char>(Uniform(1, 255)));
      signatures.push_back({pattern, RandomLimit(buffer.size())});
    }
    SCOPED_TRACE("round " + std::to_string(round));
    Winner(signatures, round % 2 ? DatabaseKind::kCompression : DatabaseKind::kCompiler, buffer, window_);
    if (HasFailure()) break;
  }
}

// A hostile database: hundreds of patterns that share one rare window, in
// files full of that window. The index searches them in one walk and must
// still give the plain scan's answer, the lowest matching record.
TEST_F(Differential, CrowdsSharingOneWindow) {
  const std::string window = "\x11\x12\x13\x14";
  const char tails[] = "\x00\xFF\x01";
  for (int round = 0; round < 60; ++round) {
    NewWindow();
    std::vector<Signature> signatures;
    for (int i = 0; i < 400; ++i) {
      std::string pattern = Uniform(0, 3) == 0 ? std::string(Uniform(1, 3), 'A') + window : window;
      for (std::size_t n = Uniform(0, 17); n > 0; --n) pattern += tails[Uniform(0, 2)];
      signatures.push_back({pattern, RandomLimit(4096)});
    }
    Bytes buffer;
    while (buffer.size() < 4096) {
      const std::string& piece = Uniform(0, 30) == 0 ? signatures[Uniform(0, 399)].pattern : window + "\x01";
      buffer.insert(buffer.end(), piece.begin(), piece.end());
      if (Uniform(0, 5) == 0) buffer.push_back(static_cast<std::uint8_t>(tails[Uniform(0, 2)]));
    }
    if (round % 4 == 0) buffer.resize(Uniform(0, 64));
    SCOPED_TRACE("round " + std::to_string(round));
    Winner(signatures, round % 2 ? DatabaseKind::kCompression : DatabaseKind::kCompiler, buffer, window_);
    if (HasFailure()) break;
  }
}

// The shapes of database that once made the scan crawl, small: copies of one
// pattern, short patterns of one first byte, windows that share a hash
// bucket, one window at every offset. The index files them differently from
// ordinary ones; answers must stay the plain scan's.
TEST_F(Differential, HostileShapes) {
  // Windows that all land in bucket 0 whatever the hash's size: multiples of
  // the bucket multiplier's inverse by numbers below 2^10.
  std::uint32_t inverse = CandidateFilter::kBucketMultiplier;
  for (int i = 0; i < 5; ++i) inverse *= 2 - CandidateFilter::kBucketMultiplier * inverse;
  auto collidingWindow = [&](std::uint32_t low) {
    const std::uint32_t window = low * inverse;
    return std::string(reinterpret_cast<const char*>(&window), 4);
  };
  const std::string window = "\x11\x12\x13\x14";
  const std::string letters("\x00\x01\x41\xFF", 4);
  auto letter = [&] { return letters[Uniform(0, 3)]; };

  for (int round = 0; round < 400; ++round) {
    NewWindow();
    std::vector<Signature> signatures;
    std::string file;
    auto add = [&](std::string pattern) { signatures.push_back({std::move(pattern), RandomLimit(2000)}); };
    switch (round % 4) {
      case 0:  // copies of a few short patterns
        for (int i = 0; i < 300; ++i)
          add(i % 3 ? std::string("\x01\x41") : std::string(Uniform(1, 3), letter()));
        for (int i = 0; i < 2000; ++i) file += letter();
        break;
      case 1:  // 1- to 3-byte patterns sharing a first byte
        for (int i = 0; i < 300; ++i) {
          std::string pattern = "\x41";
          for (std::size_t n = Uniform(0, 2); n > 0; --n) pattern += letter();
          add(pattern);
        }
        for (int i = 0; i < 2000; ++i) file += letter();
        break;
      case 2:  // distinct windows in one bucket, with tails
        for (int i = 0; i < 300; ++i) {
          std::string pattern = collidingWindow(static_cast<std::uint32_t>(Uniform(0, 60)));
          for (std::size_t n = Uniform(0, 3); n > 0; --n) pattern += letter();
          add(Uniform(0, 3) ? pattern : letter() + pattern);
        }
        while (file.size() < 2000)
          file += collidingWindow(static_cast<std::uint32_t>(Uniform(0, 60))) + letter();
        break;
      default:  // one window at every offset, among zeros and few letters
        for (int i = 0; i < 300; ++i) {
          std::string pattern(Uniform(4, 80), '\0');
          pattern.replace(Uniform(0, pattern.size() - 4), 4, window);
          for (std::size_t n = Uniform(0, 2); n > 0; --n) pattern[Uniform(0, pattern.size() - 1)] = letter();
          add(pattern);
        }
        while (file.size() < 2000) {
          file += Uniform(0, 20) ? std::string(Uniform(0, 90), '\0') + window
                                 : signatures[Uniform(0, signatures.size() - 1)].pattern;
        }
    }
    // Matches are common in these files: make the winner a late record now and then.
    if (Uniform(0, 1))
      std::rotate(signatures.begin(), signatures.begin() + Uniform(0, 299), signatures.end());
    SCOPED_TRACE("round " + std::to_string(round));
    Winner(signatures, round % 8 < 4 ? DatabaseKind::kCompiler : DatabaseKind::kCompression, ToBytes(file),
           window_);
    if (HasFailure()) break;
  }
}

// A test run made to cover one engine (scripts/test.sh runs the 32-bit suite
// once as detected and once on a CPU without AVX2) says which, and fails
// should the scan pick another.
TEST(CandidateFilter, TheScanUsesTheEngineThisRunIsFor) {
  const char* expected = std::getenv("VANTRIC_EXPECTED_ENGINE");
  if (expected == nullptr) GTEST_SKIP() << "VANTRIC_EXPECTED_ENGINE is not set";
  EXPECT_STREQ(CandidateFilter::Name(CandidateFilter::SupportedEngines().back()), expected);
}

// The scan's first stage, in each engine this machine runs, must stop where
// the plain loop does: bytes of few values at every alignment, filters from a
// few windows to nearly full, with short patterns and without, looking at
// every window or every other one, windows cut short of the bytes as the
// scan cuts them.
TEST(CandidateFilter, EveryEngineStopsWhereThePlainLoopDoes) {
  using Engine = CandidateFilter::Engine;
  std::mt19937 random(20240611);
  auto uniform = [&](std::size_t low, std::size_t high) {
    return std::uniform_int_distribution<std::size_t>(low, high)(random);
  };
  const std::uint8_t alphabet[] = {0x00, 0x41, 0xFF, 0x01, 0x8B, 0x90};
  std::size_t positions = 0;
  std::size_t passing = 0;
  for (int round = 0; round < 1500; ++round) {
    const auto hashBits = static_cast<unsigned>(uniform(10, 13));
    CandidateFilter filter(hashBits, static_cast<unsigned>(uniform(1, hashBits - 4)),
                           /*everyOther=*/uniform(0, 1) == 1);
    const std::size_t phase = uniform(0, 1);
    // Exactly as long as needed, so that the sanitizers catch a read past it.
    const std::size_t alignment = uniform(0, 63);
    const std::size_t length = uniform(0, 200);
    Bytes storage(alignment + length);
    const std::size_t letters = uniform(2, std::size(alphabet));
    for (std::size_t i = alignment; i < storage.size(); ++i) storage[i] = alphabet[uniform(0, letters - 1)];
    const std::uint8_t* bytes = storage.data() + alignment;

    const std::size_t windows = uniform(0, 1) ? uniform(0, 8) : uniform(0, std::size_t{2} << hashBits);
    for (std::size_t i = 0; i < windows; ++i) {
      std::uint32_t window = static_cast<std::uint32_t>(random());
      if (length >= 4 && uniform(0, 1)) std::memcpy(&window, bytes + uniform(0, length - 4), sizeof window);
      filter.AddWindow(window);
    }
    if (uniform(0, 2) == 0) {
      for (std::size_t n = uniform(1, 3); n > 0; --n) {
        filter.AddShortFirstByte(uniform(0, 1) ? alphabet[uniform(0, letters - 1)]
                                               : static_cast<std::uint8_t>(uniform(0, 255)));
      }
    }
    const std::size_t end = uniform(0, 3) == 0 ? uniform(0, length) : length;
    const std::size_t longEnd = std::min(end, length >= 4 ? length - 3 : 0);
    for (std::size_t at = 0; at <= end; ++at) {
      const std::size_t expected = filter.Next(Engine::kScalar, bytes, at, end, longEnd, phase);
      ++positions;
      passing += expected == at;
      for (const Engine engine : CandidateFilter::SupportedEngines()) {
        ASSERT_EQ(filter.Next(engine, bytes, at, end, longEnd, phase), expected)
            << CandidateFilter::Name(engine) << ", round " << round << ", from " << at;
      }
      ASSERT_EQ(filter.Next(bytes, at, end, longEnd, phase), expected)
          << "round " << round << ", from " << at;
    }
  }
  // Both outcomes, in good measure.
  EXPECT_GT(passing, positions / 10);
  EXPECT_GT(positions - passing, positions / 10);
}

// The file changes size between the sizing and the reading: a file cut short
// is an I/O error, never an answer from part of it; bytes a file grew by are
// never read, so the answer is that of the file as it was sized.
TEST(FileScan, AFileThatChangesWhileItIsRead) {
  const TLangDefinitionArray database = Database({{"END"}}, DatabaseKind::kCompiler);
  const SignatureDatabase compilers(database, 2, DatabaseKind::kCompiler);
  const SignatureDatabase none({}, 0, DatabaseKind::kCompression);
  Bytes file(3000, '.');
  std::copy_n("END", 3, file.begin() + 2000);
  std::mt19937 random(1);
  EXPECT_THROW(ScanFile(ReaderOf(Bytes(file.begin(), file.begin() + 1500), 3000, random), 3000,
                        ScanPair(none, compilers)),
               IoError);
  EXPECT_EQ(ScanFile(ReaderOf(file, 1000, random), 1000, ScanPair(none, compilers), {}, 64).compiler,
            nullptr);
  EXPECT_NE(ScanFile(ReaderOf(file, 3000, random), 3000, ScanPair(none, compilers), {}, 64).compiler,
            nullptr);
}

}  // namespace
}  // namespace vantric
