#include "platform/io_error.h"

#include <system_error>

namespace vantric {

std::string IoErrorText(int code) {
  switch (code) {
    case kErrorFileNotFound: return "File not found";
    case kErrorInvalidFilename: return "Invalid filename";
    case kErrorTooManyOpenFiles: return "Too many open files";
    case kErrorAccessDenied: return "File access denied";
    case kErrorReadBeyondEnd: return "Read beyond end of file";
    case kErrorFileChanged: return "File changed while it was read";
    default: break;
  }
#ifndef _WIN32
  // Any other errno, in the system's own words ("No space left on device").
  if (code > kPosixErrorBase) return std::generic_category().message(code - kPosixErrorBase);
#endif
  return "I/O error " + std::to_string(code);
}

IoError::IoError(int code) : std::runtime_error(IoErrorText(code)), code_(code) {}

}  // namespace vantric
