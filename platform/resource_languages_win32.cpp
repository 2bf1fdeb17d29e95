#include <windows.h>

#include <algorithm>

#include "platform/resource_languages.h"

namespace vantric {

// version.dll finds a version block in this order too.
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

}  // namespace vantric
