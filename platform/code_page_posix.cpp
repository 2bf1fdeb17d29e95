#include "platform/code_page.h"
#include "platform/utf_conversion.h"

namespace vantric {

std::string NarrowFromUtf16(std::u16string_view text) { return Utf16ToUtf8(text); }

std::u16string Utf16FromNarrow(std::string_view text) { return Utf8ToUtf16(text); }

}  // namespace vantric
