#include "ui/shell_launch.h"

#include <shellapi.h>

#include "ui/safe_link.h"
#include "ui/wide_text.h"

namespace vantric::ui {

ShellExecuteFunction SystemShellExecute() {
  return [](HWND owner, const std::string& target, const std::string& parameters) {
    // The result is not looked at: a launch that fails shows nothing.
    const std::wstring wideParameters = WideText(parameters);
    ShellExecuteW(owner, nullptr, WideText(target).c_str(),
                  parameters.empty() ? nullptr : wideParameters.c_str(), nullptr, SW_SHOWDEFAULT);
  };
}

void OpenSafeLink(const ShellExecuteFunction& shellExecute, HWND owner, std::string_view text) {
  if (const std::optional<std::string> target = SafeLinkTarget(text)) shellExecute(owner, *target, {});
}

}  // namespace vantric::ui
