#include "tests/gui/browse_dialog_driver.h"

#include <commctrl.h>

#include "ui/wide_text.h"

namespace vantric::testing {
namespace {

BrowseDialogDriver* current = nullptr;
SetSelectionSpy* currentSpy = nullptr;

// Ticks without a dialog before the driver gives up (a test that failed to
// open one must not hang); the dialog it finds then is cancelled.
constexpr int kPatience = 100;
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
  if (steps_[next_](dialog)) {
    ++next_;
  } else if (++idleTicks_ > kPatience) {
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
  }
}

std::string ItemText(HWND tree, HTREEITEM item) {
  char text[MAX_PATH] = {};
  TVITEMA query{};
  query.mask = TVIF_TEXT;
  query.hItem = item;
  query.pszText = text;
  query.cchTextMax = sizeof text;
  if (item == nullptr || !SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&query))) return {};
  return text;
}

// The text of the tree's selected item.
std::string SelectedItemText(HWND dialog) {
  const HWND tree = FindWindowExA(dialog, nullptr, "SysTreeView32", nullptr);
  return ItemText(tree, reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0)));
}

BrowseDialogDriver::Step Select(const std::string& path) {
  std::string name = path;
  while (name.size() > 3 && name.back() == '\\') name.pop_back();
  name = name.size() <= 3 ? std::string() : name.substr(name.find_last_of('\\') + 1);
  name = name.substr(0, name.find('.'));  // the shell may hide the extension
  const std::string parent = path.substr(0, path.find_last_of('\\', path.size() - 2) + 1);
  return [path, name, parent, tries = 0](HWND dialog) mutable {
    if (tries++ > 0) {
      // Wine's tree now and then finds no item for a path below a folder it
      // has filled before: open the parent and click the item as a user does.
      SendMessageA(dialog, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(parent.c_str()));
      const HWND tree = FindWindowExA(dialog, nullptr, "SysTreeView32", nullptr);
      const LPARAM folder = SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0);
      SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, folder);
      for (LPARAM child = SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CHILD, folder); child;
           child = SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT, child)) {
        if (ItemText(tree, reinterpret_cast<HTREEITEM>(child)).find(name) == 0) {
          SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, child);
          return true;
        }
      }
      return false;
    }
    SendMessageA(dialog, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(path.c_str()));
    return SelectedItemText(dialog).find(name) != std::string::npos;
  };
}

BrowseDialogDriver::Step SelectSpecialFolder(int csidl) {
  return [csidl](HWND dialog) {
    LPITEMIDLIST item = nullptr;
    if (SUCCEEDED(SHGetSpecialFolderLocation(nullptr, csidl, &item))) {
      SendMessageA(dialog, BFFM_SETSELECTIONA, FALSE, reinterpret_cast<LPARAM>(item));
    }
    CoTaskMemFree(item);
    return true;
  };
}

BrowseDialogDriver::Step Press(int buttonId) {
  return [buttonId](HWND dialog) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, buttonId)));
    return true;
  };
}

BrowseDialogDriver::Step Check(std::function<void(HWND dialog)> check) {
  return [check = std::move(check)](HWND dialog) {
    check(dialog);
    return true;
  };
}

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
  if (code == HC_ACTION && currentSpy && message->wParam) {
    if (message->message == BFFM_SETSELECTIONA)
      currentSpy->paths.emplace_back(reinterpret_cast<const char*>(message->lParam));
    if (message->message == BFFM_SETSELECTIONW)
      currentSpy->paths.push_back(ui::Utf8Text(reinterpret_cast<const wchar_t*>(message->lParam)));
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace vantric::testing
