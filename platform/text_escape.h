#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vantric {

// Length of the valid UTF-8 sequence at the start of `text` (1 for ASCII), or
// 0 when its first byte starts no valid sequence: overlong forms, surrogates
// and values above U+10FFFF are not valid. `text` must not be empty.
std::size_t Utf8SequenceLength(std::string_view text);

// The text as valid UTF-8, each byte that starts no valid sequence taken as
// the character of its value (U+0080..U+00FF): what the JSON report and the
// Python module give for the Latin-1 and code-page text of version resources
// and databases.
std::string Utf8WithLatin1Bytes(std::string_view text);

// Text from a scanned file, a database or a file name, made safe for a
// terminal and one-to-one, so that what is shown is what is there:
//   \\            a backslash;
//   \a \b \t \n \v \f \r   those control characters;
//   \xNN          every other control byte (C0, DEL), each byte of a C1
//                 control written in UTF-8 (U+0080..U+009F: \xc2\x9b), and
//                 every byte that is not valid UTF-8;
//   \uNNNN        the characters that reorder or hide text: U+061C,
//                 U+200B..U+200F, U+2028..U+202E, U+2066..U+2069, U+FEFF
//                 (so "invoice_<U+202E>fdp.exe" reads invoice_\u202efdp.exe);
// NN and NNNN in lower-case hex, always two and four digits. Every escape
// starts with a backslash, the letter after it tells its length, and no other
// backslash is left, so distinct texts never print alike. Nothing can move
// the cursor, retitle the window, forge a line or hide a name's true end.
// Any other valid UTF-8 stays as it is.
std::string TerminalText(std::string_view text);

}  // namespace vantric
