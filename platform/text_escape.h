#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vantric {

// Length of the valid UTF-8 sequence at the start of `text` (1 for ASCII), or
// 0 when its first byte starts no valid sequence: overlong forms, surrogates
// and values above U+10FFFF are not valid. `text` must not be empty.
std::size_t Utf8SequenceLength(std::string_view text);

// Text from a scanned file, a database or a file name, made safe for a
// terminal: control characters (C0, DEL and the C1 range, whether written as
// bytes or as UTF-8) and every byte that is not valid UTF-8 become C escapes
// such as \n, \t and \x1b, so that nothing can move the cursor, retitle the
// window or forge a line. Valid printable UTF-8 stays as it is.
std::string TerminalText(std::string_view text);

}  // namespace vantric
