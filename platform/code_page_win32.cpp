#include <windows.h>

#include "platform/code_page.h"

namespace vantric {

std::string NarrowFromUtf16(std::u16string_view text) {
  if (text.empty()) return {};
  const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
  const int count = static_cast<int>(text.size());
  int length = WideCharToMultiByte(CP_ACP, 0, wide, count, nullptr, 0, nullptr, nullptr);
  if (length <= 0) return {};
  std::string out(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide, count, out.data(), length, nullptr, nullptr);
  return out;
}

std::u16string Utf16FromNarrow(std::string_view text) {
  if (text.empty()) return {};
  const int count = static_cast<int>(text.size());
  int length = MultiByteToWideChar(CP_ACP, 0, text.data(), count, nullptr, 0);
  if (length <= 0) return {};
  std::u16string out(static_cast<std::size_t>(length), u'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), count, reinterpret_cast<wchar_t*>(out.data()), length);
  return out;
}

}  // namespace vantric
