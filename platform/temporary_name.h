#pragma once

#include <string>

namespace vantric {

// A name beside `target` that nobody is likely to have taken: the target's
// name, ".tmp-" and 12 random hex digits. Taken or not, the caller creates
// the file exclusively.
std::string TemporaryNameBeside(const std::string& target);

}  // namespace vantric
