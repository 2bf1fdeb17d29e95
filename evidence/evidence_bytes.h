#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "evidence/pe_image.h"
#include "verinfo/byte_source.h"

namespace vantric {

// The parts of a file that toolchains write their evidence into, read once
// and held in memory for the readers. How much is read is capped, whatever
// the file's size: see kEvidenceByteBudget.
struct EvidenceRegion {
  std::string name;             // the section's name, "headers", "overlay", "end"
  std::uint64_t fileOffset = 0; // where `bytes` start in the file
  std::optional<std::uint32_t> rva;  // their address in the image, for sections
  std::vector<std::uint8_t> bytes;

  std::string_view Text() const {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
  }
};

struct EvidenceBytes {
  SourceView file;
  std::optional<PeImage> pe;           // nothing for a file that is no PE image
  std::vector<EvidenceRegion> regions;  // the sections', headers, overlay, end of file

  // The region of that name ("headers", "overlay", "end", a section's), or
  // nullptr.
  const EvidenceRegion* Region(std::string_view name) const;
  // The `size` bytes at `rva` when one region holds all of them.
  std::optional<std::string_view> AtRva(std::uint64_t rva, std::uint64_t size) const;
  // The same for a virtual address (the image base added).
  std::optional<std::string_view> AtAddress(std::uint64_t address, std::uint64_t size) const;
};

// The most a file makes the evidence reader read in all.
inline constexpr std::uint64_t kEvidenceByteBudget = 8u << 20;

// Reads the headers, the start and end of each section, the start of the
// overlay and the end of the file, within the budget. Throws IoError when
// the file can't be read.
EvidenceBytes ReadEvidenceBytes(SourceView file);

}  // namespace vantric
