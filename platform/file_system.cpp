#include "platform/file_system.h"

namespace vantric {

std::string ProgramDirectory() {
  const std::string path = RunningProgramPath();
  return path.substr(0, path.find_last_of(PathSeparators()) + 1);
}

}  // namespace vantric
