#include "evidence/evidence_bytes.h"

#include <algorithm>

namespace vantric {
namespace {

// Where toolchains write: the headers and the DOS stub (Rich header), the
// start of a data section (Go's build information, a runtime's stated
// version, a packer's stub) and its end (GCC's idents, merged last into
// .rdata), the start of the data past the sections (an installer's archive)
// and the end of the file (trailers). Code sections, most of a program's
// bytes, state nothing: only their edges are read.
constexpr std::uint64_t kHeadersBytes = 64u << 10;
constexpr std::uint64_t kHeadersOverlap = 64;
constexpr std::uint64_t kDataHeadBytes = 128u << 10;
constexpr std::uint64_t kDataTailBytes = 32u << 10;
constexpr std::uint64_t kCodeEdgeBytes = 4u << 10;
constexpr std::uint64_t kOverlayBytes = 64u << 10;
constexpr std::uint64_t kFileEndBytes = 64u << 10;
constexpr std::uint64_t kNoPeStartBytes = 64u << 10;

class RegionReader {
 public:
  RegionReader(SourceView file, std::vector<EvidenceRegion>& regions) : file_(file), regions_(regions) {}

  // Reads [offset, offset + size) clipped to the file and the budget, less
  // what an earlier region already holds at its start. A section keeps its
  // start, and with it the addresses of its bytes.
  void Read(std::string name, std::uint64_t offset, std::uint64_t size, std::optional<std::uint32_t> rva = {}) {
    if (offset >= file_.Size()) return;
    size = std::min({size, file_.Size() - offset, kEvidenceByteBudget - used_});
    for (const EvidenceRegion& held : regions_) {  // skip what is already in hand
      const std::uint64_t heldEnd = held.fileOffset + held.bytes.size();
      if (!rva && held.fileOffset <= offset && offset < heldEnd) {
        const std::uint64_t skip = std::min(size, heldEnd - offset);
        offset += skip;
        size -= skip;
      }
    }
    if (size == 0) return;
    const std::optional<SourceView> part = file_.Sub(offset, size);
    if (!part) return;
    EvidenceRegion region{std::move(name), offset, rva, part->CopyFirst(static_cast<std::size_t>(size))};
    used_ += region.bytes.size();
    regions_.push_back(std::move(region));
  }

 private:
  SourceView file_;
  std::vector<EvidenceRegion>& regions_;
  std::uint64_t used_ = 0;
};

}  // namespace

const EvidenceRegion* EvidenceBytes::Region(std::string_view name) const {
  for (const EvidenceRegion& region : regions) {
    if (region.name == name) return &region;
  }
  return nullptr;
}

std::optional<std::string_view> EvidenceBytes::AtRva(std::uint64_t rva, std::uint64_t size) const {
  for (const EvidenceRegion& region : regions) {
    if (!region.rva || rva < *region.rva) continue;
    const std::uint64_t into = rva - *region.rva;
    if (into <= region.bytes.size() && size <= region.bytes.size() - into) {
      return region.Text().substr(static_cast<std::size_t>(into), static_cast<std::size_t>(size));
    }
  }
  return std::nullopt;
}

std::optional<std::string_view> EvidenceBytes::AtAddress(std::uint64_t address, std::uint64_t size) const {
  if (!pe || address < pe->imageBase) return std::nullopt;
  return AtRva(address - pe->imageBase, size);
}

EvidenceBytes ReadEvidenceBytes(SourceView file) {
  EvidenceBytes bytes{file, ReadPeImage(file), {}};
  RegionReader reader(file, bytes.regions);
  if (!bytes.pe) {
    reader.Read("start", 0, kNoPeStartBytes);
    reader.Read("end", file.Size() - std::min(file.Size(), kFileEndBytes), kFileEndBytes);
    return bytes;
  }
  // The headers, and a little into the first section: a packer's block may
  // straddle the two ("3.94\0UPX!" at the end of the headers).
  std::uint64_t headers = kHeadersBytes;
  for (const PeSection& section : bytes.pe->sections) {
    if (section.rawSize != 0 && section.rawOffset > bytes.pe->peOffset) {
      headers = std::min<std::uint64_t>(headers, std::uint64_t{section.rawOffset} + kHeadersOverlap);
    }
  }
  reader.Read("headers", 0, headers);
  for (const PeSection& section : bytes.pe->sections) {
    if (section.IsDebug()) continue;
    const std::uint64_t head = std::min(std::uint64_t{section.rawSize}, section.IsCode() ? kCodeEdgeBytes : kDataHeadBytes);
    reader.Read(section.name, section.rawOffset, head, section.virtualAddress);
    const std::uint64_t tail =
        std::min(section.rawSize - head, section.IsCode() ? kCodeEdgeBytes : kDataTailBytes);
    reader.Read(section.name, section.rawOffset + section.rawSize - tail, tail,
                static_cast<std::uint32_t>(section.virtualAddress + section.rawSize - tail));
  }
  reader.Read("overlay", bytes.pe->endOfSections, kOverlayBytes);
  reader.Read("end", file.Size() - std::min(file.Size(), kFileEndBytes), kFileEndBytes);
  return bytes;
}

}  // namespace vantric
