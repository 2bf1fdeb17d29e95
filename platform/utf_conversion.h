#pragma once

#include <string>
#include <string_view>

namespace vantric {

// UTF-16 to UTF-8. Surrogate pairs become one code point; a surrogate without
// its partner becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);

// UTF-8 to UTF-16. Each malformed byte (bad lead, cut or overlong sequence,
// encoded surrogate, value past U+10FFFF) becomes U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text);

}  // namespace vantric
