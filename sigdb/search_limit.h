#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace vantric {

// Parses the search-limit text of a compression record: leading blanks
// (code 32 only), then either an optional sign and decimal digits within the
// signed 32-bit range, or a hexadecimal prefix ("$", "x", "X", "0x", "0X",
// no sign) and 1+ hex digits of at most 32 bits, read as a signed 32-bit
// number. Nothing may follow the digits. Empty when the text is not such a
// number.
std::optional<std::int32_t> ParseSearchLimit(std::string_view text);

// How far into a file of `fileSize` bytes a record with this limit text may
// start a match: unparsable or negative text means the whole file.
std::int64_t EffectiveSearchLimit(std::string_view text, std::int64_t fileSize);

}  // namespace vantric
