#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "verinfo/byte_source.h"

namespace vantric {

// Hard limits on what a file may make the resource lookup walk through.
inline constexpr std::uint32_t kMaxSections = 96;
inline constexpr std::uint32_t kMaxDirectoryEntries = 4096;

// The version resource of a PE32 or PE32+ file: type RT_VERSION, name 1, in
// the first of `languages` present, else the first language listed in the
// file. Empty when the file is no PE image, has no such resource, or any
// structure on the way is out of bounds or loops. Reads the headers, the
// directories on the way and the data entry, nothing else: the resource itself
// is left for the caller to read as far as it needs.
std::optional<SourceView> FindVersionResource(SourceView file, std::span<const std::uint16_t> languages);

}  // namespace vantric
