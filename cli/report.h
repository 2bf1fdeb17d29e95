#pragma once

#include <string>
#include <string_view>

#include "analysis/analyze_file.h"

namespace vantric::cli {

// "ok", "not-found", "too-small", "open-failed", "too-large", "io-error".
std::string_view StatusName(AnalysisStatus status);

// The twelve fields labelled as the window labels them, one per line, under
// a line naming the path.
std::string TextReport(const std::string& path, const AnalysisResult& result);

// One JSON object on one line (newline included). Text that is not valid
// UTF-8 is written byte by byte as the characters U+0080..U+00FF.
std::string JsonReport(const std::string& path, const AnalysisResult& result);

std::string JsonString(std::string_view bytes);

}  // namespace vantric::cli
