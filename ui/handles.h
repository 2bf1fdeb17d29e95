#pragma once

// One-line owning types for Win32 handles: the lifetime is the type, so no
// error path can leak a window, a font or a device context.

#include <windows.h>

#include <memory>
#include <type_traits>
#include <utility>

namespace vantric::ui {

template <typename Handle, auto Close>
struct HandleCloser {
  void operator()(Handle handle) const noexcept { Close(handle); }
};

template <typename Handle, auto Close>
using UniqueHandle = std::unique_ptr<std::remove_pointer_t<Handle>, HandleCloser<Handle, Close>>;

inline void DeleteGdiObject(HGDIOBJ object) noexcept { DeleteObject(object); }

using unique_hwnd = UniqueHandle<HWND, DestroyWindow>;
using unique_hfont = UniqueHandle<HFONT, DeleteGdiObject>;
using unique_hbitmap = UniqueHandle<HBITMAP, DeleteGdiObject>;
using unique_hbrush = UniqueHandle<HBRUSH, DeleteGdiObject>;
using unique_hdc = UniqueHandle<HDC, DeleteDC>;  // CreateCompatibleDC and friends
using unique_handle = UniqueHandle<HANDLE, CloseHandle>;

// A DC borrowed from a window with GetDC, handed back with ReleaseDC.
class unique_hdc_window {
 public:
  explicit unique_hdc_window(HWND window) : window_(window), dc_(GetDC(window)) {}
  ~unique_hdc_window() {
    if (dc_) ReleaseDC(window_, dc_);
  }
  unique_hdc_window(const unique_hdc_window&) = delete;
  unique_hdc_window& operator=(const unique_hdc_window&) = delete;
  HDC get() const { return dc_; }
  explicit operator bool() const { return dc_ != nullptr; }

 private:
  HWND window_;
  HDC dc_;
};

// Puts an object into a DC and the previous one back when it goes.
class SelectObjectScope {
 public:
  SelectObjectScope(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
  ~SelectObjectScope() { SelectObject(dc_, previous_); }
  SelectObjectScope(const SelectObjectScope&) = delete;
  SelectObjectScope& operator=(const SelectObjectScope&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// Saves the drawing state of a DC and puts it back when it goes: origin,
// clipping and selected objects, with every state saved after it.
class SaveDcScope {
 public:
  explicit SaveDcScope(HDC dc) : dc_(dc), saved_(SaveDC(dc)) {}
  ~SaveDcScope() {
    if (saved_) RestoreDC(dc_, saved_);
  }
  SaveDcScope(const SaveDcScope&) = delete;
  SaveDcScope& operator=(const SaveDcScope&) = delete;

 private:
  HDC dc_;
  int saved_;
};

// A window's paint DC from BeginPaint, handed back with EndPaint.
class PaintScope {
 public:
  explicit PaintScope(HWND window) : window_(window), dc_(BeginPaint(window, &paint_)) {}
  ~PaintScope() { EndPaint(window_, &paint_); }
  PaintScope(const PaintScope&) = delete;
  PaintScope& operator=(const PaintScope&) = delete;
  HDC get() const { return dc_; }

 private:
  HWND window_;
  PAINTSTRUCT paint_{};
  HDC dc_;
};

// Runs a function when the scope ends, however it ends.
template <typename Function>
class ScopeExit {
 public:
  explicit ScopeExit(Function function) : function_(std::move(function)) {}
  ~ScopeExit() { function_(); }
  ScopeExit(const ScopeExit&) = delete;
  ScopeExit& operator=(const ScopeExit&) = delete;

 private:
  Function function_;
};

template <typename Function>
ScopeExit<Function> scope_exit(Function function) {
  return ScopeExit<Function>(std::move(function));
}

}  // namespace vantric::ui
