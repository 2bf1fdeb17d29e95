#pragma once

#include <windows.h>

#include <commctrl.h>  // after windows.h, whose types it uses

#include <string>

#include "ui/control.h"
#include "ui/handles.h"
#include "ui/wide_text.h"

namespace vantric::ui {

// The hints of a window's controls: one tooltip window, one tool per control.
class ToolTip : public Control {
 public:
  static constexpr std::size_t kMaxToolText = 1023;
  static constexpr int kMaxTipWidth = 480;

  // The tooltip has no owner window: Wine refuses to make a window stay on
  // top while it owns a stay-on-top popup. So it is ours to destroy.
  void Create() {
    window_.reset(CreateWindowExW(
        WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr));
    Attach(window_.get());
    // Lines broken at "\r\n" need a width to wrap within.
    SendMessageA(handle(), TTM_SETMAXTIPWIDTH, 0, kMaxTipWidth);
  }
  void AddTool(HWND owner, HWND control, const std::string& text) const {
    std::wstring wide = WideText(text);
    TOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;  // understood by every comctl32
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = owner;
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = wide.data();
    SendMessageW(handle(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  }
  // Changes a tool's text; an empty text shows no hint.
  void SetToolText(HWND owner, HWND control, const std::string& text) const {
    std::wstring wide = WideText(text);
    TOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.hwnd = owner;
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = wide.data();
    SendMessageW(handle(), TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
  }
  // Texts longer than kMaxToolText UTF-16 units come back cut short.
  std::string ToolText(HWND owner, HWND control) const {
    wchar_t buffer[kMaxToolText + 1] = {};
    TOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.hwnd = owner;
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = buffer;
    SendMessageW(handle(), TTM_GETTEXTW, kMaxToolText + 1, reinterpret_cast<LPARAM>(&tool));
    return Utf8Text(buffer);
  }

 private:
  unique_hwnd window_;
};

}  // namespace vantric::ui
