#include "tests/gui/message_box_catcher.h"

#include <cstring>

namespace vantric::testing {
namespace {

MessageBoxCatcher* active = nullptr;
std::vector<CaughtMessageBox>* sink = nullptr;

constexpr int kMessageTextId = 0xFFFF;  // the text's control in a message box

std::string TextOf(HWND window) {
  char buffer[1024] = {};
  GetWindowTextA(window, buffer, sizeof buffer);
  return buffer;
}

BOOL CALLBACK ReadChild(HWND child, LPARAM param) {
  auto* box = reinterpret_cast<CaughtMessageBox*>(param);
  char className[32] = {};
  GetClassNameA(child, className, sizeof className);
  if (lstrcmpiA(className, "Static") != 0) return TRUE;
  const auto style = static_cast<DWORD>(GetWindowLongPtrA(child, GWL_STYLE));
  if ((style & SS_TYPEMASK) == SS_ICON) {
    const auto icon = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
    box->errorIcon = icon != nullptr && icon == LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_ERROR));
  } else if (GetDlgCtrlID(child) == kMessageTextId) {
    box->text = TextOf(child);
  }
  return TRUE;
}

}  // namespace

MessageBoxCatcher::MessageBoxCatcher() {
  active = this;
  sink = &boxes_;
  hook_ = SetWindowsHookExA(WH_CBT, Hook, nullptr, GetCurrentThreadId());
}

MessageBoxCatcher::~MessageBoxCatcher() {
  if (hook_) UnhookWindowsHookEx(hook_);
  if (active == this) {
    active = nullptr;
    sink = nullptr;
  }
}

std::vector<std::string> MessageBoxCatcher::texts() const {
  std::vector<std::string> result;
  for (const auto& box : boxes_) result.push_back(box.text);
  return result;
}

LRESULT CALLBACK MessageBoxCatcher::Hook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE && sink) {
    const auto dialog = reinterpret_cast<HWND>(wParam);
    char className[32] = {};
    GetClassNameA(dialog, className, sizeof className);
    // Only message boxes: the shell's browse dialog is left to its driver.
    if (std::strcmp(className, "#32770") == 0 && !FindWindowExA(dialog, nullptr, "SysTreeView32", nullptr)) {
      CaughtMessageBox box;
      box.caption = TextOf(dialog);
      EnumChildWindows(dialog, ReadChild, reinterpret_cast<LPARAM>(&box));
      sink->push_back(box);
      PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    }
  }
  return CallNextHookEx(active ? active->hook_ : nullptr, code, wParam, lParam);
}

}  // namespace vantric::testing
