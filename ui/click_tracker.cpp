#include "ui/click_tracker.h"

#include <windowsx.h>

namespace vantric::ui {

ClickEvent ClickTracker::OnMessage(HWND control, UINT message, LPARAM lParam) {
  switch (message) {
    case WM_LBUTTONDOWN:
      pressed_ = true;
      SetCapture(control);
      return ClickEvent::kPressed;
    case WM_LBUTTONUP: {
      if (!pressed_) return ClickEvent::kReleased;
      pressed_ = false;
      ReleaseCapture();
      RECT client;
      GetClientRect(control, &client);
      const POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      return PtInRect(&client, at) ? ClickEvent::kClicked : ClickEvent::kReleased;
    }
    case WM_CAPTURECHANGED: pressed_ = false; return ClickEvent::kNone;
    default: return ClickEvent::kNone;
  }
}

}  // namespace vantric::ui
