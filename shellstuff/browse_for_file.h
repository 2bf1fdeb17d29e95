#pragma once

#include <cstdint>
#include <string>

namespace vantric {

// Lets the user pick a file in the shell's browse dialog, starting at `path`
// when it is an existing folder, with `title` above the tree and a Help
// button when `helpContext` is non-zero. On OK `path` becomes the chosen
// file's full path and the result is true; on Cancel `path` is left as it
// was. Where the system has no new-style controls only folders can be picked.
bool BrowseForFile(std::string& path, const std::string& title, std::int32_t helpContext);

// The same with the system's kind given, so that the old-system branch can be
// reached on any system.
bool BrowseForFile(std::string& path, const std::string& title, std::int32_t helpContext,
                   bool newStyleControls);

// Whether the system has new-style controls (Windows 4 or later); decided
// once, on first use.
bool NewStyleControls();

}  // namespace vantric
