#pragma once

#include <string>
#include <string_view>

namespace vantric {

// Text in the form the platform's narrow ("A") functions take and give: UTF-8
// on POSIX, the ANSI code page on Windows.
std::string NarrowFromUtf16(std::u16string_view text);
std::u16string Utf16FromNarrow(std::string_view text);

}  // namespace vantric
