#pragma once

#include <windows.h>

#include <commctrl.h>  // after windows.h, whose types it uses

#include <string>

#include "ui/control.h"
#include "ui/handles.h"

namespace vantric::ui {

// The hints of a window's controls: one tooltip window, one tool per control.
class ToolTip : public Control {
 public:
  static constexpr std::size_t kMaxToolText = 1023;
  static constexpr int kMaxTipWidth = 480;

  // The tooltip has no owner window: Wine refuses to make a window stay on
  // top while it owns a stay-on-top popup. So it is ours to destroy.
  void Create() {
    window_.reset(CreateWindowExA(
        WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr));
    Attach(window_.get());
    // Lines broken at "\r\n" need a width to wrap within.
    SendMessageA(handle(), TTM_SETMAXTIPWIDTH, 0, kMaxTipWidth);
  }
  void AddTool(HWND owner, HWND control, const std::string& text) const {
    TOOLINFOA tool{};
    tool.cbSize = TTTOOLINFOA_V2_SIZE;  // understood by every comctl32
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = owner;
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = const_cast<char*>(text.c_str());
    SendMessageA(handle(), TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
  }
  // Changes a tool's text; an empty text shows no hint.
  void SetToolText(HWND owner, HWND control, const std::string& text) const {
    TOOLINFOA tool{};
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    tool.hwnd = owner;
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = const_cast<char*>(text.c_str());
    SendMessageA(handle(), TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
  }
  // Texts longer than kMaxToolText come back cut short.
  std::string ToolText(HWND owner, HWND control) const {
    char buffer[kMaxToolText + 1] = {};
    TOOLINFOA tool{};
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    tool.hwnd = owner;
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = buffer;
    SendMessageA(handle(), TTM_GETTEXTA, sizeof buffer, reinterpret_cast<LPARAM>(&tool));
    return buffer;
  }

 private:
  unique_hwnd window_;
};

}  // namespace vantric::ui
