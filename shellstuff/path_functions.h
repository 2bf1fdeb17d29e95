#pragma once

#include <windows.h>

#include <string>

namespace vantric {

// `s` without its last "\", unless `s` is one character or a drive root
// ("C:\" in either case). The last character is found character by character
// in the code page, so the second byte of a double-byte character never reads
// as "\". Removes one "\" at most.
std::string RemoveTrailingBackslash(const std::string& s, UINT codePage);
std::string RemoveTrailingBackslash(const std::string& s);  // UTF-8, as the program keeps paths

// True when `path` names an existing folder; a trailing "\" does not matter.
bool FolderExists(const std::string& path);

// Where a window of `window`'s size stands centred on a screen of the given
// size, kept on the screen: a window wider (taller) than the screen ends with
// its left (top) edge at 0.
RECT CentredOnScreen(const RECT& window, int screenWidth, int screenHeight);

}  // namespace vantric
