#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "verinfo/byte_view.h"

namespace vantric {

// Hard limits on what a file may make the resource lookup walk through.
inline constexpr std::uint32_t kMaxSections = 96;
inline constexpr std::uint32_t kMaxDirectoryEntries = 4096;

// How many leading bytes of the file the resource lookup may need, judged from
// the headers in `prefix` (a leading part of the file). When the answer is
// larger than `prefix`, read that much and ask again: the headers themselves may
// lie further on. Never less than prefix.Size() once the headers are complete;
// the caller caps it by the file's real size.
std::uint64_t PeExtent(ByteView prefix);

// The version resource of a PE32 or PE32+ file: type RT_VERSION, name 1, in
// the first of `languages` present, else the first language listed in the
// file. Empty when the file is no PE image, has no such resource, or any
// structure on the way is out of bounds or loops.
std::optional<ByteView> FindVersionResource(ByteView file, std::span<const std::uint16_t> languages);

}  // namespace vantric
