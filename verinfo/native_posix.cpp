#include <unistd.h>

#include <climits>

#include "verinfo/text.h"

namespace vantric {

std::string NarrowFromUtf16(std::u16string_view text) { return Utf16ToUtf8(text); }

std::u16string Utf16FromNarrow(std::string_view text) { return Utf8ToUtf16(text); }

// No Windows user locale to ask here: language-neutral, then US English (the
// fallback of the Windows loader), then whatever comes first.
std::vector<std::uint16_t> PreferredResourceLanguages() { return {0x0000, 0x0409}; }

std::string RunningProgramPath() {
  char buffer[PATH_MAX];
  ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer);
  if (length <= 0 || static_cast<std::size_t>(length) >= sizeof buffer) return {};
  return std::string(buffer, static_cast<std::size_t>(length));
}

}  // namespace vantric
