#include "cli/report.h"

#include <cstdint>
#include <utility>

namespace vantric::cli {
namespace {

// Length of the valid UTF-8 sequence starting at `text[0]`, or 0.
std::size_t Utf8SequenceLength(std::string_view text) {
  const auto lead = static_cast<std::uint8_t>(text[0]);
  std::size_t length;
  std::uint32_t codePoint;
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, codePoint = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, codePoint = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, codePoint = lead & 0x07;
  } else {
    return 0;
  }
  if (text.size() < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    const auto next = static_cast<std::uint8_t>(text[i]);
    if ((next & 0xC0) != 0x80) return 0;
    codePoint = (codePoint << 6) | (next & 0x3F);
  }
  // No overlong forms, no surrogates, nothing above U+10FFFF.
  static constexpr std::uint32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (codePoint < kSmallest[length] || (codePoint >= 0xD800 && codePoint <= 0xDFFF) || codePoint > 0x10FFFF) {
    return 0;
  }
  return length;
}

void AppendEscapedCodeUnit(std::string& out, unsigned value) {
  static constexpr char kDigits[] = "0123456789abcdef";
  out += "\\u00";
  out += kDigits[(value >> 4) & 15];
  out += kDigits[value & 15];
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

std::string JsonString(std::string_view bytes) {
  std::string out = "\"";
  while (!bytes.empty()) {
    const auto c = static_cast<std::uint8_t>(bytes[0]);
    const std::size_t length = Utf8SequenceLength(bytes);
    if (length > 1) {
      out.append(bytes.substr(0, length));
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
  std::string out = path + "\n";
  std::size_t index = 0;
  for (const auto& [label, value] : lines) {
    // A blank line between the window's three groups.
    if (index == 5 || index == 9) out += "\n";
    out += "  ";
    out += label;
    out += ":";
    out.append(10 - std::string_view(label).size(), ' ');
    out += *value;
    out += "\n";
    ++index;
  }
  return out;
}

std::string JsonReport(const std::string& path, const AnalysisResult& result) {
  const TAppInfo& info = result.info;
  auto field = [](const char* key, const std::string& value) {
    return std::string("\"") + key + "\":" + JsonString(value);
  };
  std::string out =
      "{" + field("path", path) + ",\"status\":\"" + std::string(StatusName(result.status)) + "\"";
  if (result.status != AnalysisStatus::kOk) return out + "," + field("error", result.error) + "}\n";
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
