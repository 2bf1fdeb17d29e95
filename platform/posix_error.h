#pragma once

namespace vantric {

// The user-facing error code (see io_error.h) for an errno value. POSIX builds only.
int IoErrorCodeFromErrno(int error);

}  // namespace vantric
