#pragma once

#include <algorithm>
#include <cstdint>
#include <span>

#include "verinfo/byte_source.h"

namespace vantric {

// A file whose bytes are already in memory: a fuzzer's input, a test's file.
class MemorySource final : public ByteSource {
 public:
  explicit MemorySource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  std::uint64_t Size() const override { return bytes_.size(); }

  void ReadRange(std::uint64_t offset, std::span<std::uint8_t> out) override {
    const auto from = bytes_.subspan(static_cast<std::size_t>(offset), out.size());
    std::copy(from.begin(), from.end(), out.begin());
  }

 private:
  std::span<const std::uint8_t> bytes_;
};

}  // namespace vantric
