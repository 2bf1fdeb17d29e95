#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>

namespace vantric::ui {

// The one way from a window to the shell (run a file, open Notepad or a web
// address). Tests put a recorder here. `parameters` empty means none.
using ShellExecuteFunction =
    std::function<void(HWND owner, const std::string& target, const std::string& parameters)>;

// ShellExecuteA with the default verb and SW_SHOWDEFAULT; a launch that fails
// shows nothing.
ShellExecuteFunction SystemShellExecute();

// Opens a link whose text came from a database or a scanned file, when the
// safe-link rule lets it: a web or mail address only, never a path or a
// command line.
void OpenSafeLink(const ShellExecuteFunction& shellExecute, HWND owner, std::string_view text);

}  // namespace vantric::ui
