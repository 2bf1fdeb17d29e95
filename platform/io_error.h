#pragma once

#include <stdexcept>
#include <string>

namespace vantric {

// Error codes in the numbering the user sees (the Windows/DOS one). POSIX
// builds translate errno into it where a counterpart exists, and show any
// other errno as kPosixErrorBase + errno.
inline constexpr int kErrorFileNotFound = 2;
inline constexpr int kErrorInvalidFilename = 3;
inline constexpr int kErrorTooManyOpenFiles = 4;
inline constexpr int kErrorAccessDenied = 5;
inline constexpr int kErrorReadFault = 30;
inline constexpr int kPosixErrorBase = 10000;
inline constexpr int kErrorReadBeyondEnd = 100;
// Ours alone (no system reports a negative code): a file read whole went on
// past the size it had when the read began.
inline constexpr int kErrorFileChanged = -1;

// The user-facing text for an I/O error code, without a final period: the
// application's error display adds that. POSIX builds give the system's text
// for an errno shown as kPosixErrorBase + errno.
std::string IoErrorText(int code);

// A failed file operation. The analysis and the loaders let it pass; the
// window shows it in its error display, the command-line programs report it
// for the file or database concerned.
class IoError : public std::runtime_error {
 public:
  explicit IoError(int code);
  int code() const noexcept { return code_; }

 private:
  int code_;
};

}  // namespace vantric
