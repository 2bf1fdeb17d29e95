#pragma once

#include <string>

#include "analysis/app_info.h"

namespace vantric {

// The compiler group's hint: one finding a line ("Linker: Microsoft Linker
// 14.29.30133 (Visual Studio 2019 version 16.11)"), control characters from
// the file escaped, cut to what a tooltip holds. Empty when there is none.
std::string ToolchainHint(const ToolchainFindings& findings);

}  // namespace vantric
