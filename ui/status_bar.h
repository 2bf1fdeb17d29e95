#pragma once

#include <commctrl.h>

#include <string>
#include <vector>

#include "ui/control.h"

namespace vantric::ui {

// A status bar showing one panel across its whole width. (One part rather
// than the control's "simple" mode: not every comctl32 reads the simple text
// back.)
class StatusBar : public Control {
 public:
  void MakeSimple() const {
    int right = -1;
    SendMessageA(handle(), SB_SETPARTS, 1, reinterpret_cast<LPARAM>(&right));
  }
  void SetSimpleText(const std::string& text) const {
    SendMessageA(handle(), SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }
  std::string SimpleText() const {
    const auto length = LOWORD(SendMessageA(handle(), SB_GETTEXTLENGTHA, 0, 0));
    std::vector<char> buffer(length + 1u);
    SendMessageA(handle(), SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(buffer.data()));
    return buffer.data();
  }
};

}  // namespace vantric::ui
