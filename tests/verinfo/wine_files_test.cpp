// Our reader on the Windows programs that Wine ships for Linux, where they are
// installed: it must read every one of them without harm, and find the
// version of the system libraries.

#include <gtest/gtest.h>

#include <filesystem>

#include "verinfo/version_info.h"

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

}  // namespace
}  // namespace vantric
