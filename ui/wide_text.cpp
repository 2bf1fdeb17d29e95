#include "ui/wide_text.h"

#include <windows.h>

#include "platform/utf_conversion.h"

namespace vantric::ui {

std::wstring WideText(std::string_view text) {
  const std::u16string wide = Utf8ToUtf16(text);
  // Valid UTF-8 is exactly the text that survives the round trip.
  if (Utf16ToUtf8(wide) == text) return std::wstring(wide.begin(), wide.end());
  const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring legacy(static_cast<std::size_t>(length > 0 ? length : 0), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), legacy.data(), length);
  return legacy;
}

std::string Utf8Text(std::wstring_view text) {
  return Utf16ToUtf8({reinterpret_cast<const char16_t*>(text.data()), text.size()});
}

}  // namespace vantric::ui
