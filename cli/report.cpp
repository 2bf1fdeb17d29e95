#include "cli/report.h"

#include <cstdint>
#include <utility>

#include "platform/text_escape.h"

namespace vantric::cli {
namespace {

// \u00XX, or \udcXX with `high` 0xdc.
void AppendEscapedCodeUnit(std::string& out, unsigned value, unsigned high = 0) {
  static constexpr char kDigits[] = "0123456789abcdef";
  out += "\\u";
  out += kDigits[high >> 4];
  out += kDigits[high & 15];
  out += kDigits[(value >> 4) & 15];
  out += kDigits[value & 15];
}

std::string JsonHead(const std::string& path, std::string_view status) {
  return "{\"path\":" + JsonString(path, NonUtf8::kSurrogateEscape) + ",\"status\":" + JsonString(status);
}

}  // namespace

std::string_view StatusName(AnalysisStatus status) {
  switch (status) {
    case AnalysisStatus::kOk: return "ok";
    case AnalysisStatus::kNotFound: return "not-found";
    case AnalysisStatus::kTooSmall: return "too-small";
    case AnalysisStatus::kOpenFailed: return "open-failed";
    case AnalysisStatus::kTooLarge: return "too-large";
    case AnalysisStatus::kIoError: return "io-error";
  }
  return "io-error";
}

std::string JsonString(std::string_view bytes, NonUtf8 mode) {
  std::string out = "\"";
  while (!bytes.empty()) {
    const auto c = static_cast<std::uint8_t>(bytes[0]);
    const std::size_t length = Utf8SequenceLength(bytes);
    if (length > 1) {
      out.append(bytes.substr(0, length));
    } else if (length == 0 && mode == NonUtf8::kSurrogateEscape) {
      AppendEscapedCodeUnit(out, c, 0xDC);
    } else if (length == 0) {
      // Not UTF-8: keep the byte's value as the character of that number.
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c < 0x20 || c == 0x7F) {
      AppendEscapedCodeUnit(out, c);
    } else {
      out += static_cast<char>(c);
    }
    bytes.remove_prefix(length == 0 ? 1 : length);
  }
  return out + "\"";
}

std::string TextReport(const std::string& path, const AnalysisResult& result) {
  const TAppInfo& info = result.info;
  const std::pair<const char*, const std::string*> lines[] = {
      {"Filename", &info.fileName},   {"Comments", &info.comments},       {"Version", &info.fileVersion},
      {"Product", &info.productName}, {"Company", &info.companyName},     {"Language", &info.language},
      {"Compiler", &info.compiler},   {"Company", &info.compilerCompany}, {"URL", &info.compilerUrl},
      {"Program", &info.program},     {"Company", &info.programCompany},  {"URL", &info.programUrl},
  };
  std::string out = TerminalText(path) + "\n";
  std::size_t index = 0;
  for (const auto& [label, value] : lines) {
    // A blank line between the window's three groups.
    if (index == 5 || index == 9) out += "\n";
    out += "  ";
    out += label;
    out += ":";
    out.append(10 - std::string_view(label).size(), ' ');
    out += TerminalText(*value);
    out += "\n";
    ++index;
  }
  return out;
}

std::string JsonFailure(const std::string& path, std::string_view status, const std::string& error) {
  return JsonHead(path, status) + ",\"error\":" + JsonString(error) + "}\n";
}

std::string JsonReport(const std::string& path, const AnalysisResult& result) {
  const TAppInfo& info = result.info;
  auto field = [](const char* key, const std::string& value) {
    return std::string("\"") + key + "\":" + JsonString(value);
  };
  if (result.status != AnalysisStatus::kOk) return JsonFailure(path, StatusName(result.status), result.error);
  std::string out = JsonHead(path, StatusName(result.status));
  out += ",\"version\":{" + field("filename", info.fileName) + "," + field("comments", info.comments) + "," +
         field("version", info.fileVersion) + "," + field("product", info.productName) + "," +
         field("company", info.companyName) + "}";
  out += ",\"compiler\":{" + field("language", info.language) + "," + field("compiler", info.compiler) + "," +
         field("company", info.compilerCompany) + "," + field("url", info.compilerUrl) + "}";
  out += ",\"compression\":{" + field("program", info.program) + "," + field("company", info.programCompany) +
         "," + field("url", info.programUrl) + "}";
  return out + "}\n";
}

}  // namespace vantric::cli
