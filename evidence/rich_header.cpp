#include "evidence/rich_header.h"

#include <algorithm>

namespace vantric {
namespace {

constexpr std::uint32_t kRichMarker = 0x68636952;  // "Rich"
constexpr std::uint32_t kDansMarker = 0x536E6144;  // "DanS"
constexpr std::uint32_t kNewHeaderField = 0x3C;    // e_lfanew, left out of the checksum
constexpr std::size_t kDosHeaderSize = 0x40;

std::uint32_t U32At(std::string_view bytes, std::size_t at) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < 4; ++i) value |= std::uint32_t{static_cast<std::uint8_t>(bytes[at + i])} << (8 * i);
  return value;
}

std::uint32_t RotateLeft(std::uint32_t value, unsigned by) {
  by &= 31;
  return by == 0 ? value : value << by | value >> (32 - by);
}

}  // namespace

std::optional<RichHeader> DecodeRichHeader(std::string_view head, std::uint32_t peOffset) {
  const std::size_t end = std::min<std::size_t>(head.size(), peOffset);
  // The marker stands on a 4-byte boundary after the DOS header; the last
  // one before the PE header counts.
  std::optional<std::size_t> rich;
  for (std::size_t at = kDosHeaderSize; at + 8 <= end; at += 4) {
    if (U32At(head, at) == kRichMarker) rich = at;
  }
  if (!rich) return std::nullopt;
  RichHeader header;
  header.key = U32At(head, *rich + 4);

  // Back from the marker to the masked "DanS"; the list is pairs of dwords.
  std::optional<std::size_t> dans;
  for (std::size_t at = *rich; at >= kDosHeaderSize + 4;) {
    at -= 4;
    if ((U32At(head, at) ^ header.key) == kDansMarker) {
      dans = at;
      break;
    }
    if ((*rich - at) / 8 > kMaxRichEntries + 2) return std::nullopt;
  }
  // "DanS" and three zero dwords of padding, then the entries.
  if (!dans || *rich < *dans + 16 || (*rich - *dans - 16) % 8 != 0) return std::nullopt;
  header.offset = static_cast<std::uint32_t>(*dans);

  std::uint32_t checksum = header.offset;
  for (std::size_t i = 0; i < *dans; ++i) {
    if (i >= kNewHeaderField && i < kNewHeaderField + 4) continue;
    checksum += RotateLeft(static_cast<std::uint8_t>(head[i]), static_cast<unsigned>(i));
  }
  for (std::size_t at = *dans + 16; at < *rich; at += 8) {
    const std::uint32_t compId = U32At(head, at) ^ header.key;
    const std::uint32_t count = U32At(head, at + 4) ^ header.key;
    header.entries.push_back({static_cast<std::uint16_t>(compId >> 16), static_cast<std::uint16_t>(compId), count});
    checksum += RotateLeft(compId, count);
  }
  header.checksum = checksum;
  return header;
}

}  // namespace vantric
