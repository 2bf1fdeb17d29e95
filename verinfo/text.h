#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vantric {

// UTF-16 to UTF-8. Surrogate pairs become one code point; a surrogate without
// its partner becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);

// UTF-8 to UTF-16. Each malformed byte (bad lead, cut or overlong sequence,
// encoded surrogate, value past U+10FFFF) becomes U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text);

// Text in the form the platform's narrow ("A") functions use: UTF-8 on POSIX,
// the ANSI code page on Windows.
std::string NarrowFromUtf16(std::u16string_view text);
std::u16string Utf16FromNarrow(std::string_view text);

// The resource languages to try, best first, when a file holds its version
// resource in several: the ones the platform's resource loader prefers.
std::vector<std::uint16_t> PreferredResourceLanguages();

// The full path of the running program's file; empty when it can't be told.
std::string RunningProgramPath();

}  // namespace vantric
