#pragma once

#include <string>

namespace vantric {

// A name in the folder of `target` that nobody is likely to have taken:
// ".vantric-" and 12 random hex digits, short whatever the target's own
// name (one near the system's name limit leaves no room for a suffix).
// Taken or not, the caller creates the file exclusively.
std::string TemporaryNameBeside(const std::string& target);

}  // namespace vantric
