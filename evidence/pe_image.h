#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "verinfo/byte_source.h"

namespace vantric {

// The headers of a PE32 or PE32+ file that toolchain evidence needs, read
// with bounds checked: nothing here points outside the file's headers.
struct PeSection {
  std::string name;  // up to 8 bytes, as stored (not NUL-padded)
  std::uint32_t virtualAddress = 0;
  std::uint32_t virtualSize = 0;
  std::uint32_t rawOffset = 0;
  std::uint32_t rawSize = 0;
  std::uint32_t characteristics = 0;

  // Code, not data: toolchains state nothing there.
  bool IsCode() const { return (characteristics & (kCodeFlag | kExecuteFlag)) != 0; }
  // Debugging information (".debug_info", or "/4" for a long name GNU ld
  // kept): large, and no toolchain states its version there.
  bool IsDebug() const { return name.starts_with(".debug") || name.starts_with("/"); }
  static constexpr std::uint32_t kCodeFlag = 0x00000020;
  static constexpr std::uint32_t kExecuteFlag = 0x20000000;
};

struct PeImage {
  std::uint32_t peOffset = 0;  // e_lfanew: where "PE\0\0" stands
  std::uint16_t machine = 0;
  bool pe32Plus = false;
  std::uint8_t linkerMajor = 0;
  std::uint8_t linkerMinor = 0;
  std::uint64_t imageBase = 0;
  std::vector<PeSection> sections;  // at most kMaxSections
  std::uint64_t endOfSections = 0;  // the end of the last section's raw data: the overlay starts here

  // The data directory `index` (RVA, size), or nothing when the file has none.
  struct Directory {
    std::uint32_t rva = 0;
    std::uint32_t size = 0;
  };
  std::optional<Directory> DataDirectory(std::uint32_t index) const;
  // Where the byte at `rva` lies in the file, when a section's raw data holds it.
  std::optional<std::uint64_t> FileOffsetOf(std::uint32_t rva) const;

  std::vector<Directory> directories;  // as stored, at most 16
};

inline constexpr std::uint32_t kClrDirectory = 14;

// The headers of `file`, or nothing when it is no PE image.
std::optional<PeImage> ReadPeImage(SourceView file);

}  // namespace vantric
