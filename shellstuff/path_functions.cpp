#include "shellstuff/path_functions.h"

#include "platform/file_system.h"

namespace vantric {
namespace {

bool IsDriveRoot(const std::string& s) {
  if (s.size() != 3 || s[1] != ':' || s[2] != '\\') return false;
  const char drive = s[0];
  return (drive >= 'A' && drive <= 'Z') || (drive >= 'a' && drive <= 'z');
}

// Where the last character of `s` starts, walking from the front: a lead byte
// of the code page takes the next byte with it.
std::size_t LastCharacterStart(const std::string& s, UINT codePage) {
  std::size_t start = 0;
  for (std::size_t i = 0; i < s.size();) {
    start = i;
    const bool lead = IsDBCSLeadByteEx(codePage, static_cast<BYTE>(s[i])) && i + 1 < s.size();
    i += lead ? 2 : 1;
  }
  return start;
}

}  // namespace

std::string RemoveTrailingBackslash(const std::string& s, UINT codePage) {
  if (s.size() <= 1 || IsDriveRoot(s)) return s;
  const std::size_t last = LastCharacterStart(s, codePage);
  if (last != s.size() - 1 || s[last] != '\\') return s;
  return s.substr(0, last);
}

std::string RemoveTrailingBackslash(const std::string& s) { return RemoveTrailingBackslash(s, CP_UTF8); }

bool FolderExists(const std::string& path) {
  if (path.empty()) return false;
  const DWORD attributes = GetFileAttributesW(WidePath(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

RECT CentredOnScreen(const RECT& window, int screenWidth, int screenHeight) {
  const LONG width = window.right - window.left;
  const LONG height = window.bottom - window.top;
  LONG left = (screenWidth - width) / 2;
  LONG top = (screenHeight - height) / 2;
  if (left + width > screenWidth) left = screenWidth - width;
  if (left < 0) left = 0;
  if (top + height > screenHeight) top = screenHeight - height;
  if (top < 0) top = 0;
  return {left, top, left + width, top + height};
}

}  // namespace vantric
