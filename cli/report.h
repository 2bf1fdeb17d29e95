#pragma once

#include <string>
#include <string_view>

#include "analysis/analyze_file.h"

namespace vantric::cli {

// "ok", "not-found", "too-small", "open-failed", "io-error".
std::string_view StatusName(AnalysisStatus status);

// The twelve fields labelled as the window labels them, one per line, under
// a line naming the path, all escaped for a terminal.
std::string TextReport(const std::string& path, const AnalysisResult& result);

// One JSON object on one line (newline included). The path is written
// losslessly (see JsonString); field text that is not valid UTF-8 is written
// byte by byte as the characters U+0080..U+00FF, which reads well for the
// Latin-1 and Windows code-page text of version resources and databases.
std::string JsonReport(const std::string& path, const AnalysisResult& result);
// The same for a path that was not analysed: its status and why.
std::string JsonFailure(const std::string& path, std::string_view status, const std::string& error);

// How JSON text shows bytes that are not valid UTF-8.
enum class NonUtf8 {
  kLatin1,          // as the character of the same number, U+0080..U+00FF
  kSurrogateEscape  // as \udcXX, which Python's "surrogateescape" turns back into the byte
};
std::string JsonString(std::string_view bytes, NonUtf8 mode = NonUtf8::kLatin1);

}  // namespace vantric::cli
