#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "verinfo/little_endian.h"

namespace vantric {

// Random access to the bytes of an untrusted file, wherever they are kept.
// Parsers never call it directly: they read through a SourceView, which checks
// every offset and size first.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual std::uint64_t Size() const = 0;
  // Fills `out` from `offset`; the range lies inside Size(). Throws IoError
  // when those bytes can't be had.
  virtual void ReadRange(std::uint64_t offset, std::span<std::uint8_t> out) = 0;
};

// A window on a ByteSource, as ByteView is one on memory: every access names
// an offset and a size and goes through Read(), which checks them against the
// window first. Offsets are 64-bit so that sums of two 32-bit file fields never
// wrap, even in 32-bit builds.
class SourceView {
 public:
  explicit SourceView(ByteSource& source) : source_(&source), size_(source.Size()) {}

  std::uint64_t Size() const { return size_; }

  // Written so that no addition can overflow, whatever the operands.
  bool Fits(std::uint64_t offset, std::uint64_t size) const {
    return size <= size_ && offset <= size_ - size;
  }

  std::optional<SourceView> Sub(std::uint64_t offset, std::uint64_t size) const {
    if (!Fits(offset, size)) return std::nullopt;
    return SourceView(source_, base_ + offset, size);
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

  // The first `limit` bytes of the window (all of it when it is shorter),
  // copied out. The limit, not the file, sets what this allocates.
  std::vector<std::uint8_t> CopyFirst(std::size_t limit) const {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(std::min<std::uint64_t>(size_, limit)));
    Read(0, bytes);
    return bytes;
  }

 private:
  SourceView(ByteSource* source, std::uint64_t base, std::uint64_t size)
      : source_(source), base_(base), size_(size) {}

  // The one place that touches the bytes.
  bool Read(std::uint64_t offset, std::span<std::uint8_t> out) const {
    if (!Fits(offset, out.size())) return false;
    source_->ReadRange(base_ + offset, out);
    return true;
  }

  ByteSource* source_;
  std::uint64_t base_ = 0;
  std::uint64_t size_;
};

}  // namespace vantric
