#include "platform/standard_output.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>

namespace vantric {

std::string StandardOutputError() {
  // A stream already in error (stdout closed before the start) may leave errno 0.
  return errno != 0 ? std::strerror(errno) : "write error";
}

std::optional<std::string> CloseStandardOutput() {
  errno = 0;
  std::cout.flush();
  if (!std::cout || std::ferror(stdout) || std::fflush(stdout) != 0) return StandardOutputError();
  if (std::fclose(stdout) != 0) return StandardOutputError();
  return std::nullopt;
}

}  // namespace vantric
