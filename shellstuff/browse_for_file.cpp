#include "shellstuff/browse_for_file.h"

#include <windows.h>

#include "shellstuff/browse_folder_dlg.h"

namespace vantric {

bool NewStyleControls() {
  static const bool newStyle = LOBYTE(LOWORD(GetVersion())) >= 4;
  return newStyle;
}

bool BrowseForFile(std::string& path, const std::string& title, std::int32_t helpContext) {
  return BrowseForFile(path, title, helpContext, NewStyleControls());
}

bool BrowseForFile(std::string& path, const std::string& title, std::int32_t helpContext,
                   bool newStyleControls) {
  TBrowseFolderDlg dialog;
  // Old systems get the plain folder tree: no text above it, only folders.
  dialog.BrowseKind = newStyleControls ? TBrowseKind::bfFiles : TBrowseKind::bfFolders;
  if (newStyleControls) dialog.DialogText = title;
  dialog.FolderName = path;
  dialog.HelpContext = helpContext;
  if (!dialog.Execute()) return false;
  path = dialog.FolderName;
  return true;
}

}  // namespace vantric
