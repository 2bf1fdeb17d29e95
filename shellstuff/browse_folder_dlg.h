#pragma once

#include <windows.h>
// After windows.h, which it builds on.
#include <shlobj.h>

#include <cstdint>
#include <exception>
#include <functional>
#include <string>

namespace vantric {

enum class TBrowseKind : std::uint8_t { bfFolders, bfComputers, bfFiles };
enum class TDialogPosition : std::uint8_t { dpDefault, dpScreenCenter };

class TBrowseFolderDlg;
using TNotifyEvent = std::function<void(TBrowseFolderDlg& sender)>;

// A message as the dialog's window procedure receives it.
struct TMessage {
  UINT Msg;
  WPARAM WParam;
  LPARAM LParam;
  LRESULT Result;
};

// The shell's tree-style browse dialog as a component: picks a folder, a
// computer or a file, keeps OK enabled only for an acceptable selection,
// optionally adds a Help button and centres itself. Runs modally on the GUI
// thread, which must have COM initialised.
class TBrowseFolderDlg {
 public:
  TBrowseFolderDlg();
  virtual ~TBrowseFolderDlg();
  TBrowseFolderDlg(const TBrowseFolderDlg&) = delete;
  TBrowseFolderDlg& operator=(const TBrowseFolderDlg&) = delete;

  // Shows the dialog. True when the user confirmed a selection (FolderName,
  // SelectedName and ImageIndex then hold it); false on Cancel, with nothing
  // changed. Throws OleError when the tree's root can't be had and Win32Error
  // when the confirmed item has no path; an exception thrown by an event
  // handler closes the dialog and leaves here too.
  bool Execute();

  TBrowseKind BrowseKind = TBrowseKind::bfFolders;
  bool DesktopRoot = true;
  std::string DialogText;
  std::string FolderName;
  std::int32_t HelpContext = 0;
  TDialogPosition Position = TDialogPosition::dpScreenCenter;
  TNotifyEvent OnInitialized;
  TNotifyEvent OnSelChanged;

  HWND Handle() const { return handle_; }
  const std::string& SelectedName() const { return selectedName_; }
  int ImageIndex() const { return imageIndex_; }

 protected:
  // Every message of the dialog while the component holds its window.
  virtual void WndProc(TMessage& message);
  // Hands the message to the dialog's own procedure; drops it once the
  // window is gone.
  virtual void DefaultHandler(TMessage& message);
  // The item list of a special folder (a CSIDL_ code), for the tree's root.
  virtual HRESULT SpecialFolderLocation(int folder, LPITEMIDLIST* item) const;

 private:
  static int CALLBACK BrowseCallback(HWND window, UINT notification, LPARAM parameter, LPARAM data);
  static LRESULT CALLBACK TakenOverProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  LPITEMIDLIST RootItem() const;
  LPITEMIDLIST RunModal(BROWSEINFOA& info);
  void Initialized(HWND window);
  void SelectionChanged(HWND window, LPCITEMIDLIST item);
  void Preselect();
  void AddHelpButton();
  void EnableOk(bool enable);
  void WMCommand(TMessage& message);
  void WMNCDestroy(TMessage& message);
  // Runs a handler the shell calls; an exception ends the dialog and is
  // rethrown when the shell returns.
  template <typename Function>
  void Guarded(Function&& function) noexcept;

  WNDPROC previousProcedure_ = nullptr;
  HWND handle_ = nullptr;
  std::string displayName_;
  std::string selectedName_;
  int imageIndex_ = 0;
  bool okEnabled_ = true;
  bool selectionSeen_ = false;
  std::exception_ptr pendingError_;
};

}  // namespace vantric
