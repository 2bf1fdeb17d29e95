#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "ui/handles.h"

namespace vantric::ui {

// What a window class of ours looks like; registered on first use.
struct WindowClassInfo {
  const char* name;
  UINT style = 0;
  HICON icon = nullptr;
  HCURSOR cursor = nullptr;
  HBRUSH background = nullptr;
};

// A window of our own class whose messages go to OnMessage. Exceptions that
// leave a handler are shown by the application and the message is answered
// as if unhandled.
class Window {
 public:
  Window() = default;
  virtual ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  HWND handle() const { return handle_.get(); }
  void Show(bool visible) const { ShowWindow(handle_.get(), visible ? SW_SHOWNA : SW_HIDE); }
  bool Visible() const { return IsWindowVisible(handle_.get()) != FALSE; }

 protected:
  void Create(const WindowClassInfo& windowClass, DWORD exStyle, const std::string& caption, DWORD style,
              const RECT& bounds, HWND parent);
  // Derived classes call this first in their destructor, while their members
  // are still there for the messages that destruction sends.
  void DestroyHandle();

  virtual LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT DefaultMessage(UINT message, WPARAM wParam, LPARAM lParam);

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  unique_hwnd handle_;
};

// Catches a control's messages before its own window procedure. The handler
// returns true when it has answered the message (in `result`).
using SubclassHandler = std::function<bool(HWND, UINT, WPARAM, LPARAM, LRESULT& result)>;

class Subclass {
 public:
  Subclass() = default;
  Subclass(HWND window, SubclassHandler handler);
  ~Subclass();
  Subclass(const Subclass&) = delete;
  Subclass& operator=(const Subclass&) = delete;

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                    DWORD_PTR data);
  HWND window_ = nullptr;
  SubclassHandler handler_;
};

// Text of any window.
std::string WindowText(HWND window);

}  // namespace vantric::ui
