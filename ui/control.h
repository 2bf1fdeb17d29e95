#pragma once

#include <windows.h>

#include <string>

#include "ui/wide_text.h"
#include "ui/window.h"

namespace vantric::ui {

// A child control of a system class, owned by its parent window (which
// destroys it). No logic here: only the calls every control kind shares.
class Control {
 public:
  Control() = default;
  void Create(const char* className, const std::string& text, DWORD style, DWORD exStyle, HWND parent,
              int left, int top, int width, int height, int id = 0);
  void Attach(HWND window) { handle_ = window; }

  HWND handle() const { return handle_; }
  std::string Text() const { return WindowText(handle_); }
  void SetText(const std::string& text) const { SetWindowTextW(handle_, WideText(text).c_str()); }
  void SetFont(HFONT font) const { SendMessageA(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE); }
  void Show(bool visible) const { ShowWindow(handle_, visible ? SW_SHOWNA : SW_HIDE); }
  bool Visible() const { return IsWindowVisible(handle_) != FALSE; }
  void Repaint() const { UpdateWindow(handle_); }
  // Sizes the control to its one-line text in its font, keeping its left and
  // top, as an auto-sized label does: whatever face the system substitutes,
  // the text is never clipped.
  void FitToText() const;

 private:
  HWND handle_ = nullptr;
};

}  // namespace vantric::ui
