// Our reader on the Windows programs that Wine ships for Linux, where they are
// installed: it must read every one of them without harm, find the version of
// the system libraries, and give the same answers reading the file piece by
// piece as reading it whole from memory.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <vector>

#include "verinfo/version_info.h"
#include "verinfo/version_source.h"

namespace vantric {
namespace {

const char* const kWineFolders[] = {
    "/usr/lib/i386-linux-gnu/wine/i386-windows",
    "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows",
    "/usr/lib/wine/i386-windows",
    "/usr/lib/wine/x86_64-windows",
};

TEST(WineFiles, EveryFileReadsAndSystemLibrariesHaveVersions) {
  int folders = 0;
  for (const char* folder : kWineFolders) {
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error)) continue;
    ++folders;
    int files = 0;
    int valid = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
      if (!entry.is_regular_file(error)) continue;
      TVersionInfo info(entry.path().string());
      ++files;
      if (info.Valid()) ++valid;
      // Every query on every file, for the sanitizer builds to watch.
      (void)info.Comments();
      (void)info.CompanyName();
      (void)info.ProductName();
      (void)info.FileVersion();
    }
    std::printf("%s: %d files, %d with a version resource\n", folder, files, valid);
    // Not all of them carry one (about a third do).
    EXPECT_GT(valid, 50) << folder;

    for (const char* name : {"kernel32.dll", "version.dll", "user32.dll"}) {
      TVersionInfo info((std::filesystem::path(folder) / name).string());
      EXPECT_TRUE(info.Valid()) << folder << " " << name;
      EXPECT_EQ(info.Translation().size(), 8u) << name;
      EXPECT_FALSE(info.FileVersion().empty()) << name;
      EXPECT_FALSE(info.CompanyName().empty()) << name;
      EXPECT_FALSE(info.ProductName().empty()) << name;
    }
  }
  if (folders == 0) GTEST_SKIP() << "no Wine installed here";
}

struct SourceAnswers {
  bool valid;
  std::optional<std::uint32_t> translation;
  std::optional<std::string> table;
  std::vector<std::optional<std::string>> texts;
  std::optional<std::uint32_t> versionHigh, versionLow;
  bool operator==(const SourceAnswers&) const = default;
};

SourceAnswers Ask(const VersionSource& source) {
  SourceAnswers answers{source.Valid(), source.FirstTranslation(), source.StringTable(), {}, {}, {}};
  for (const char* key : {"Comments", "CompanyName", "FileVersion", "ProductName"}) {
    answers.texts.push_back(source.Text("\\StringFileInfo\\" + answers.table.value_or("") + "\\" + key));
  }
  if (auto words = source.FixedFileVersion()) {
    answers.versionHigh = words->mostSignificant;
    answers.versionLow = words->leastSignificant;
  }
  return answers;
}

TEST(WineFiles, ReadingTheFileAgreesWithReadingItFromMemory) {
  int files = 0;
  int valid = 0;
  for (const char* folder : kWineFolders) {
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error)) continue;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
      if (!entry.is_regular_file(error)) continue;
      std::vector<std::uint8_t> image(static_cast<std::size_t>(entry.file_size(error)));
      std::ifstream in(entry.path(), std::ios::binary);
      ASSERT_TRUE(in.read(reinterpret_cast<char*>(image.data()), static_cast<std::streamsize>(image.size())))
          << entry.path();
      const SourceAnswers fromFile = Ask(*OpenPortableSource(entry.path().string()));
      ++files;
      if (fromFile.valid) ++valid;
      EXPECT_TRUE(fromFile == Ask(*PortableSourceFromImage(image))) << entry.path();
    }
  }
  if (files == 0) GTEST_SKIP() << "no Wine installed here";
  std::printf("%d files compared, %d with a version resource\n", files, valid);
  EXPECT_GT(valid, 50);
}

}  // namespace
}  // namespace vantric
