#include "shellstuff/shell_errors.h"

#include <cstdio>

namespace vantric {
namespace {

std::string OleErrorText(HRESULT result) {
  std::string text = SystemErrorText(static_cast<DWORD>(result));
  if (!text.empty()) return text;
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "OLE error %.8lx", static_cast<unsigned long>(result));
  return buffer;
}

std::string Win32ErrorText(DWORD code) {
  if (code == 0) return "A Win32 API function failed";
  const std::string system = SystemErrorText(code);
  char head[64];
  std::snprintf(head, sizeof head, "Win32 Error.  Code: %d.\n", static_cast<int>(code));
  return head + system;
}

}  // namespace

std::string SystemErrorText(DWORD code) {
  char buffer[1024] = {};
  DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                                buffer, sizeof buffer, nullptr);
  while (length > 0 &&
         (buffer[length - 1] == '\n' || buffer[length - 1] == '\r' || buffer[length - 1] == ' ')) {
    --length;
  }
  return std::string(buffer, length);
}

OleError::OleError(HRESULT result) : std::runtime_error(OleErrorText(result)), result_(result) {}

Win32Error::Win32Error(DWORD code) : std::runtime_error(Win32ErrorText(code)), code_(code) {}

}  // namespace vantric
