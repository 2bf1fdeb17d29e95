// Known traps of PE resource parsers, each on top of an otherwise sound file.
// Whatever the damage, the reader answers "not valid" or an empty value, and
// the test finishing at all shows that nothing looped.

#include <gtest/gtest.h>

#include <functional>

#include "tests/support/temp_dir.h"
#include "tests/verinfo/pe_builder.h"
#include "verinfo/version_info.h"

namespace vantric {
namespace {

using namespace vantric::testing;

VersionNode GoodBlock() {
  return StandardBlock(u"040904E4", 0x04E40409, {Text(u"Comments", u"fine"), Text(u"CompanyName", u"Good")});
}

struct FileCase {
  const char* name;
  std::function<void(std::string& file, const PeLayout& layout)> damage;
  bool valid;
  const char* company;  // expected CompanyName
};

void Truncate(std::string& file, std::size_t size) { file.resize(size); }

const FileCase kFileCases[] = {
    {"undamaged", [](std::string&, const PeLayout&) {}, true, "Good"},
    // Headers.
    {"cut inside the headers", [](std::string& f, const PeLayout&) { Truncate(f, 0x90); }, false, ""},
    {"cut inside the resource tree",
     [](std::string& f, const PeLayout& l) { Truncate(f, l.nameDirectory[0] + 4); }, false, ""},
    {"cut inside the version data", [](std::string& f, const PeLayout& l) { Truncate(f, l.data[0] + 20); },
     false, ""},
    {"PE header offset near 4 GiB", [](std::string& f, const PeLayout&) { Put32(f, 0x3C, 0xFFFFFFF0); },
     false, ""},
    {"65535 sections, table past the end", [](std::string& f, const PeLayout&) { Put16(f, 0x46, 0xFFFF); },
     false, ""},
    {"optional header too small for the directories",
     [](std::string& f, const PeLayout&) { Put16(f, 0x54, 0x40); }, false, ""},
    {"raw offset + raw size wraps 32 bits",
     [](std::string& f, const PeLayout& l) { Put32(f, l.sectionHeader + 20, 0xFFFFFF00); }, false, ""},
    {"raw size beyond the file",
     [](std::string& f, const PeLayout& l) {
       Put32(f, l.sectionHeader + 16, 0x7FFFFFFF);
       Put32(f, l.sectionHeader + 8, 0x7FFFFFFF);
     },
     false, ""},
    {"resource RVA outside every section",
     [](std::string& f, const PeLayout& l) { Put32(f, l.dataDirectory, 0x50000); }, false, ""},
    // Directory tree.
    {"type directory points to itself",
     [](std::string& f, const PeLayout& l) { Put32(f, l.typeEntry[0] + 4, 0x80000000u); }, false, ""},
    {"name directory points back to the root",
     [](std::string& f, const PeLayout& l) { Put32(f, l.nameEntry[0] + 4, 0x80000000u); }, false, ""},
    {"name directory points to itself",
     [](std::string& f, const PeLayout& l) {
       Put32(f, l.nameEntry[0] + 4, 0x80000000u | static_cast<std::uint32_t>(l.nameDirectory[0] - l.section));
     },
     false, ""},
    {"language entry is a directory pointing to the root",
     [](std::string& f, const PeLayout& l) { Put32(f, l.languageEntry[0] + 4, 0x80000000u); }, false, ""},
    {"root entry count does not fit",
     [](std::string& f, const PeLayout& l) { Put16(f, l.rootDirectory + 14, 0xFFFF); }, false, ""},
    {"language entry count does not fit",
     [](std::string& f, const PeLayout& l) { Put16(f, l.languageDirectory[0] + 12, 0x0F00); }, false, ""},
    {"subdirectory offset past the section",
     [](std::string& f, const PeLayout& l) { Put32(f, l.typeEntry[0] + 4, 0xFFFFFFF0u); }, false, ""},
    // Data entry.
    {"data size near 4 GiB",
     [](std::string& f, const PeLayout& l) { Put32(f, l.dataEntry[0] + 4, 0xFFFFFFF0u); }, false, ""},
    {"data RVA outside every section",
     [](std::string& f, const PeLayout& l) { Put32(f, l.dataEntry[0], 0x90000); }, false, ""},
    {"data reaching across the section end",
     [](std::string& f, const PeLayout& l) { Put32(f, l.dataEntry[0] + 4, 0x1000); }, false, ""},
    // Names are never followed: a wild one does no harm.
    {"named type with a huge name length",
     [](std::string& f, const PeLayout& l) { Put16(f, l.namedTypeString, 0xFFFF); }, true, "Good"},
    {"named type whose name offset is wild",
     [](std::string& f, const PeLayout& l) { Put32(f, l.rootDirectory + 16, 0xFFFFFFFFu); }, true, "Good"},
};

class HostileFileTest : public ::testing::TestWithParam<FileCase> {};

TEST_P(HostileFileTest, GivesNotValidOrEmptyValues) {
  PeLayout layout;
  PeOptions options;
  options.namedTypes = {u"TYPELIB"};
  std::string file = BuildPe({{kRtVersion, 1, 0x0409, GoodBlock().Serialize()}}, layout, options);
  GetParam().damage(file, layout);
  TempDir dir;
  TVersionInfo info(dir.Write("hostile.dll", file), VersionReader::kPortable);
  EXPECT_EQ(info.Valid(), GetParam().valid);
  EXPECT_EQ(info.CompanyName(), GetParam().company);
  if (!GetParam().valid) {
    EXPECT_EQ(info.FileVersion(), "");
  }
}

INSTANTIATE_TEST_SUITE_P(Traps, HostileFileTest, ::testing::ValuesIn(kFileCases), [](const auto& info) {
  std::string name;
  for (const char* c = info.param.name; *c; ++c) name += std::isalnum(*c) ? *c : '_';
  return name;
});

// Damage inside the version block itself: the resource is there (valid), the
// broken part reads as empty.
struct BlockCase {
  const char* name;
  std::function<VersionNode()> block;
  const char* company;
  const char* comments;
  const char* fileVersion;
};

VersionNode WithStrings(std::vector<VersionNode> strings) {
  return StandardBlock(u"040904E4", 0x04E40409, std::move(strings));
}

const BlockCase kBlockCases[] = {
    {"string of length 0 before the others",
     [] {
       VersionNode zero = Text(u"Zero", u"z");
       zero.length = 0;
       return WithStrings({Text(u"Comments", u"fine"), zero, Text(u"CompanyName", u"Good")});
     },
     "", "fine", "1.2.3.4"},
    {"string running past its table",
     [] {
       VersionNode wide = Text(u"CompanyName", u"Good");
       wide.length = 0x4000;
       return WithStrings({Text(u"Comments", u"fine"), wide});
     },
     "", "fine", "1.2.3.4"},
    {"string table running past StringFileInfo",
     [] {
       VersionNode table = Block(u"040904E4", {Text(u"CompanyName", u"Good")});
       table.length = 0x2000;
       return Root(FixedInfo(1, 2, 3, 4), {Block(u"StringFileInfo", {table}), Translations({0x04E40409})});
     },
     "", "", "1.2.3.4"},
    {"value without a NUL ends with its node",
     [] {
       VersionNode open{u"CompanyName", 1, Utf16Bytes(u"Good"), {}, {}, {}};
       return WithStrings({open});
     },
     "Good", "", "1.2.3.4"},
    {"key without a NUL",
     [] {
       // Its declared length ends right after the key's last character.
       VersionNode keyOnly{u"CompanyName", 1, {}, 0, 6 + 22, {}};
       return WithStrings({Text(u"Comments", u"fine"), keyOnly});
     },
     "", "fine", "1.2.3.4"},
    {"value length 0 on a text value",
     [] {
       VersionNode company = Text(u"CompanyName", u"Good");
       company.valueLength = 0;
       return WithStrings({company});
     },
     "Good", "", "1.2.3.4"},
    {"huge value length on a block hides its children",
     [] {
       VersionNode table = Block(u"040904E4", {Text(u"CompanyName", u"Good")});
       table.valueLength = 0xFFFF;
       return Root(FixedInfo(1, 2, 3, 4), {Block(u"StringFileInfo", {table}), Translations({0x04E40409})});
     },
     "", "", "1.2.3.4"},
    {"fixed part too short",
     [] {
       VersionNode root = WithStrings({Text(u"CompanyName", u"Good")});
       root.value.resize(12);
       return root;
     },
     "Good", "", ""},
    // Without a translation the strings come from the first table.
    {"translation too short",
     [] {
       VersionNode var{u"Translation", 0, "\x09\x04", {}, {}, {}};
       return Root(FixedInfo(1, 2, 3, 4),
                   {Block(u"StringFileInfo", {Block(u"040904E4", {Text(u"CompanyName", u"Good")})}),
                    Block(u"VarFileInfo", {var})});
     },
     "Good", "", "1.2.3.4"},
};

class HostileBlockTest : public ::testing::TestWithParam<BlockCase> {};

TEST_P(HostileBlockTest, BrokenPartsReadAsEmpty) {
  TempDir dir;
  TVersionInfo info(dir.Write("block.dll", PeWithVersion(GetParam().block())), VersionReader::kPortable);
  EXPECT_TRUE(info.Valid());
  EXPECT_EQ(info.CompanyName(), GetParam().company);
  EXPECT_EQ(info.Comments(), GetParam().comments);
  EXPECT_EQ(info.FileVersion(), GetParam().fileVersion);
}

INSTANTIATE_TEST_SUITE_P(Traps, HostileBlockTest, ::testing::ValuesIn(kBlockCases), [](const auto& info) {
  std::string name;
  for (const char* c = info.param.name; *c; ++c) name += std::isalnum(*c) ? *c : '_';
  return name;
});

}  // namespace
}  // namespace vantric
