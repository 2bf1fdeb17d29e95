#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "evidence/evidence_bytes.h"
#include "evidence/toolchain_finding.h"
#include "verinfo/memory_source.h"

namespace vantric {

// A file's bytes and the regions a reader sees of it, placed by hand.
class Evidence {
 public:
  // The file is the first `visible` bytes of what is placed.
  explicit Evidence(std::size_t size, std::size_t visible = SIZE_MAX)
      : data_(size),
        source_(std::span(data_).first(std::min(size, visible))),
        bytes_{SourceView(source_), std::nullopt, {}} {}

  void Put(std::size_t at, std::string_view text) {
    ASSERT_LE(at + text.size(), data_.size());
    std::copy(text.begin(), text.end(), data_.begin() + static_cast<std::ptrdiff_t>(at));
  }
  void PutU32(std::size_t at, std::uint32_t value) {
    const char raw[] = {static_cast<char>(value), static_cast<char>(value >> 8), static_cast<char>(value >> 16),
                        static_cast<char>(value >> 24)};
    Put(at, std::string_view(raw, 4));
  }
  // A region holding the file's bytes [offset, offset + size), as read.
  void Region(std::string name, std::size_t offset, std::size_t size, std::optional<std::uint32_t> rva = {}) {
    bytes_.regions.push_back({std::move(name), offset, rva,
                              std::vector<std::uint8_t>(data_.begin() + static_cast<std::ptrdiff_t>(offset),
                                                        data_.begin() + static_cast<std::ptrdiff_t>(offset + size))});
  }
  PeImage& Pe() {
    if (!bytes_.pe) bytes_.pe.emplace();
    return *bytes_.pe;
  }

  template <typename Reader>
  ToolchainFindings Run(Reader reader) const {
    ToolchainFindings findings;
    reader(bytes_, findings);
    return findings;
  }

 private:
  std::vector<std::uint8_t> data_;
  MemorySource source_;
  EvidenceBytes bytes_;
};

}  // namespace vantric
