#include "ui/application.h"

#include <commctrl.h>
#include <objbase.h>

#include <exception>

namespace vantric::ui {
namespace {

Application* current = nullptr;

}  // namespace

std::string WithFinalPeriod(std::string text) {
  if (!text.empty() && static_cast<unsigned char>(text.back()) > static_cast<unsigned char>('.')) text += '.';
  return text;
}

Application::Application(std::string title) : title_(std::move(title)), instance_(GetModuleHandleA(nullptr)) {
  // The shell's file picker needs an apartment on this thread.
  comInitialised_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES | ICC_PROGRESS_CLASS | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);
  current = this;
}

Application::~Application() {
  if (current == this) current = nullptr;
  if (comInitialised_) CoUninitialize();
}

Application* Application::Current() { return current; }

void Application::MainWindowDestroyed(HWND window) {
  if (window != nullptr && window == mainWindow_) {
    mainWindow_ = nullptr;
    PostQuitMessage(0);
  }
}

void Application::SetKeyPreview(HWND topLevel, KeyPreview preview) {
  previews_[topLevel] = std::move(preview);
}

void Application::RemoveKeyPreview(HWND topLevel) { previews_.erase(topLevel); }

bool Application::Preview(const MSG& message) const {
  switch (message.message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_CHAR:
    case WM_SYSCHAR: break;
    default: return true;
  }
  if (message.hwnd == nullptr) return true;
  const auto found = previews_.find(GetAncestor(message.hwnd, GA_ROOT));
  if (found == previews_.end() || !found->second) return true;
  // Keep a copy: the preview may remove itself.
  const KeyPreview preview = found->second;
  try {
    return !preview(message);
  } catch (...) {
    current->HandleException();
    return false;
  }
}

void Application::Dispatch(MSG& message) const {
  if (!Preview(message)) return;
  if (message.hwnd != nullptr) {
    const HWND root = GetAncestor(message.hwnd, GA_ROOT);
    if (dialogs_.contains(root) && IsDialogMessageA(root, &message)) return;
  }
  TranslateMessage(&message);
  DispatchMessageA(&message);
}

int Application::Run() {
  MSG message{};
  for (;;) {
    const BOOL status = GetMessageA(&message, nullptr, 0, 0);
    if (status == 0) return static_cast<int>(message.wParam);
    if (status == -1) return 1;
    Dispatch(message);
  }
}

bool Application::RunModal(const std::function<bool()>& done) {
  MSG message{};
  while (!done()) {
    const BOOL status = GetMessageA(&message, nullptr, 0, 0);
    if (status == 0) {
      PostQuitMessage(static_cast<int>(message.wParam));
      return false;
    }
    if (status == -1) return false;
    Dispatch(message);
  }
  return true;
}

std::optional<int> Application::ProcessMessages() {
  MSG message{};
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) return static_cast<int>(message.wParam);
    Dispatch(message);
  }
  return std::nullopt;
}

void Application::SetCursor(int index, HCURSOR cursor) { cursors_[index] = cursor; }

HCURSOR Application::Cursor(int index) const {
  const auto found = cursors_.find(index);
  if (found != cursors_.end() && found->second != nullptr) return found->second;
  return LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
}

void Application::HandleException() noexcept {
  try {
    throw;
  } catch (const std::exception& error) {
    Report(error.what());
  } catch (...) {
    Report("Unknown error");
  }
}

void Application::Report(const std::string& text) const {
  if (onException) {
    onException(text);
  } else {
    ShowException(text);
  }
}

void Application::ShowException(const std::string& text) const {
  MessageBoxA(GetActiveWindow(), WithFinalPeriod(text).c_str(), title_.c_str(), MB_OK | MB_ICONERROR);
}

}  // namespace vantric::ui
