#include "platform/command_line.h"

namespace vantric {

std::vector<std::string> CommandLineArguments(int argc, char** argv) { return {argv, argv + argc}; }

}  // namespace vantric
