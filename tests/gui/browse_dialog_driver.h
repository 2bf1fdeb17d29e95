#pragma once

// Drives the shell's browse dialog from inside its own modal loop, as a user
// would: a thread timer finds the open dialog and runs one step per tick.

#include <windows.h>
// After windows.h, which it builds on.
#include <shlobj.h>

#include <functional>
#include <string>
#include <vector>

namespace vantric::testing {

class BrowseDialogDriver {
 public:
  // A step returns false when it must be tried again on the next tick.
  using Step = std::function<bool(HWND dialog)>;

  explicit BrowseDialogDriver(std::vector<Step> steps);
  ~BrowseDialogDriver();
  BrowseDialogDriver(const BrowseDialogDriver&) = delete;
  BrowseDialogDriver& operator=(const BrowseDialogDriver&) = delete;

  // All steps ran; a dialog was seen at all.
  bool finished() const { return next_ == steps_.size(); }
  bool sawDialog() const { return sawDialog_; }

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
  void RunNextStep();

  std::vector<Step> steps_;
  std::size_t next_ = 0;
  int idleTicks_ = 0;
  bool sawDialog_ = false;
  UINT_PTR timer_ = 0;
};

// The open browse dialog of this thread; null when there is none.
HWND FindBrowseDialog();

// Steps. Select repeats until the tree shows the item selected: a loaded
// shell may still be filling the tree when the first request comes.
BrowseDialogDriver::Step Select(const std::string& path);
BrowseDialogDriver::Step SelectSpecialFolder(int csidl);
BrowseDialogDriver::Step Press(int buttonId);  // IDOK or IDCANCEL, also when disabled
BrowseDialogDriver::Step Check(std::function<void(HWND dialog)> check);

bool OkEnabled(HWND dialog);

// Records the path of every BFFM_SETSELECTIONA or W sent on this thread.
class SetSelectionSpy {
 public:
  SetSelectionSpy();
  ~SetSelectionSpy();
  SetSelectionSpy(const SetSelectionSpy&) = delete;
  SetSelectionSpy& operator=(const SetSelectionSpy&) = delete;

  std::vector<std::string> paths;

 private:
  static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam);
  HHOOK hook_ = nullptr;
};

}  // namespace vantric::testing
