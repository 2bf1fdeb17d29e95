#pragma once

#include <cstddef>
#include <functional>
#include <string_view>

#include "evidence/evidence_bytes.h"

namespace vantric {

// Calls `found` with the text that follows each occurrence of `needle` in
// the regions read (at most `follow` bytes, less at a region's end), until it
// returns false or `limit` occurrences were seen.
void ForEachStatedText(const EvidenceBytes& bytes, std::string_view needle, std::size_t follow,
                       const std::function<bool(std::string_view after)>& found, std::size_t limit = 4096);

// Whether `needle` stands anywhere in the regions read.
bool StatesText(const EvidenceBytes& bytes, std::string_view needle);

// The longest start of `text` made of printable ASCII other than `stop`
// characters, at most `limit` long: a stated version or name, never control
// bytes from the file.
std::string_view PrintablePrefix(std::string_view text, std::string_view stop = "", std::size_t limit = 64);

}  // namespace vantric
