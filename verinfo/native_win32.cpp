#include <windows.h>

#include <algorithm>

#include "verinfo/text.h"

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

// The order in which the system's resource loader tries languages when asked
// for no language in particular; version.dll finds the block that way.
std::vector<std::uint16_t> PreferredResourceLanguages() {
  std::vector<std::uint16_t> languages;
  auto push = [&languages](LANGID language) {
    if (std::find(languages.begin(), languages.end(), language) == languages.end())
      languages.push_back(language);
  };
  const LANGID user = GetUserDefaultLangID();
  const LANGID system = GetSystemDefaultLangID();
  push(MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL));
  push(LANGIDFROMLCID(GetThreadLocale()));
  push(user);
  push(MAKELANGID(PRIMARYLANGID(user), SUBLANG_NEUTRAL));
  push(system);
  push(MAKELANGID(PRIMARYLANGID(system), SUBLANG_NEUTRAL));
  push(MAKELANGID(LANG_ENGLISH, SUBLANG_DEFAULT));
  return languages;
}

std::string RunningProgramPath() {
  char buffer[MAX_PATH + 1];
  DWORD length = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return {};
  return std::string(buffer, length);
}

}  // namespace vantric
