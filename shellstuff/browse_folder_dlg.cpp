#include "shellstuff/browse_folder_dlg.h"

#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "platform/file_system.h"
#include "shellstuff/path_functions.h"
#include "shellstuff/shell_errors.h"
#include "ui/application.h"
#include "ui/handles.h"
#include "ui/wide_text.h"

namespace vantric {
namespace {

constexpr std::size_t kPathCapacity = MAX_PATH;  // 260
constexpr int kHelpButtonId = 0xFFFF;
constexpr int kHelpButtonLeft = 12;
// The window property that leads the taken-over procedure to its component.
constexpr char kOwnerProperty[] = "VantricBrowseFolderDlg";
// Posted to the dialog to apply the OK state once more: some shells run a
// check of their own after the selection callback and would overrule it.
constexpr UINT kApplyOkState = WM_APP + 0x5A;

struct ItemListFree {
  void operator()(ITEMIDLIST* item) const noexcept { CoTaskMemFree(item); }
};
using unique_item_list = std::unique_ptr<ITEMIDLIST, ItemListFree>;

UINT FlagsFor(TBrowseKind kind) {
  switch (kind) {
    case TBrowseKind::bfFolders: return BIF_RETURNONLYFSDIRS | BIF_RETURNFSANCESTORS;
    case TBrowseKind::bfComputers: return BIF_BROWSEFORCOMPUTER;
    case TBrowseKind::bfFiles: return BIF_BROWSEINCLUDEFILES | BIF_RETURNFSANCESTORS;
  }
  return 0;
}

// The item's file-system path; nothing when it has none. Asked in UTF-16, so
// that a name outside the system's code page comes whole.
std::optional<std::string> ItemPath(LPCITEMIDLIST item) {
  wchar_t path[kPathCapacity] = {};
  if (item == nullptr || !SHGetPathFromIDListW(item, path)) return std::nullopt;
  return ui::Utf8Text(path);
}

std::string TextBeforeNul(const std::string& buffer) { return buffer.substr(0, buffer.find('\0')); }

void CentreOnScreen(HWND window) {
  RECT rect{};
  GetWindowRect(window, &rect);
  const RECT centred = CentredOnScreen(rect, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  SetWindowPos(window, nullptr, centred.left, centred.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL CALLBACK CollectEnabledWindow(HWND window, LPARAM data) {
  if (IsWindowVisible(window) && IsWindowEnabled(window)) {
    reinterpret_cast<std::vector<HWND>*>(data)->push_back(window);
  }
  return TRUE;
}

}  // namespace

TBrowseFolderDlg::TBrowseFolderDlg() : displayName_(kPathCapacity, '\0') {}

TBrowseFolderDlg::~TBrowseFolderDlg() {
  // Destroyed while its dialog still runs (only from inside a handler): the
  // window must not reach a component that is gone.
  if (handle_ != nullptr) RemovePropA(handle_, kOwnerProperty);
}

bool TBrowseFolderDlg::Execute() {
  const unique_item_list root(RootItem());
  displayName_.assign(kPathCapacity, '\0');
  okEnabled_ = true;
  selectionSeen_ = false;

  BROWSEINFOA info{};
  const ui::Application* application = ui::Application::Current();
  info.hwndOwner = application ? application->MainWindow() : nullptr;
  info.pidlRoot = root.get();
  info.pszDisplayName = displayName_.data();
  info.lpszTitle = DialogText.empty() ? nullptr : DialogText.c_str();
  info.ulFlags = FlagsFor(BrowseKind);
  info.lpfn = BrowseCallback;
  info.lParam = reinterpret_cast<LPARAM>(this);
  info.iImage = 0;

  // The selection step tracks the selection while the dialog is open; a run
  // that ends without a choice leaves SelectedName as it was.
  const std::string selectedBefore = selectedName_;
  const unique_item_list chosen(RunModal(info));
  if (pendingError_ || !chosen) selectedName_ = selectedBefore;
  if (pendingError_) std::rethrow_exception(std::exchange(pendingError_, nullptr));
  if (!chosen) return false;

  if (BrowseKind == TBrowseKind::bfComputers) {
    FolderName = TextBeforeNul(displayName_);
  } else {
    SetLastError(0);
    const std::optional<std::string> path = ItemPath(chosen.get());
    if (!path) throw Win32Error(GetLastError());
    FolderName = RemoveTrailingBackslash(*path);
  }
  selectedName_ = FolderName;
  imageIndex_ = info.iImage;
  return true;
}

HRESULT TBrowseFolderDlg::SpecialFolderLocation(int folder, LPITEMIDLIST* item) const {
  return SHGetSpecialFolderLocation(nullptr, folder, item);
}

LPITEMIDLIST TBrowseFolderDlg::RootItem() const {
  const bool desktop = DesktopRoot && BrowseKind != TBrowseKind::bfComputers;
  if (desktop) return nullptr;
  const int folder = BrowseKind == TBrowseKind::bfComputers ? CSIDL_NETWORK : CSIDL_DRIVES;
  LPITEMIDLIST root = nullptr;
  const HRESULT result = SpecialFolderLocation(folder, &root);
  if (FAILED(result)) {
    CoTaskMemFree(root);
    throw OleError(result);
  }
  return root;
}

LPITEMIDLIST TBrowseFolderDlg::RunModal(BROWSEINFOA& info) {
  const HWND active = GetActiveWindow();
  std::vector<HWND> disabled;
  EnumThreadWindows(GetCurrentThreadId(), CollectEnabledWindow, reinterpret_cast<LPARAM>(&disabled));
  for (HWND window : disabled) EnableWindow(window, FALSE);

  const auto restore = ui::scope_exit([&] {
    if (handle_ != nullptr) RemovePropA(handle_, kOwnerProperty);
    handle_ = nullptr;
    previousProcedure_ = nullptr;
    for (HWND window : disabled) {
      if (IsWindow(window)) EnableWindow(window, TRUE);
    }
    if (active != nullptr && IsWindow(active)) SetActiveWindow(active);
  });
  return SHBrowseForFolderA(&info);
}

template <typename Function>
void TBrowseFolderDlg::Guarded(Function&& function) noexcept {
  try {
    function();
  } catch (...) {
    // Nothing may unwind through the shell's own code: keep the first
    // exception, close the dialog as Cancel would, and throw it from Execute.
    if (pendingError_) return;
    pendingError_ = std::current_exception();
    if (handle_ != nullptr) PostMessageA(handle_, WM_COMMAND, IDCANCEL, 0);
  }
}

int CALLBACK TBrowseFolderDlg::BrowseCallback(HWND window, UINT notification, LPARAM parameter, LPARAM data) {
  auto* self = reinterpret_cast<TBrowseFolderDlg*>(data);
  switch (notification) {
    case BFFM_INITIALIZED: self->Guarded([&] { self->Initialized(window); }); break;
    case BFFM_SELCHANGED:
      self->Guarded([&] { self->SelectionChanged(window, reinterpret_cast<LPCITEMIDLIST>(parameter)); });
      break;
    default: break;
  }
  return 0;
}

void TBrowseFolderDlg::Initialized(HWND window) {
  if (Position == TDialogPosition::dpScreenCenter) CentreOnScreen(window);
  handle_ = window;
  SetPropA(window, kOwnerProperty, this);
  previousProcedure_ = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(TakenOverProcedure)));
  if (BrowseKind != TBrowseKind::bfComputers) {
    // No selection yet is nothing to accept. And a selection reported before
    // the take-over (some shells report the first one early) had its OK
    // state overruled by the shell: apply it again.
    if (!selectionSeen_) okEnabled_ = false;
    PostMessageA(window, kApplyOkState, 0, 0);
  }
  Preselect();
  if (HelpContext != 0) AddHelpButton();
  if (OnInitialized) OnInitialized(*this);
}

void TBrowseFolderDlg::Preselect() {
  if (BrowseKind != TBrowseKind::bfComputers && !FolderExists(FolderName)) return;
  // In UTF-16: a folder name outside the system's code page is found too.
  const std::wstring folder = ui::WideText(FolderName);
  SendMessageA(handle_, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(folder.c_str()));
}

void TBrowseFolderDlg::AddHelpButton() {
  const HWND model = FindWindowExA(handle_, nullptr, "BUTTON", nullptr);
  if (model == nullptr) return;
  RECT rect{};
  GetWindowRect(model, &rect);
  POINT corners[2] = {{rect.left, rect.top}, {rect.right, rect.bottom}};
  ScreenToClient(handle_, &corners[0]);
  ScreenToClient(handle_, &corners[1]);
  const auto font = reinterpret_cast<HFONT>(SendMessageA(handle_, WM_GETFONT, 0, 0));
  const HWND help = CreateWindowExA(
      0, "BUTTON", "&Help", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP, kHelpButtonLeft,
      corners[0].y, corners[1].x - corners[0].x, corners[1].y - corners[0].y, handle_,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(kHelpButtonId)), GetModuleHandleA(nullptr), nullptr);
  if (help != nullptr && font != nullptr)
    SendMessageA(help, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  UpdateWindow(handle_);
}

void TBrowseFolderDlg::SelectionChanged(HWND window, LPCITEMIDLIST item) {
  handle_ = window;
  selectionSeen_ = true;
  if (BrowseKind == TBrowseKind::bfComputers) {
    selectedName_ = TextBeforeNul(displayName_);
  } else {
    const std::optional<std::string> path = ItemPath(item);
    selectedName_ = path.value_or(std::string());
    const bool acceptable =
        path && (BrowseKind == TBrowseKind::bfFolders ? FolderExists(*path) : FileExists(*path));
    EnableOk(acceptable);
  }
  if (OnSelChanged) OnSelChanged(*this);
}

void TBrowseFolderDlg::EnableOk(bool enable) {
  okEnabled_ = enable;
  if (handle_ == nullptr) return;
  SendMessageA(handle_, BFFM_ENABLEOK, 0, enable ? 1 : 0);
  PostMessageA(handle_, kApplyOkState, 0, 0);
}

LRESULT CALLBACK TBrowseFolderDlg::TakenOverProcedure(HWND window, UINT message, WPARAM wParam,
                                                      LPARAM lParam) {
  auto* self = static_cast<TBrowseFolderDlg*>(GetPropA(window, kOwnerProperty));
  if (self == nullptr) return DefWindowProcA(window, message, wParam, lParam);
  TMessage record{message, wParam, lParam, 0};
  self->Guarded([&] { self->WndProc(record); });
  return record.Result;
}

void TBrowseFolderDlg::WndProc(TMessage& message) {
  switch (message.Msg) {
    case WM_COMMAND: WMCommand(message); break;
    case WM_NCDESTROY: WMNCDestroy(message); break;
    case kApplyOkState: SendMessageA(handle_, BFFM_ENABLEOK, 0, okEnabled_ ? 1 : 0); break;
    default: DefaultHandler(message); break;
  }
}

void TBrowseFolderDlg::WMCommand(TMessage& message) {
  if (message.WParam == kHelpButtonId && HelpContext != 0) {
    if (ui::Application* application = ui::Application::Current()) application->HelpContext(HelpContext);
    return;
  }
  DefaultHandler(message);
}

void TBrowseFolderDlg::WMNCDestroy(TMessage& message) {
  const HWND window = handle_;
  DefaultHandler(message);
  if (window != nullptr) RemovePropA(window, kOwnerProperty);
  handle_ = nullptr;
}

void TBrowseFolderDlg::DefaultHandler(TMessage& message) {
  if (handle_ == nullptr || previousProcedure_ == nullptr) {
    message.Result = 0;
    return;
  }
  message.Result = CallWindowProcA(previousProcedure_, handle_, message.Msg, message.WParam, message.LParam);
}

}  // namespace vantric
