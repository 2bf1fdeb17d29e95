#include "tests/gui/browse_dialog_driver.h"

namespace vantric::testing {
namespace {

BrowseDialogDriver* current = nullptr;
SetSelectionSpy* currentSpy = nullptr;

// Ticks without a dialog before the driver gives up (a test that failed to
// open one must not hang); the dialog it finds then is cancelled.
constexpr int kPatience = 300;
constexpr UINT kTickMs = 20;

BOOL CALLBACK FindDialog(HWND window, LPARAM found) {
  char className[32] = {};
  GetClassNameA(window, className, sizeof className);
  if (IsWindowVisible(window) && lstrcmpA(className, "#32770") == 0 &&
      FindWindowExA(window, nullptr, "SysTreeView32", nullptr)) {
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

HWND FindBrowseDialog() {
  HWND found = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), FindDialog, reinterpret_cast<LPARAM>(&found));
  return found;
}

BrowseDialogDriver::BrowseDialogDriver(std::vector<Step> steps) : steps_(std::move(steps)) {
  current = this;
  timer_ = SetTimer(nullptr, 0, kTickMs, Tick);
}

BrowseDialogDriver::~BrowseDialogDriver() {
  KillTimer(nullptr, timer_);
  if (current == this) current = nullptr;
}

void CALLBACK BrowseDialogDriver::Tick(HWND, UINT, UINT_PTR, DWORD) {
  if (current) current->RunNextStep();
}

void BrowseDialogDriver::RunNextStep() {
  const HWND dialog = FindBrowseDialog();
  if (dialog == nullptr) {
    ++idleTicks_;
    return;
  }
  sawDialog_ = true;
  if (finished()) {
    // Steps used up with the dialog still open: the test went wrong.
    if (++idleTicks_ > kPatience) PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    return;
  }
  steps_[next_++](dialog);
}

BrowseDialogDriver::Step Select(const std::string& path) {
  return [path](HWND dialog) {
    SendMessageA(dialog, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(path.c_str()));
  };
}

BrowseDialogDriver::Step SelectSpecialFolder(int csidl) {
  return [csidl](HWND dialog) {
    LPITEMIDLIST item = nullptr;
    if (SUCCEEDED(SHGetSpecialFolderLocation(nullptr, csidl, &item))) {
      SendMessageA(dialog, BFFM_SETSELECTIONA, FALSE, reinterpret_cast<LPARAM>(item));
    }
    CoTaskMemFree(item);
  };
}

BrowseDialogDriver::Step Press(int buttonId) {
  return [buttonId](HWND dialog) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, buttonId)));
  };
}

BrowseDialogDriver::Step Check(std::function<void(HWND dialog)> check) { return check; }

bool OkEnabled(HWND dialog) { return IsWindowEnabled(GetDlgItem(dialog, IDOK)) != FALSE; }

SetSelectionSpy::SetSelectionSpy() {
  currentSpy = this;
  hook_ = SetWindowsHookExA(WH_CALLWNDPROC, Hook, nullptr, GetCurrentThreadId());
}

SetSelectionSpy::~SetSelectionSpy() {
  UnhookWindowsHookEx(hook_);
  if (currentSpy == this) currentSpy = nullptr;
}

LRESULT CALLBACK SetSelectionSpy::Hook(int code, WPARAM wParam, LPARAM lParam) {
  const auto* message = reinterpret_cast<const CWPSTRUCT*>(lParam);
  if (code == HC_ACTION && currentSpy && message->message == BFFM_SETSELECTIONA && message->wParam) {
    currentSpy->paths.emplace_back(reinterpret_cast<const char*>(message->lParam));
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace vantric::testing
