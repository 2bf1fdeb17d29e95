#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "sigdb/database.h"
#include "tools/vntdb/lint.h"
#include "tools/vntdb/signature_source.h"

namespace vantric::vntdb {
namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

TLangDefinitionArray Records(const SignatureSource& source) {
  TLangDefinitionArray records;
  for (const LocatedRecord& r : source.records) records.push_back(r.record);
  return records;
}

std::vector<std::string> Messages(const std::vector<Diagnostic>& diagnostics) {
  std::vector<std::string> out;
  for (const Diagnostic& d : diagnostics) out.push_back(d.where + ": " + d.message);
  return out;
}

TEST(SignatureSource, ReadsHeaderRecordsEscapesAndHex) {
  auto source = ParseSignatureSource(R"(# comment
kind compression
version "2.0"   # trailing comment
date "2026-12-08"

record
  pattern "A\x00\\\"" <90 90>
  limit "$400"
  program "P#1"
  url "http://p"
record
  pattern <4D5A>
)",
                                     "db.sig");
  ASSERT_TRUE(source.errors.empty()) << Messages(source.errors).front();
  EXPECT_EQ(source.kind, DatabaseKind::kCompression);
  ASSERT_EQ(source.records.size(), 3u);
  EXPECT_EQ(HeaderVersion(Records(source)), "2.0");
  EXPECT_EQ(HeaderDate(Records(source)), "2026-12-08");
  const TLangDefinition& first = source.records[1].record;
  EXPECT_EQ(first.fields[0].str(), std::string("A\0\\\"\x90\x90", 6));
  EXPECT_EQ(first.fields[1].str(), "$400");
  EXPECT_EQ(first.fields[2].str(), "P#1");
  EXPECT_EQ(first.fields[3].str(), "");
  EXPECT_EQ(source.records[1].where, "db.sig:6");
  EXPECT_EQ(source.records[2].record.fields[0].str(), "MZ");
}

TEST(SignatureSource, ErrorsNameFileLineAndProblem) {
  struct Case {
    const char* body;
    const char* expected;
  } cases[] = {
      {"record\n  pattern \"\"\n", "s.sig:3: empty pattern: it would never match"},
      {"record\n  language \"C\"\n", "s.sig:2: record has no pattern"},
      {"record\n  pattern \"\\q\"\n", "s.sig:3: pattern: bad escape \\q"},
      {"record\n  pattern \"\\x4\"\n", "s.sig:3: pattern: bad escape: \\x needs two hex digits"},
      {"record\n  pattern \"abc\n", "s.sig:3: pattern: unterminated string"},
      {"record\n  pattern <4D 5>\n", "s.sig:3: pattern: bad hex byte"},
      {"record\n  pattern \"x\"\n  pattern \"y\"\n", "s.sig:4: 'pattern' given twice"},
      {"record\n  pattern \"x\"\n  limit \"10\"\n", "s.sig:4: unknown key 'limit' in a record"},
      {"record\n  pattern \"x\" junk\n", "s.sig:3: pattern: expected a \"quoted\" or <hex> value"},
      {"version\n", "s.sig:2: version: missing value"},
  };
  for (const Case& c : cases) {
    auto source = ParseSignatureSource(std::string("kind compiler\n") + c.body, "s.sig");
    ASSERT_FALSE(source.errors.empty()) << c.body;
    EXPECT_TRUE(Messages(source.errors).front().starts_with(c.expected))
        << "got: " << Messages(source.errors).front() << "\nwant: " << c.expected;
  }

  std::string longField = "kind compiler\nrecord\n  pattern \"" + std::string(81, 'a') + "\"\n";
  EXPECT_EQ(Messages(ParseSignatureSource(longField, "s.sig").errors).front(),
            "s.sig:3: pattern is 81 bytes long; a field holds at most 80");

  auto badLimit =
      ParseSignatureSource("kind compression\nrecord\n  pattern \"x\"\n  limit \"10 \"\n", "c.sig");
  EXPECT_TRUE(Messages(badLimit.errors).front().starts_with("c.sig:4: unparsable limit \"10 \""));

  auto noKind = ParseSignatureSource("record\n  pattern \"x\"\n", "n.sig");
  EXPECT_TRUE(Messages(noKind.errors).front().starts_with("n.sig:1: 'kind compiler' or 'kind compression'"));
}

// However broken a source, the problems listed stay few and short: the parse
// stops after a thousand, and a quoted line is cut, not copied whole.
TEST(SignatureSource, ListsFewShortProblemsHoweverBrokenTheSource) {
  std::string broken = "kind compiler\n";
  for (int line = 0; line < 2000; ++line) broken += std::string(1000, '?') + "\n";
  auto problems = Messages(ParseSignatureSource(broken, "b.sig").errors);
  ASSERT_EQ(problems.size(), 1001u);
  EXPECT_EQ(problems[0], "b.sig:2: expected a key, found '" + std::string(80, '?') + "\xE2\x80\xA6' (1000 bytes)");
  EXPECT_EQ(problems[1000], "b.sig:1002: more than 1000 problems; the rest is not read");
}

// Source text quoted in a message is cut to 80 bytes, never inside a UTF-8
// sequence, with the length it had; a line of megabytes gives a short message.
TEST(SignatureSource, QuotesLongSourceTextCut) {
  const std::string eAcute = "\xC3\xA9";
  struct Case {
    std::string text;
    std::string expected;
  } cases[] = {
      {"", "''"},
      {std::string(80, 'a'), "'" + std::string(80, 'a') + "'"},
      {std::string(81, 'a'), "'" + std::string(80, 'a') + "\xE2\x80\xA6' (81 bytes)"},
      {std::string(79, 'a') + eAcute, "'" + std::string(79, 'a') + "\xE2\x80\xA6' (81 bytes)"},
      {std::string(78, 'a') + eAcute + "b", "'" + std::string(78, 'a') + eAcute + "\xE2\x80\xA6' (81 bytes)"},
  };
  for (const Case& c : cases) EXPECT_EQ(Excerpt(c.text), c.expected) << c.text.size();

  // Keys are cut too: nothing else limits their length.
  auto problems = Messages(
      ParseSignatureSource("kind compiler\nrecord\n  " + std::string(10'000'000, 'k') + " \"x\"\n", "s.sig").errors);
  EXPECT_EQ(problems.front(),
            "s.sig:3: unknown key '" + std::string(80, 'k') + "\xE2\x80\xA6' (10000000 bytes) in a record");
}

// Every byte value in every field, a raw unparsable limit and raw header
// fields must all survive text form and back.
TEST(SignatureSource, WriteThenParseGivesTheSameRecords) {
  for (DatabaseKind kind : {DatabaseKind::kCompiler, DatabaseKind::kCompression}) {
    TLangDefinitionArray records(4);
    records[0].fields[0].assign("v1");
    records[0].fields[3].assign("extra header text");
    std::string allBytes;
    for (int b = 0; b < 256; ++b) allBytes += static_cast<char>(b);
    for (std::size_t f = 0; f < 5; ++f) records[1].fields[f].assign(allBytes.substr(f * 50, 80));
    records[2].fields[0].assign("printable \"quoted\" \\ text");
    records[2].fields[1].assign("$10");
    records[3].fields[1].assign("not a number");  // pattern left empty on purpose

    std::string text = WriteSignatureSource(records, kind);
    auto parsed = ParseSignatureSource(text, "rt.sig");
    ASSERT_TRUE(parsed.errors.empty()) << Messages(parsed.errors).front() << "\n" << text;
    EXPECT_EQ(parsed.kind, kind);
    EXPECT_EQ(SerializeDatabase(Records(parsed)), SerializeDatabase(records)) << text;
  }
  // A database with no records at all stays without a header.
  EXPECT_TRUE(ParseSignatureSource(WriteSignatureSource({}, DatabaseKind::kCompiler), "e").records.empty());
}

std::vector<std::string> Lint(const std::string& text, DatabaseKind kind) {
  auto source = ParseSignatureSource(text, "l.sig");
  EXPECT_TRUE(source.errors.empty()) << Messages(source.errors).front();
  return Messages(LintRecords(source.records, kind));
}

TEST(Lint, CompilerDatabase) {
  auto problems = Lint(R"(kind compiler
record
  pattern "Borland"
record
  pattern "Borland C++"
record
  pattern "Delphi"
record
  pattern "Borland"
record
  pattern "Delphi 7"
)",
                       DatabaseKind::kCompiler);
  ASSERT_EQ(problems.size(), 3u);
  EXPECT_EQ(problems[0], "l.sig:4: never wins: the pattern of the record at l.sig:2 lies inside this one");
  EXPECT_EQ(problems[1], "l.sig:8: duplicate pattern: the record at l.sig:2 has the same");
  EXPECT_EQ(problems[2], "l.sig:10: never wins: the pattern of the record at l.sig:6 lies inside this one");
  EXPECT_TRUE(
      Lint("kind compiler\nrecord\n  pattern \"ab\"\nrecord\n  pattern \"ba\"\n", DatabaseKind::kCompiler)
          .empty());
}

// An earlier compression record only hides a later one when its limit
// reaches every place where the later one could match.
TEST(Lint, CompressionDatabaseHonoursLimits) {
  auto lint = [](const char* earlierLimit, const char* laterLimit, const char* laterPattern = "xUPX") {
    std::string text = "kind compression\nrecord\n  pattern \"UPX\"\n";
    if (*earlierLimit) text += std::string("  limit \"") + earlierLimit + "\"\n";
    text += std::string("record\n  pattern \"") + laterPattern + "\"\n";
    if (*laterLimit) text += std::string("  limit \"") + laterLimit + "\"\n";
    return Lint(text, DatabaseKind::kCompression);
  };
  EXPECT_EQ(lint("", "").size(), 1u);  // earlier searches everywhere
  EXPECT_EQ(lint("", "16").size(), 1u);
  EXPECT_EQ(lint("-1", "16").size(), 1u);   // negative: the whole file
  EXPECT_TRUE(lint("16", "").empty());      // later may match beyond 16
  EXPECT_TRUE(lint("16", "16").empty());    // later at 15 puts UPX at 16, out of reach
  EXPECT_TRUE(lint("17", "16").empty());    // a 16-byte file skips the earlier record
  EXPECT_EQ(lint("3", "1").size(), 1u);     // later only at 0, so UPX at 1 in files of 4+
  EXPECT_TRUE(lint("1000", "16").empty());  // skipped in files of 16..999 bytes
  // Exact duplicates are reported even where the limits let both match.
  EXPECT_EQ(lint("16", "", "UPX"),
            std::vector<std::string>{"l.sig:5: duplicate pattern: the record at l.sig:2 has the same"});
  auto zero = lint("", "0", "other");
  ASSERT_EQ(zero.size(), 1u);
  EXPECT_EQ(zero[0], "l.sig:4: limit 0 never matches");
}

TEST(Lint, CrowdsSharingTheirRarestBytes) {
  for (const int count : {63, 64}) {
    std::string text = "kind compiler\nrecord\n  pattern \"MZ\"\n";
    for (int i = 0; i < count; ++i) {
      text += "record\n  pattern <11 12 13 14";
      for (int bit = 0; bit < 7; ++bit) text += i >> bit & 1 ? " FF" : " 00";
      text += ">\n";
    }
    const std::vector<std::string> expected =
        count < 64 ? std::vector<std::string>{}
                   : std::vector<std::string>{
                         "l.sig:4: 64 patterns, from this one on, share their rarest bytes "
                         "<11 12 13 14>: files full of those bytes scan slowly"};
    EXPECT_EQ(Lint(text, DatabaseKind::kCompiler), expected);
  }
}

TEST(Lint, DatabaseFileProblems) {
  TLangDefinitionArray records(3);
  records[2].fields[0].assign("p");
  records[2].fields[1].assign("soon");
  std::vector<LocatedRecord> located;
  for (std::size_t i = 0; i < records.size(); ++i) located.push_back({records[i], "r" + std::to_string(i)});
  auto problems = Messages(LintRecords(located, DatabaseKind::kCompression));
  ASSERT_EQ(problems.size(), 2u);
  EXPECT_EQ(problems[0], "r1: empty pattern never matches");
  EXPECT_EQ(problems[1], "r2: limit \"soon\" is not a number, so the whole file is searched");
}

TEST(Lint, DamageThatLoadingHides) {
  std::string image = SerializeDatabase(TLangDefinitionArray(2));
  image[kRecordSize + 81] = static_cast<char>(200);  // record 1, field 1
  EXPECT_TRUE(CheckDatabaseImage(image, "d.vnt").size() == 1);
  auto problems = Messages(CheckDatabaseImage(image + "xyz", "d.vnt"));
  ASSERT_EQ(problems.size(), 2u);
  EXPECT_EQ(problems[0], "d.vnt: record 1: field 1 claims 200 characters; a field holds at most 80");
  EXPECT_EQ(problems[1], "d.vnt: 3 stray bytes after the last whole record");
  EXPECT_TRUE(CheckDatabaseImage(SerializeDatabase(TLangDefinitionArray(3)), "ok.vnt").empty());
}

// The databases we ship are built from their sources; they must not drift.
TEST(ShippedDatabases, EqualAFreshBuildOfTheirSources) {
  for (const char* name : {"vantric", "compression"}) {
    std::string base = std::string(VANTRIC_SOURCE_DIR) + "/data/" + name;
    std::string text = ReadFile(base + ".sig");
    ASSERT_FALSE(text.empty()) << base;
    auto source = ParseSignatureSource(text, base + ".sig");
    ASSERT_TRUE(source.errors.empty()) << Messages(source.errors).front();
    EXPECT_TRUE(LintRecords(source.records, source.kind).empty()) << name;
    EXPECT_EQ(SerializeDatabase(Records(source)), ReadFile(base + ".vnt"))
        << "data/" << name << ".vnt is stale: rebuild it with vntdb build";
  }
}

}  // namespace
}  // namespace vantric::vntdb
