#include "shellstuff/browse_for_file.h"

#include <windows.h>

#include "shellstuff/browse_folder_dlg.h"

namespace vantric {
namespace {

// Old systems get the plain folder tree: no text above it, and only folders.
bool BrowseForFolder(std::string& path, std::int32_t helpContext) {
  TBrowseFolderDlg dialog;
  dialog.BrowseKind = TBrowseKind::bfFolders;
  dialog.FolderName = path;
  dialog.HelpContext = helpContext;
  if (!dialog.Execute()) return false;
  path = dialog.FolderName;
  return true;
}

}  // namespace

bool NewStyleControls() {
  static const bool newStyle = LOBYTE(LOWORD(GetVersion())) >= 4;
  return newStyle;
}

bool BrowseForFile(std::string& path, const std::string& title, std::int32_t helpContext) {
  return BrowseForFile(path, title, helpContext, NewStyleControls());
}

bool BrowseForFile(std::string& path, const std::string& title, std::int32_t helpContext,
                   bool newStyleControls) {
  if (!newStyleControls) return BrowseForFolder(path, helpContext);
  TBrowseFolderDlg dialog;
  dialog.BrowseKind = TBrowseKind::bfFiles;
  dialog.DialogText = title;
  dialog.FolderName = path;
  dialog.HelpContext = helpContext;
  if (!dialog.Execute()) return false;
  path = dialog.FolderName;
  return true;
}

}  // namespace vantric
