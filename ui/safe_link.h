#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vantric::ui {

// What the shell may open for a link whose text came from a database or a
// scanned file: only a web or mail address, never a path or a command line.
// Accepts text starting with "http://", "https://", "ftp://" or "mailto:" in
// any case, and "www." (opened as "http://" + text). Anything else, and any
// text with a control character, a blank or a double quote (which could end
// the argument the shell builds for the browser), gives nothing.
std::optional<std::string> SafeLinkTarget(std::string_view text);

}  // namespace vantric::ui
