#include "platform/io_error.h"

namespace vantric {

std::string IoErrorText(int code) {
  switch (code) {
    case kErrorFileNotFound: return "File not found";
    case kErrorInvalidFilename: return "Invalid filename";
    case kErrorTooManyOpenFiles: return "Too many open files";
    case kErrorAccessDenied: return "File access denied";
    case kErrorReadBeyondEnd: return "Read beyond end of file";
    case kErrorFileChanged: return "File changed while it was read";
    default: return "I/O error " + std::to_string(code);
  }
}

IoError::IoError(int code) : std::runtime_error(IoErrorText(code)), code_(code) {}

}  // namespace vantric
