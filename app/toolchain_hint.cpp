#include "app/toolchain_hint.h"

#include "platform/text_escape.h"
#include "ui/tooltip.h"

namespace vantric {

std::string ToolchainHint(const ToolchainFindings& findings) {
  std::string hint;
  for (const ToolchainFinding& finding : findings) {
    std::string line = std::string(KindLabel(finding.kind)) + ": " + finding.name;
    if (!finding.version.empty()) line += " " + finding.version;
    line = TerminalText(line);
    if (hint.size() + line.size() + 2 > ui::ToolTip::kMaxToolText) break;
    if (!hint.empty()) hint += "\r\n";
    hint += line;
  }
  return hint;
}

}  // namespace vantric
