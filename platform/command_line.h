#pragma once

#include <string>
#include <vector>

namespace vantric {

// The program's arguments as UTF-8, the program's own name first. On Windows
// they come from the wide command line, so that every name reaches the
// program whatever the system's code page; elsewhere they are argv as given.
std::vector<std::string> CommandLineArguments(int argc, char** argv);

}  // namespace vantric
