#include "ui/window.h"

#include <commctrl.h>

#include <set>
#include <stdexcept>
#include <vector>

#include "ui/application.h"
#include "ui/wide_text.h"

namespace vantric::ui {
namespace {

void Register(const WindowClassInfo& info, WNDPROC procedure) {
  static std::set<std::string> registered;
  if (registered.contains(info.name)) return;
  const std::wstring name = WideText(info.name);
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.style = info.style;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.hIcon = info.icon;
  windowClass.hCursor = info.cursor ? info.cursor : LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  windowClass.hbrBackground = info.background;
  windowClass.lpszClassName = name.c_str();
  if (!RegisterClassExW(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    throw std::runtime_error(std::string("Cannot register the window class ") + info.name);
  }
  registered.insert(info.name);
}

void ShowEscapedException() noexcept {
  if (Application* application = Application::Current()) {
    application->HandleException();
  }
}

}  // namespace

Window::~Window() { DestroyHandle(); }

void Window::Create(const WindowClassInfo& windowClass, DWORD exStyle, const std::string& caption,
                    DWORD style, const RECT& bounds, HWND parent) {
  Register(windowClass, Procedure);
  // A Unicode window: its caption keeps every character of a name.
  HWND window = CreateWindowExW(exStyle, WideText(windowClass.name).c_str(), WideText(caption).c_str(), style,
                                bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top,
                                parent, nullptr, GetModuleHandleW(nullptr), this);
  if (!window) {
    // WM_NCCREATE may have taken a handle that creation then destroyed.
    (void)handle_.release();
    throw std::runtime_error(std::string("Cannot create the window ") + windowClass.name);
  }
  if (handle_.get() != window) handle_.reset(window);
}

void Window::DestroyHandle() {
  if (!handle_) return;
  // From here on the object may be half gone: messages take the default path.
  SetWindowLongPtrW(handle_.get(), GWLP_USERDATA, 0);
  handle_.reset();
}

LRESULT Window::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return DefaultMessage(message, wParam, lParam);
}

LRESULT Window::DefaultMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(handle_.get(), message, wParam, lParam);
}

LRESULT CALLBACK Window::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    self->handle_.reset(window);
  }
  auto* self = reinterpret_cast<Window*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!self) return DefWindowProcW(window, message, wParam, lParam);
  LRESULT result = 0;
  try {
    result = self->OnMessage(message, wParam, lParam);
  } catch (...) {
    ShowEscapedException();
    result = DefWindowProcW(window, message, wParam, lParam);
  }
  if (message == WM_NCDESTROY) {
    // Destroyed from outside (DefWindowProc on WM_CLOSE, or with the parent).
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    (void)self->handle_.release();
  }
  return result;
}

Subclass::Subclass(HWND window, SubclassHandler handler) : window_(window), handler_(std::move(handler)) {
  SetWindowSubclass(window_, Procedure, 1, reinterpret_cast<DWORD_PTR>(this));
}

Subclass::~Subclass() {
  if (window_) RemoveWindowSubclass(window_, Procedure, 1);
}

LRESULT CALLBACK Subclass::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                     DWORD_PTR data) {
  auto* self = reinterpret_cast<Subclass*>(data);
  if (message == WM_NCDESTROY) {
    RemoveWindowSubclass(window, Procedure, 1);
    self->window_ = nullptr;
    return DefSubclassProc(window, message, wParam, lParam);
  }
  try {
    LRESULT result = 0;
    if (self->handler_ && self->handler_(window, message, wParam, lParam, result)) return result;
  } catch (...) {
    ShowEscapedException();
  }
  return DefSubclassProc(window, message, wParam, lParam);
}

std::string WindowText(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::vector<wchar_t> buffer(static_cast<std::size_t>(length) + 1);
  const int got = GetWindowTextW(window, buffer.data(), length + 1);
  return Utf8Text({buffer.data(), static_cast<std::size_t>(got > 0 ? got : 0)});
}

}  // namespace vantric::ui
