#pragma once

#include <windows.h>

namespace vantric::ui {

enum class ClickEvent { kNone, kPressed, kReleased, kClicked };

// Turns a control's left-button messages into clicks: a click is a press and
// a release both on the control. The mouse is captured in between, so that
// the release is seen wherever it happens. The second press of a double
// click is left to the caller: one click acts once.
class ClickTracker {
 public:
  // kNone for a message that is not the button's; the others are answered.
  ClickEvent OnMessage(HWND control, UINT message, LPARAM lParam);

 private:
  bool pressed_ = false;
};

}  // namespace vantric::ui
