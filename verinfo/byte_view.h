#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "verinfo/little_endian.h"

namespace vantric {

// A read-only window on bytes from an untrusted file. Every access by the
// parsers names an offset and a size and goes through Read(), which checks them
// against the window first; no parser code indexes raw memory. Offsets are
// 64-bit so that sums of two 32-bit file fields never wrap, even in 32-bit
// builds.
class ByteView {
 public:
  ByteView() = default;
  explicit ByteView(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  std::uint64_t Size() const { return bytes_.size(); }

  // Written so that no addition can overflow, whatever the operands.
  bool Fits(std::uint64_t offset, std::uint64_t size) const {
    return size <= Size() && offset <= Size() - size;
  }

  std::optional<ByteView> Sub(std::uint64_t offset, std::uint64_t size) const {
    if (!Fits(offset, size)) return std::nullopt;
    return ByteView(bytes_.subspan(static_cast<std::size_t>(offset), static_cast<std::size_t>(size)));
  }

  std::optional<std::uint8_t> U8(std::uint64_t offset) const {
    std::uint8_t raw[1];
    if (!Read(offset, raw)) return std::nullopt;
    return raw[0];
  }
  std::optional<std::uint16_t> U16(std::uint64_t offset) const {
    std::uint8_t raw[2];
    if (!Read(offset, raw)) return std::nullopt;
    return LittleEndian16(raw);
  }
  std::optional<std::uint32_t> U32(std::uint64_t offset) const {
    std::uint8_t raw[4];
    if (!Read(offset, raw)) return std::nullopt;
    return LittleEndian32(raw);
  }

 private:
  // The one place that touches the bytes.
  template <std::size_t N>
  bool Read(std::uint64_t offset, std::uint8_t (&out)[N]) const {
    if (!Fits(offset, N)) return false;
    for (std::size_t i = 0; i < N; ++i) out[i] = bytes_[static_cast<std::size_t>(offset) + i];
    return true;
  }

  std::span<const std::uint8_t> bytes_;
};

}  // namespace vantric
