// Our reader against the system's version.dll (Wine's, when run on Linux) on
// every program file of the system folders: both must give the same answers.

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "verinfo/version_info.h"

namespace vantric {
namespace {

std::string Folder(UINT(WINAPI* get)(LPSTR, UINT)) {
  char buffer[MAX_PATH + 1];
  UINT length = get(buffer, MAX_PATH);
  return length > 0 && length < MAX_PATH ? std::string(buffer, length) : std::string();
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

// Every file below the system folder, and the programs in the Windows folder.
std::vector<std::string> FilesToCompare() {
  std::vector<std::string> files;
  std::error_code error;
  const std::string system = Folder(GetSystemDirectoryA);
  auto options = std::filesystem::directory_options::skip_permission_denied;
  for (auto it = std::filesystem::recursive_directory_iterator(system, options, error);
       it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
    if (error) break;
    if (it->is_regular_file(error)) files.push_back(it->path().string());
  }
  for (const auto& entry : std::filesystem::directory_iterator(Folder(GetWindowsDirectoryA), error)) {
    if (entry.is_regular_file(error) && Lower(entry.path().extension().string()) == ".exe") {
      files.push_back(entry.path().string());
    }
  }
  return files;
}

// The signature at the DOS header's e_lfanew: "PE", "NE" (16-bit), or none.
std::string NewHeaderSignature(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  char dos[64] = {};
  if (!in.read(dos, sizeof dos) || dos[0] != 'M' || dos[1] != 'Z') return {};
  std::uint32_t offset = 0;
  std::memcpy(&offset, dos + 0x3C, sizeof offset);
  char signature[2] = {};
  if (!in.seekg(offset) || !in.read(signature, sizeof signature)) return {};
  return std::string(signature, 2);
}

struct Answers {
  bool valid;
  std::string translation, comments, company, product, fileVersion;
  bool operator==(const Answers&) const = default;
};

Answers Ask(const std::string& file, VersionReader reader) {
  TVersionInfo info(file, reader);
  return {info.Valid(),       info.Translation(), info.Comments(),
          info.CompanyName(), info.ProductName(), info.FileVersion()};
}

std::string Show(const Answers& a) {
  return std::string(a.valid ? "valid" : "not valid") + " [" + a.translation + "] comments \"" + a.comments +
         "\" company \"" + a.company + "\" product \"" + a.product + "\" version \"" + a.fileVersion + "\"";
}

TEST(Differential, PortableReaderAgreesWithVersionDll) {
  const auto files = FilesToCompare();
  ASSERT_GT(files.size(), 100u) << "the system folder looks empty";
  int compared = 0;
  int valid = 0;
  int disagreements = 0;
  int sixteenBit = 0;
  for (const std::string& file : files) {
    const Answers system = Ask(file, VersionReader::kSystem);
    const Answers portable = Ask(file, VersionReader::kPortable);
    ++compared;
    if (system.valid) ++valid;
    // The system library also reads the version resources of 16-bit (NE)
    // programs; ours reads PE files only, and finds nothing there.
    if (system.valid && !portable.valid && NewHeaderSignature(file) == "NE") {
      ++sixteenBit;
      continue;
    }
    if (system != portable) {
      ++disagreements;
      ADD_FAILURE() << file << "\n  version.dll: " << Show(system) << "\n  ours:        " << Show(portable);
    }
  }
  std::printf(
      "compared %d files (%d with a version resource), %d disagreements; %d 16-bit files with a version "
      "resource that only the system library reads\n",
      compared, valid, disagreements, sixteenBit);
  EXPECT_GT(valid, 50);
}

}  // namespace
}  // namespace vantric
