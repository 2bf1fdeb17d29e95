#pragma once

#include <string>
#include <string_view>

namespace vantric::ui {

// The program's text for the wide Windows calls, which show every character.
// Text that is not UTF-8 (a database written in a Windows code page) is read
// in the system's code page, as the narrow calls read it.
std::wstring WideText(std::string_view text);

// What a wide Windows call gave, as the program's UTF-8.
std::string Utf8Text(std::wstring_view text);

}  // namespace vantric::ui
