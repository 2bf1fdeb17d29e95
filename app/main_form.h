#pragma once

#include <windows.h>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "analysis/analyzer.h"
#include "app/main_form_layout.h"
#include "ui/application.h"
#include "ui/click_tracker.h"
#include "ui/control.h"
#include "ui/handles.h"
#include "ui/progress_bar.h"
#include "ui/shell_launch.h"
#include "ui/speed_button.h"
#include "ui/status_bar.h"
#include "ui/tooltip.h"
#include "ui/window.h"

namespace vantric {

// Index of the hand cursor in the application's cursor table.
inline constexpr int crHand = 12;
inline constexpr int crDefault = 0;                // never registered: the arrow
inline constexpr COLORREF kLinkColour = 0xFF0000;  // blue: the value is in blue-green-red order
inline constexpr COLORREF kPlainColour = 0x000000;

// The quit code when a database file is missing.
inline constexpr int kMissingDatabaseQuitCode = 18;

// The two ways out of the window into the system (the other is
// ui::ShellExecuteFunction). Tests put recorders here.
using MessageBoxFunction =
    std::function<int(HWND owner, const std::string& text, const std::string& caption, UINT flags)>;
using ui::ShellExecuteFunction;

MessageBoxFunction SystemMessageBox();

// The main window: loads the databases, takes files from the command line and
// from drops, and shows what the analysis finds.
class TMainForm : public ui::Window {
 public:
  struct Options {
    // The program's arguments, without the program itself.
    std::vector<std::string> arguments;
    MessageBoxFunction messageBox = SystemMessageBox();
    ShellExecuteFunction shellExecute = ui::SystemShellExecute();
  };

  // Creates the window hidden and runs the creation steps.
  TMainForm(ui::Application& application, Options options);
  ~TMainForm() override;

  // Runs the show steps, then shows the window.
  void Show(int showCommand = SW_SHOWNORMAL);

  void AnalyzeFile(const std::string& path);
  void ClearResults();
  void ShowAppInfo(const TAppInfo& info);
  void ShowToolchainHint(const ToolchainFindings& findings);
  void SetLinkStyle(ResultField field, bool isLink);

  // The seams: every message box and every shell launch of the window.
  MessageBoxFunction messageBox;
  ShellExecuteFunction shellExecute;
  // What "&About" does: shows the About window.
  std::function<void()> showAbout;

  // For the tests and for whoever builds on this window.
  const std::string& CurrentFile() const { return currentFile_; }
  const std::string& LastFolder() const { return lastFolder_; }
  const Analyzer& Analysis() const { return analyzer_; }
  HWND Field(ResultField field) const { return fields_[static_cast<int>(field)].control.handle(); }
  COLORREF FieldTextColour(ResultField field) const { return fields_[static_cast<int>(field)].textColour; }
  int FieldCursor(ResultField field) const { return fields_[static_cast<int>(field)].cursor; }
  HWND HiddenKey() const { return hiddenKey_.handle(); }
  const ui::StatusBar& StatusBar() const { return statusBar_; }
  const ui::ProgressBar& ProgressBar() const { return progressBar_; }
  const ui::Control& DatabaseLabel() const { return databaseLabel_; }
  ui::SpeedButton& Button(BarButton button) { return *buttons_[button]; }
  const ui::ToolTip& Hints() const { return hints_; }

 protected:
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  struct ResultFieldControl {
    ui::Control control;
    std::unique_ptr<ui::Subclass> subclass;
    COLORREF textColour = kPlainColour;
    int cursor = crDefault;
    ui::ClickTracker clicks;
  };

  void CreateControls();
  void FitLabels();
  void CreateGroup(const GroupLayout& layout);
  bool HandleResultFieldMessage(ResultField field, UINT message, LPARAM lParam, LRESULT& result);

  // The handlers.
  void FormCreate();
  void FormShow();
  bool FormKeyPreview(const MSG& message);
  void WMDropFiles(HDROP drop);
  void ResultFieldEnter();
  void ResultFieldClick(ResultField field);
  void SpeedButtonClick(BarButton button);
  void OpenClick();

  bool LoadDatabaseFile(DatabaseKind kind);
  void ShowMessage(const std::string& text);
  void SetStatus(const std::string& text);

  ui::Application& application_;
  std::vector<std::string> arguments_;

  Analyzer analyzer_;
  std::string currentFile_;
  std::string lastFolder_;

  ui::unique_hfont formFont_;
  ui::unique_hfont fieldFont_;
  ui::unique_hfont buttonFont_;
  ui::unique_hfont labelFont_;
  ui::unique_hfont narrowLabelFont_;  // only where the form's font is too wide
  std::array<ui::unique_hbitmap, kBarButtonCount> glyphs_;

  std::array<ResultFieldControl, kResultFieldCount> fields_;
  std::vector<ui::Control> groups_;
  std::vector<ui::Control> labels_;
  ui::ProgressBar progressBar_;
  ui::Control buttonFrame_;
  std::array<std::unique_ptr<ui::SpeedButton>, kBarButtonCount> buttons_;
  ui::Control databaseLabel_;
  ui::StatusBar statusBar_;
  ui::Control hiddenKey_;
  ui::ToolTip hints_;
};

}  // namespace vantric
