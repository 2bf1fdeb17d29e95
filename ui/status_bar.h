#pragma once

#include <commctrl.h>

#include <string>
#include <vector>

#include "ui/control.h"
#include "ui/wide_text.h"

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
    const std::wstring wide = WideText(text);
    SendMessageW(handle(), SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(wide.c_str()));
  }
  std::string SimpleText() const {
    const auto length = LOWORD(SendMessageW(handle(), SB_GETTEXTLENGTHW, 0, 0));
    std::vector<wchar_t> buffer(length + 1u);
    SendMessageW(handle(), SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(buffer.data()));
    return Utf8Text(buffer.data());
  }
};

}  // namespace vantric::ui
