#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <cwchar>

#include "platform/command_line.h"
#include "platform/utf_conversion.h"

namespace vantric {

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!wide) return {argv, argv + argc};
  std::vector<std::string> arguments;
  for (int i = 0; i < count; ++i) {
    arguments.push_back(Utf16ToUtf8({reinterpret_cast<const char16_t*>(wide[i]), std::wcslen(wide[i])}));
  }
  LocalFree(wide);
  return arguments;
}

}  // namespace vantric
