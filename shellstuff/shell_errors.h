#pragma once

#include <windows.h>

#include <stdexcept>
#include <string>

namespace vantric {

// A failed shell or COM call: the system's text for the result code, or
// "OLE error %.8x" when the system has none.
class OleError : public std::runtime_error {
 public:
  explicit OleError(HRESULT result);
  HRESULT result() const { return result_; }

 private:
  HRESULT result_;
};

// A failed Win32 call, from the thread's last error code: "Win32 Error.  Code:
// %d.\n%s" with the system's text, or "A Win32 API function failed" when the
// code is 0.
class Win32Error : public std::runtime_error {
 public:
  explicit Win32Error(DWORD code);
  DWORD code() const { return code_; }

 private:
  DWORD code_;
};

// The system's message text for an error or result code, without the line
// break it ends with; empty when it has none.
std::string SystemErrorText(DWORD code);

}  // namespace vantric
