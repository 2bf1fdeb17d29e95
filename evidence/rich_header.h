#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace vantric {

// Microsoft's linker writes, between the DOS stub and the PE header, a list
// of the tools whose output went into the image ("comp ids": product id and
// build) with how many objects each made. The list is masked with a 32-bit
// key that is also its checksum over the DOS header and the list, so that an
// edited or transplanted header shows.
struct RichEntry {
  std::uint16_t product = 0;
  std::uint16_t build = 0;
  std::uint32_t count = 0;
};

struct RichHeader {
  std::uint32_t offset = 0;  // where "DanS" stands, masked
  std::uint32_t key = 0;     // the mask, as stored after "Rich"
  std::uint32_t checksum = 0;  // what the key should be for these bytes
  std::vector<RichEntry> entries;  // in stored order

  bool ChecksumMatches() const { return key == checksum; }
};

inline constexpr std::size_t kMaxRichEntries = 2048;

// Decodes the Rich header in `head`, the first bytes of a PE file up to its
// PE header (`peOffset`). Nothing when there is none or it is cut short.
std::optional<RichHeader> DecodeRichHeader(std::string_view head, std::uint32_t peOffset);

}  // namespace vantric
