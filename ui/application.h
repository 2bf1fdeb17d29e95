#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>

namespace vantric::ui {

// The error text as the default exception display shows it: a final "." is
// added when the text ends in a character that sorts after ".".
std::string WithFinalPeriod(std::string text);

// Sees a keyboard message of one top-level window before it is translated and
// dispatched. Returning true swallows it.
using KeyPreview = std::function<bool(const MSG&)>;

// The one application object of the process: COM on the main thread, the
// title every message box carries, the main loop with its key preview, the
// table of cursors by index, and the display of exceptions that escape a
// message handler.
class Application {
 public:
  explicit Application(std::string title);
  ~Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  // The living application object; there is at most one.
  static Application* Current();

  const std::string& Title() const { return title_; }
  HINSTANCE Instance() const { return instance_; }

  // Destroying this window ends the main loop with code 0.
  void SetMainWindow(HWND window) { mainWindow_ = window; }
  HWND MainWindow() const { return mainWindow_; }
  void MainWindowDestroyed(HWND window);

  // Runs until WM_QUIT and returns its code.
  int Run();
  // Handles everything that is waiting and returns; the quit code when a
  // WM_QUIT came by (it is consumed).
  std::optional<int> ProcessMessages();

  void SetKeyPreview(HWND topLevel, KeyPreview preview);
  void RemoveKeyPreview(HWND topLevel);

  // Gives a top-level window the keyboard of a dialog box: Tab between its
  // controls, Enter on its default button, Alt+letter on a control.
  void AddDialog(HWND topLevel) { dialogs_.insert(topLevel); }
  void RemoveDialog(HWND topLevel) { dialogs_.erase(topLevel); }
  // The loop of a modal window: runs until `done` says so (true) or a WM_QUIT
  // comes by (false; it is posted again for the loop outside).
  bool RunModal(const std::function<bool()>& done);

  // Cursors by index; an index that was never registered gives the arrow.
  void SetCursor(int index, HCURSOR cursor);
  HCURSOR Cursor(int index) const;

  // Shows help for a topic. The program ships no help file: without a
  // handler set, a request is ignored.
  void SetHelpHandler(std::function<void(int context)> handler) { helpHandler_ = std::move(handler); }
  void HelpContext(int context) const {
    if (helpHandler_) helpHandler_(context);
  }

  // Call inside a catch block: shows the exception being handled, or hands
  // its text to `onException` when one is set. Any thread may call it.
  void HandleException() noexcept;
  std::function<void(const std::string& text)> onException;
  void ShowException(const std::string& text) const;

 private:
  void Report(const std::string& text) const;
  // False when the message was swallowed by a preview.
  bool Preview(const MSG& message) const;
  void Dispatch(MSG& message) const;

  std::string title_;
  HINSTANCE instance_;
  bool comInitialised_ = false;
  HWND mainWindow_ = nullptr;
  std::map<HWND, KeyPreview> previews_;
  std::set<HWND> dialogs_;
  std::map<int, HCURSOR> cursors_;
  std::function<void(int)> helpHandler_;
};

}  // namespace vantric::ui
