#include "evidence/pe_image.h"

#include <algorithm>

#include "verinfo/pe_resource.h"

namespace vantric {
namespace {

constexpr std::uint32_t kPeSignature = 0x00004550;  // "PE\0\0"
constexpr std::uint16_t kPe32Magic = 0x10B;
constexpr std::uint16_t kPe32PlusMagic = 0x20B;
constexpr std::uint32_t kSectionHeaderSize = 40;
constexpr std::uint32_t kMaxDataDirectories = 16;

}  // namespace

std::optional<PeImage::Directory> PeImage::DataDirectory(std::uint32_t index) const {
  if (index >= directories.size() || directories[index].rva == 0) return std::nullopt;
  return directories[index];
}

std::optional<std::uint64_t> PeImage::FileOffsetOf(std::uint32_t rva) const {
  for (const PeSection& section : sections) {
    if (rva < section.virtualAddress) continue;
    const std::uint64_t into = rva - section.virtualAddress;
    if (into < section.rawSize && into < std::max(section.virtualSize, section.rawSize)) {
      return std::uint64_t{section.rawOffset} + into;
    }
  }
  return std::nullopt;
}

std::optional<PeImage> ReadPeImage(SourceView file) {
  if (file.U16(0) != 0x5A4D) return std::nullopt;  // "MZ"
  const std::optional<std::uint32_t> peOffset = file.U32(0x3C);
  if (!peOffset || file.U32(*peOffset) != kPeSignature) return std::nullopt;
  const std::uint64_t coff = std::uint64_t{*peOffset} + 4;
  const auto machine = file.U16(coff);
  const auto sectionCount = file.U16(coff + 2);
  const auto optionalSize = file.U16(coff + 16);
  const std::uint64_t optional = coff + 20;
  const auto magic = file.U16(optional);
  const auto linker = file.U16(optional + 2);
  if (!machine || !sectionCount || !optionalSize || !magic || !linker) return std::nullopt;
  if (*magic != kPe32Magic && *magic != kPe32PlusMagic) return std::nullopt;

  PeImage image;
  image.peOffset = *peOffset;
  image.machine = *machine;
  image.pe32Plus = *magic == kPe32PlusMagic;
  image.linkerMajor = static_cast<std::uint8_t>(*linker & 0xFF);
  image.linkerMinor = static_cast<std::uint8_t>(*linker >> 8);
  if (image.pe32Plus) {
    const auto low = file.U32(optional + 24), high = file.U32(optional + 28);
    if (low && high) image.imageBase = std::uint64_t{*high} << 32 | *low;
  } else {
    image.imageBase = file.U32(optional + 28).value_or(0);
  }
  const std::uint64_t countAt = optional + (image.pe32Plus ? 108 : 92);
  const std::uint64_t directoriesAt = countAt + 4;
  if (countAt + 4 <= optional + *optionalSize) {
    const std::uint32_t count = std::min(file.U32(countAt).value_or(0), kMaxDataDirectories);
    for (std::uint32_t i = 0; i < count && directoriesAt + 8 * (i + 1) <= optional + *optionalSize; ++i) {
      const auto rva = file.U32(directoriesAt + 8 * i), size = file.U32(directoriesAt + 8 * i + 4);
      if (!rva || !size) break;
      image.directories.push_back({*rva, *size});
    }
  }

  const std::uint64_t sectionsAt = optional + *optionalSize;
  const std::uint32_t count = std::min<std::uint32_t>(*sectionCount, kMaxSections);
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::optional<SourceView> header = file.Sub(sectionsAt + std::uint64_t{i} * kSectionHeaderSize,
                                                      kSectionHeaderSize);
    if (!header) break;
    const std::vector<std::uint8_t> raw = header->CopyFirst(kSectionHeaderSize);
    PeSection section;
    for (std::size_t c = 0; c < 8 && raw[c] != 0; ++c) section.name += static_cast<char>(raw[c]);
    section.virtualSize = header->U32(8).value_or(0);
    section.virtualAddress = header->U32(12).value_or(0);
    section.rawSize = header->U32(16).value_or(0);
    section.rawOffset = header->U32(20).value_or(0);
    section.characteristics = header->U32(36).value_or(0);
    // What the file holds of the section: the rest is zeros at run time.
    if (section.rawOffset >= file.Size()) {
      section.rawSize = 0;
    } else if (section.rawSize > file.Size() - section.rawOffset) {
      section.rawSize = static_cast<std::uint32_t>(file.Size() - section.rawOffset);
    }
    if (section.rawSize != 0) {
      image.endOfSections = std::max(image.endOfSections, std::uint64_t{section.rawOffset} + section.rawSize);
    }
    image.sections.push_back(std::move(section));
  }
  return image;
}

}  // namespace vantric
