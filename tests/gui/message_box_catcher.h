#pragma once

// Real message boxes, caught as they open: a CBT hook on the test's thread
// reads each dialog's caption, text and icon and closes it with OK.

#include <windows.h>

#include <string>
#include <vector>

namespace vantric::testing {

struct CaughtMessageBox {
  std::string caption;
  std::string text;
  bool errorIcon = false;
};

class MessageBoxCatcher {
 public:
  MessageBoxCatcher();
  ~MessageBoxCatcher();
  MessageBoxCatcher(const MessageBoxCatcher&) = delete;
  MessageBoxCatcher& operator=(const MessageBoxCatcher&) = delete;

  const std::vector<CaughtMessageBox>& boxes() const { return boxes_; }
  std::vector<std::string> texts() const;
  void clear() { boxes_.clear(); }

 private:
  static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam);
  HHOOK hook_ = nullptr;
  std::vector<CaughtMessageBox> boxes_;
};

}  // namespace vantric::testing
