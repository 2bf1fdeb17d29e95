#include "verinfo/pe_resource.h"

#include <algorithm>
#include <vector>

namespace vantric {
namespace {

constexpr std::uint16_t kDosMagic = 0x5A4D;         // "MZ"
constexpr std::uint32_t kPeSignature = 0x00004550;  // "PE\0\0"
constexpr std::uint16_t kPe32Magic = 0x10B;
constexpr std::uint16_t kPe32PlusMagic = 0x20B;
constexpr std::uint32_t kResourceDirectoryIndex = 2;
constexpr std::uint16_t kRtVersion = 16;
constexpr std::uint16_t kVersionInfoName = 1;
constexpr std::uint32_t kSubdirectoryBit = 0x80000000u;
constexpr std::uint64_t kDirectoryHeaderSize = 16;
constexpr std::uint64_t kEntrySize = 8;
constexpr std::uint64_t kDataEntrySize = 16;
constexpr std::uint64_t kSectionHeaderSize = 40;
// Type, name, language: a version resource is never deeper than that.
constexpr int kMaxDepth = 3;

struct Section {
  std::uint32_t virtualAddress;
  std::uint32_t virtualSize;
  std::uint32_t rawSize;
  std::uint32_t rawOffset;
};

struct Headers {
  std::uint32_t resourceRva = 0;
  std::vector<Section> sections;
};

// Reads the headers that locate the resource directory; empty when `file`
// isn't a PE image or its headers don't fit in it.
std::optional<Headers> ReadHeaders(SourceView file) {
  if (file.U16(0) != kDosMagic) return std::nullopt;
  auto peOffset = file.U32(0x3C);
  if (!peOffset || file.U32(*peOffset) != kPeSignature) return std::nullopt;
  const std::uint64_t fileHeader = std::uint64_t{*peOffset} + 4;
  auto sectionCount = file.U16(fileHeader + 2);
  auto optionalSize = file.U16(fileHeader + 16);
  if (!sectionCount || !optionalSize) return std::nullopt;
  const std::uint64_t optionalHeader = fileHeader + 20;
  auto magic = file.U16(optionalHeader);
  if (magic != kPe32Magic && magic != kPe32PlusMagic) return std::nullopt;
  const bool plus = magic == kPe32PlusMagic;
  auto directoryCount = file.U32(optionalHeader + (plus ? 108 : 92));
  if (!directoryCount) return std::nullopt;

  Headers headers;
  const std::uint64_t sectionTable = optionalHeader + *optionalSize;
  const std::uint32_t sections = std::min<std::uint32_t>(*sectionCount, kMaxSections);
  if (*directoryCount > kResourceDirectoryIndex) {
    const std::uint64_t entry = optionalHeader + (plus ? 112 : 96) + kResourceDirectoryIndex * 8;
    // The directory must lie inside the optional header it belongs to.
    if (entry + 8 <= sectionTable) {
      auto rva = file.U32(entry);
      if (!rva) return std::nullopt;
      headers.resourceRva = *rva;
    }
  }
  for (std::uint32_t i = 0; i < sections; ++i) {
    const std::uint64_t at = sectionTable + i * kSectionHeaderSize;
    auto virtualSize = file.U32(at + 8);
    auto virtualAddress = file.U32(at + 12);
    auto rawSize = file.U32(at + 16);
    auto rawOffset = file.U32(at + 20);
    if (!virtualSize || !virtualAddress || !rawSize || !rawOffset) return std::nullopt;
    headers.sections.push_back({*virtualAddress, *virtualSize, *rawSize, *rawOffset});
  }
  return headers;
}

// The file bytes behind [rva, rva + size): they must lie in one section, inside
// the part of it that the file holds. `size` 0 asks for everything from `rva`
// to the end of that part.
std::optional<SourceView> MapRva(SourceView file, const std::vector<Section>& sections, std::uint32_t rva,
                                 std::uint32_t size, bool toSectionEnd) {
  for (const Section& section : sections) {
    // A zero virtual size means the raw size stands for both.
    const std::uint64_t span = section.virtualSize != 0 ? section.virtualSize : section.rawSize;
    if (rva < section.virtualAddress || rva - section.virtualAddress >= span) continue;
    const std::uint64_t into = rva - section.virtualAddress;
    const std::uint64_t backed = std::min<std::uint64_t>(span, section.rawSize);
    if (into >= backed) return std::nullopt;
    const std::uint64_t length = toSectionEnd ? backed - into : size;
    if (length > backed - into) return std::nullopt;
    return file.Sub(std::uint64_t{section.rawOffset} + into, length);
  }
  return std::nullopt;
}

// Walks the resource tree, which lives at the start of `tree`; offsets in it
// are relative to that start.
class ResourceTree {
 public:
  explicit ResourceTree(SourceView tree) : tree_(tree) {}

  // The subdirectory or data entry of `directory` with numeric id `id`.
  std::optional<std::uint32_t> FindId(std::uint32_t directory, std::uint16_t id, bool wantDirectory) {
    auto entries = Entries(directory);
    if (!entries) return std::nullopt;
    for (std::uint32_t i = entries->named; i < entries->named + entries->ids; ++i) {
      const std::uint64_t entry = directory + kDirectoryHeaderSize + i * kEntrySize;
      auto name = tree_.U32(entry);
      auto target = tree_.U32(entry + 4);
      if (!name || !target) return std::nullopt;
      if ((*name & 0xFFFF) != id) continue;
      // The loader stops at the first matching id, whatever its kind.
      return Follow(*target, wantDirectory);
    }
    return std::nullopt;
  }

  // The first data entry of `directory`, named or numbered.
  std::optional<std::uint32_t> FirstData(std::uint32_t directory) {
    auto entries = Entries(directory);
    if (!entries) return std::nullopt;
    for (std::uint32_t i = 0; i < entries->named + entries->ids; ++i) {
      auto target = tree_.U32(directory + kDirectoryHeaderSize + i * kEntrySize + 4);
      if (!target) return std::nullopt;
      if (!(*target & kSubdirectoryBit)) return Follow(*target, false);
    }
    return std::nullopt;
  }

  // Marks a directory as entered; false when it was entered before, which
  // means the tree loops back on itself or an ancestor.
  bool Enter(std::uint32_t directory) {
    if (std::find(visited_.begin(), visited_.end(), directory) != visited_.end()) return false;
    visited_.push_back(directory);
    return true;
  }

  SourceView View() const { return tree_; }

 private:
  struct Counts {
    std::uint32_t named;
    std::uint32_t ids;
  };

  std::optional<Counts> Entries(std::uint32_t directory) const {
    auto named = tree_.U16(directory + 12);
    auto ids = tree_.U16(directory + 14);
    if (!named || !ids) return std::nullopt;
    const std::uint32_t total = std::uint32_t{*named} + *ids;
    // A count that doesn't fit the directory is a corrupt directory.
    if (total > kMaxDirectoryEntries || !tree_.Fits(directory + kDirectoryHeaderSize, total * kEntrySize)) {
      return std::nullopt;
    }
    return Counts{*named, *ids};
  }

  std::optional<std::uint32_t> Follow(std::uint32_t target, bool wantDirectory) const {
    if (bool(target & kSubdirectoryBit) != wantDirectory) return std::nullopt;
    return target & ~kSubdirectoryBit;
  }

  SourceView tree_;
  std::vector<std::uint32_t> visited_;
};

}  // namespace

std::optional<SourceView> FindVersionResource(SourceView file, std::span<const std::uint16_t> languages) {
  auto headers = ReadHeaders(file);
  if (!headers || headers->resourceRva == 0) return std::nullopt;
  // The directory tree runs from its start to the end of its section; the
  // size in the data directory is often wrong and the loader ignores it too.
  auto treeView = MapRva(file, headers->sections, headers->resourceRva, 0, true);
  if (!treeView) return std::nullopt;
  ResourceTree tree(*treeView);

  std::uint32_t directory = 0;
  std::optional<std::uint32_t> dataEntry;
  for (int depth = 0; depth < kMaxDepth; ++depth) {
    if (!tree.Enter(directory)) return std::nullopt;
    if (depth == 0) {
      auto next = tree.FindId(directory, kRtVersion, true);
      if (!next) return std::nullopt;
      directory = *next;
    } else if (depth == 1) {
      auto next = tree.FindId(directory, kVersionInfoName, true);
      if (!next) return std::nullopt;
      directory = *next;
    } else {
      for (std::uint16_t language : languages) {
        if ((dataEntry = tree.FindId(directory, language, false))) break;
      }
      if (!dataEntry) dataEntry = tree.FirstData(directory);
    }
  }
  if (!dataEntry) return std::nullopt;

  auto rva = tree.View().U32(*dataEntry);
  auto size = tree.View().U32(std::uint64_t{*dataEntry} + 4);
  if (!rva || !size || !tree.View().Fits(*dataEntry, kDataEntrySize)) return std::nullopt;
  return MapRva(file, headers->sections, *rva, *size, false);
}

}  // namespace vantric
