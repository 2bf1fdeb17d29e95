#include "verinfo/version_info.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#ifdef _WIN32
#include <windows.h>
#include <winioctl.h>
#endif

#include "tests/support/temp_dir.h"
#include "tests/verinfo/pe_builder.h"

namespace vantric {
namespace {

using namespace vantric::testing;

// Every case runs on our own reader; on Windows also on the system's library,
// so that the two are held to the same answers.
class VersionInfoTest : public ::testing::TestWithParam<VersionReader> {
 protected:
  std::unique_ptr<TVersionInfo> Open(const std::string& bytes) {
    return std::make_unique<TVersionInfo>(dir_.Write("file" + std::to_string(++files_) + ".dll", bytes),
                                          GetParam());
  }
  TempDir dir_;
  int files_ = 0;
};

void ExpectNothing(const TVersionInfo& info) {
  EXPECT_FALSE(info.Valid());
  EXPECT_EQ(info.Translation(), "");
  EXPECT_EQ(info.Comments(), "");
  EXPECT_EQ(info.CompanyName(), "");
  EXPECT_EQ(info.ProductName(), "");
  EXPECT_EQ(info.FileVersion(), "");
}

TEST_P(VersionInfoTest, FilesWithoutVersionResourceAreNotValid) {
  ExpectNothing(*Open(BuildPe({})));
  ExpectNothing(*Open(BuildPe({{3, 1, 0x0409, std::string(40, 'i')}})));  // an icon only
  ExpectNothing(*Open("just some text, not a program"));
  ExpectNothing(*Open(""));
  ExpectNothing(TVersionInfo(dir_.File("missing.dll"), GetParam()));
}

TEST_P(VersionInfoTest, ReadsTranslationAndTheFourStrings) {
  auto info = Open(PeWithVersion(
      StandardBlock(u"040904E4", 0x04E40409,
                    {Text(u"Comments", u"Built on a Friday"), Text(u"CompanyName", u"Example Works"),
                     Text(u"FileVersion", u"2.7.1"), Text(u"ProductName", u"Sample Tool")})));
  EXPECT_TRUE(info->Valid());
  EXPECT_EQ(info->Translation(), "040904E4");
  EXPECT_EQ(info->Comments(), "Built on a Friday");
  EXPECT_EQ(info->CompanyName(), "Example Works");
  EXPECT_EQ(info->FileVersion(), "2.7.1");
  EXPECT_EQ(info->ProductName(), "Sample Tool");
  // Keys match whole and without regard to case.
  EXPECT_EQ(info->StringValue("companyNAME"), "Example Works");
  EXPECT_EQ(info->StringValue("Company"), "");
  EXPECT_EQ(info->StringValue("CompanyNameX"), "");
  EXPECT_EQ(info->StringValue("LegalCopyright"), "");
}

TEST_P(VersionInfoTest, FileVersionFallsBackToTheFixedPart) {
  auto withFileVersion = [](std::vector<VersionNode> strings) {
    return Root(FixedInfo(4, 0, 1, 140), {Block(u"StringFileInfo", {Block(u"040904E4", std::move(strings))}),
                                          Translations({0x04E40409})});
  };
  // Empty string, absent string: the fixed part's numbers.
  EXPECT_EQ(Open(PeWithVersion(withFileVersion({Text(u"FileVersion", u"")})))->FileVersion(), "4.0.1.140");
  EXPECT_EQ(Open(PeWithVersion(withFileVersion({Text(u"CompanyName", u"c")})))->FileVersion(), "4.0.1.140");
  // A string of any form comes back as it stands.
  EXPECT_EQ(Open(PeWithVersion(withFileVersion({Text(u"FileVersion", u"4, 0, 1, 140 ")})))->FileVersion(),
            "4, 0, 1, 140 ");
  // No string table at all still leaves the fixed part.
  auto bare = Open(PeWithVersion(Root(FixedInfo(65535, 9, 0, 1), {})));
  EXPECT_TRUE(bare->Valid());
  EXPECT_EQ(bare->Translation(), "");
  EXPECT_EQ(bare->FileVersion(), "65535.9.0.1");
}

TEST_P(VersionInfoTest, NoStringAndNoFixedPartGivesEmptyFileVersion) {
  auto info = Open(
      PeWithVersion(Root("", {Block(u"StringFileInfo", {Block(u"040904E4", {Text(u"CompanyName", u"c")})}),
                              Translations({0x04E40409})})));
  EXPECT_TRUE(info->Valid());
  EXPECT_EQ(info->CompanyName(), "c");
  EXPECT_EQ(info->FileVersion(), "");
}

TEST_P(VersionInfoTest, StringsComeFromTheFirstTranslationsTableElseTheFirstTable) {
  auto company = [](std::u16string table, std::u16string value) {
    return Block(std::move(table), {Text(u"CompanyName", std::move(value))});
  };
  auto withTables = [](std::vector<VersionNode> tables, std::vector<VersionNode> rest) {
    rest.insert(rest.begin(), Block(u"StringFileInfo", std::move(tables)));
    return PeWithVersion(Root(FixedInfo(1, 0, 0, 0), std::move(rest)));
  };
  struct Case {
    const char* name;
    std::string file;
    const char* translation;
    const char* company;
  };
  const Case cases[] = {
      // The first translation's table, though not the first table.
      {"translated table",
       withTables({company(u"040904E4", u"english"), company(u"040704B0", u"german")},
                  {Translations({0x04B00407, 0x04E40409})}),
       "040704B0", "german"},
      // Only a later translation has a table: the first table, as MinGW-built
      // libraries need.
      {"untranslated table",
       withTables({company(u"040904E4", u"english"), company(u"040C04B0", u"french")},
                  {Translations({0x04B00407, 0x04E40409})}),
       "040704B0", "english"},
      {"no translation", withTables({company(u"000004B0", u"neutral"), company(u"040904E4", u"english")}, {}),
       "", "neutral"},
      {"no table", withTables({}, {Translations({0x04E40409})}), "040904E4", ""},
  };
  for (const Case& c : cases) {
    auto info = Open(c.file);
    EXPECT_TRUE(info->Valid()) << c.name;
    EXPECT_EQ(info->Translation(), c.translation) << c.name;
    EXPECT_EQ(info->CompanyName(), c.company) << c.name;
    EXPECT_EQ(info->FileVersion(), "1.0.0.0") << c.name;
  }
}

TEST_P(VersionInfoTest, ResourceTooShortForItsRootIsNoVersionResource) {
  auto rootLength = [](std::uint16_t length) {
    VersionNode root = StandardBlock(u"040904E4", 0x04E40409, {Text(u"CompanyName", u"c")});
    root.length = length;
    return PeWithVersion(root);
  };
  const std::pair<const char*, std::string> cases[] = {{"no data", BuildPe({{kRtVersion, 1, 0x0409, ""}})},
                                                       {"root length 0", rootLength(0)},
                                                       {"root length 5", rootLength(5)}};
  for (const auto& [name, file] : cases) {
    SCOPED_TRACE(name);
    ExpectNothing(*Open(file));
  }
  // Six bytes hold the header: a root with nothing more is still a resource.
  EXPECT_TRUE(Open(rootLength(6))->Valid());
}

TEST_P(VersionInfoTest, BlocksAreFoundByKeyNotByPosition) {
  // Translation first, a block of our own in between, two string tables.
  auto block = Root(FixedInfo(1, 0, 0, 0),
                    {Translations({0x04E40409}), Block(u"Custom", {Text(u"CompanyName", u"wrong")}),
                     Block(u"StringFileInfo",
                           {Block(u"040704B0", {Text(u"CompanyName", u"falsch")}),
                            Block(u"040904e4", {Text(u"Comments", u"a"), Text(u"CompanyName", u"right")})})});
  auto info = Open(PeWithVersion(block));
  EXPECT_EQ(info->CompanyName(), "right");
  EXPECT_EQ(info->Comments(), "a");
}

TEST_P(VersionInfoTest, TextValueLengthInBytesIsReadToTheNul) {
  VersionNode company = Text(u"CompanyName", u"Bytes Ltd");
  company.valueLength = static_cast<std::uint16_t>(company.value.size());
  auto info = Open(PeWithVersion(StandardBlock(u"040904E4", 0x04E40409, {company, Text(u"Comments", u"c")})));
  EXPECT_EQ(info->CompanyName(), "Bytes Ltd");
  EXPECT_EQ(info->Comments(), "c");
}

TEST_P(VersionInfoTest, RootClaimingMoreThanTheResourceHoldsIsReadSafely) {
  // The system library writes converted text at an offset taken from the
  // root's length; the buffer we give it must hold that too.
  VersionNode root = StandardBlock(u"040904E4", 0x04E40409, {Text(u"CompanyName", u"Good")});
  root.length = 0xFFF0;
  auto info = Open(PeWithVersion(root));
  EXPECT_TRUE(info->Valid());
  EXPECT_EQ(info->CompanyName(), "Good");
  EXPECT_EQ(info->FileVersion(), "1.2.3.4");
}

TEST_P(VersionInfoTest, ReadsPe32PlusFiles) {
  PeOptions plus;
  plus.plus = true;
  auto info = Open(
      PeWithVersion(StandardBlock(u"040904B0", 0x04B00409, {Text(u"ProductName", u"Wide")}), 0x0409, plus));
  EXPECT_TRUE(info->Valid());
  EXPECT_EQ(info->ProductName(), "Wide");
}

TEST_P(VersionInfoTest, PrefersNeutralThenUsEnglishThenTheFirstLanguage) {
  auto named = [](std::u16string company, std::uint16_t language) {
    return Resource{kRtVersion, 1, language,
                    StandardBlock(u"040904E4", 0x04E40409, {Text(u"CompanyName", company)}).Serialize()};
  };
  EXPECT_EQ(Open(BuildPe({named(u"german", 0x0407), named(u"neutral", 0x0000)}))->CompanyName(), "neutral");
  EXPECT_EQ(Open(BuildPe({named(u"german", 0x0407), named(u"english", 0x0409)}))->CompanyName(), "english");
  EXPECT_EQ(Open(BuildPe({named(u"german", 0x0407), named(u"french", 0x040C)}))->CompanyName(), "german");
  // Only resource name 1 is the version resource.
  auto other = named(u"two", 0x0409);
  other.name = 2;
  ExpectNothing(*Open(BuildPe({other})));
}

#ifdef _WIN32
INSTANTIATE_TEST_SUITE_P(Readers, VersionInfoTest,
                         ::testing::Values(VersionReader::kPortable, VersionReader::kSystem));
#else
INSTANTIATE_TEST_SUITE_P(Readers, VersionInfoTest, ::testing::Values(VersionReader::kPortable));
#endif

#ifndef _WIN32
// Text comes back as UTF-8 here; on Windows it is in the ANSI code page.
TEST(VersionInfoText, ComesBackAsUtf8) {
  TempDir dir;
  std::u16string company = u"M\u00fcller \U0001F600 ";
  company += static_cast<char16_t>(0xD800);  // a lone surrogate
  auto file = dir.Write(
      "u.dll", PeWithVersion(StandardBlock(u"040904B0", 0x04B00409, {Text(u"CompanyName", company)})));
  EXPECT_EQ(TVersionInfo(file).CompanyName(), "M\xC3\xBCller \xF0\x9F\x98\x80 \xEF\xBF\xBD");
}
#endif

// Unwritten parts of the file then take no disk. POSIX file systems do that by
// themselves; NTFS is told so.
void MakeSparse([[maybe_unused]] const std::string& file) {
#ifdef _WIN32
  HANDLE handle = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return;
  DWORD ignored = 0;
  DeviceIoControl(handle, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &ignored, nullptr);
  CloseHandle(handle);
#endif
}

// A 6 GiB file whose resource section starts 16 bytes below 4 GiB: its
// directory tree runs across the 4 GiB mark and its version block, longer than
// a page, lies past it. Read where it lies, with 64-bit offsets in every build.
TEST(VersionInfoLargeFile, ReadsAResourcePastFourGib) {
  constexpr std::uint64_t kSectionOffset = 0xFFFFFFF0;
  constexpr std::uint64_t kFileSize = std::uint64_t{6} << 30;
  const std::u16string comments(5000, u'c');
  PeLayout layout;
  std::string pe = BuildPe(
      {{kRtVersion, 1, 0x0409,
        StandardBlock(u"040904E4", 0x04E40409, {Text(u"Comments", comments), Text(u"CompanyName", u"Far")})
            .Serialize()}},
      layout);
  Put32(pe, layout.sectionHeader + 20, static_cast<std::uint32_t>(kSectionOffset));
  ASSERT_GT(kSectionOffset + (layout.data[0] - layout.section), std::uint64_t{1} << 32);

  TempDir dir;
  const std::string file = dir.Write("far.dll", pe.substr(0, layout.section));
  MakeSparse(file);
  {
    std::fstream out(file, std::ios::in | std::ios::out | std::ios::binary);
    out.seekp(static_cast<std::streamoff>(kSectionOffset));
    out.write(pe.data() + layout.section, static_cast<std::streamsize>(pe.size() - layout.section));
    ASSERT_TRUE(out.flush());
  }
  std::filesystem::resize_file(file, kFileSize);

  TVersionInfo info(file, VersionReader::kPortable);
  EXPECT_TRUE(info.Valid());
  EXPECT_EQ(info.CompanyName(), "Far");
  EXPECT_EQ(info.Comments(), std::string(comments.size(), 'c'));
  EXPECT_EQ(info.FileVersion(), "1.2.3.4");
}

TEST(ProgramVersionInfo, NamesTheRunningProgram) {
  auto info = ProgramVersionInfo();
  ASSERT_NE(info, nullptr);
  EXPECT_NE(info->FileName().find("verinfo_tests"), std::string::npos) << info->FileName();
  // The test program carries no version resource.
  EXPECT_FALSE(info->Valid());
}

}  // namespace
}  // namespace vantric
