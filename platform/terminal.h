#pragma once

namespace vantric {

// Whether the standard error stream goes to a terminal (where a progress
// line may be drawn and taken away again).
bool StandardErrorIsTerminal();

// Makes std::cout and std::cerr show UTF-8 text right where they write to a
// Windows console, which takes UTF-16 and reads bytes in its own code page;
// files and pipes still get the bytes as they are. Nothing to do elsewhere.
void WriteUnicodeToConsoles();

}  // namespace vantric
