#include "ui/shell_launch.h"

#include <shellapi.h>

#include "ui/safe_link.h"

namespace vantric::ui {

ShellExecuteFunction SystemShellExecute() {
  return [](HWND owner, const std::string& target, const std::string& parameters) {
    // The result is not looked at: a launch that fails shows nothing.
    ShellExecuteA(owner, nullptr, target.c_str(), parameters.empty() ? nullptr : parameters.c_str(), nullptr,
                  SW_SHOWDEFAULT);
  };
}

void OpenSafeLink(const ShellExecuteFunction& shellExecute, HWND owner, std::string_view text) {
  if (const std::optional<std::string> target = SafeLinkTarget(text)) shellExecute(owner, *target, {});
}

}  // namespace vantric::ui
