#include "cli/report.h"

#include <cstdint>

#include "analysis/result_fields.h"
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

// Whether the i-th result field is the first of its group.
bool StartsGroup(std::size_t i) { return i == 0 || kResultFields[i - 1].group != kResultFields[i].group; }

// "  Toolchain:" and one finding a line, after the compiler group.
std::string ToolchainText(const ToolchainFindings& findings) {
  if (findings.empty()) return {};
  std::string out = "  Toolchain:\n";
  for (const ToolchainFinding& finding : findings) {
    std::string line = std::string(KindLabel(finding.kind)) + ": " + finding.name;
    if (!finding.version.empty()) line += " " + finding.version;
    out += "    " + TerminalText(line) + "  [" + TerminalText(finding.evidence) + "]\n";
  }
  return out;
}

std::string ToolchainJson(const ToolchainFindings& findings) {
  std::string out = "[";
  for (const ToolchainFinding& finding : findings) {
    if (out.size() > 1) out += ",";
    out += "{\"kind\":" + JsonString(KindName(finding.kind)) + ",\"name\":" + JsonString(finding.name) +
           ",\"version\":" + JsonString(finding.version) + ",\"evidence\":" + JsonString(finding.evidence) + "}";
  }
  return out + "]";
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
    case AnalysisStatus::kIoError: return "io-error";
  }
  return "io-error";
}

std::string JsonString(std::string_view text, NonUtf8 mode) {
  const std::string latin1 = mode == NonUtf8::kLatin1 ? Utf8WithLatin1Bytes(text) : std::string();
  std::string_view bytes = mode == NonUtf8::kLatin1 ? std::string_view(latin1) : text;
  std::string out = "\"";
  while (!bytes.empty()) {
    const auto c = static_cast<std::uint8_t>(bytes[0]);
    const std::size_t length = Utf8SequenceLength(bytes);
    if (length > 1) {
      out.append(bytes.substr(0, length));
    } else if (length == 0) {  // left only in surrogate-escape mode
      AppendEscapedCodeUnit(out, c, 0xDC);
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
  std::string out = TerminalText(path) + "\n";
  for (std::size_t i = 0; i < kResultFields.size(); ++i) {
    const ResultFieldInfo& field = kResultFields[i];
    if (i > 0 && StartsGroup(i)) {
      if (field.group == ResultGroup::kCompression) out += ToolchainText(result.info.toolchain);
      out += "\n";
    }
    const std::string_view label = field.label;
    out += "  ";
    out += label;
    out += ":";
    out.append(10 - label.size(), ' ');
    out += TerminalText(result.info.*field.value);
    out += "\n";
  }
  return out;
}

std::string JsonFailure(const std::string& path, std::string_view status, const std::string& error) {
  return JsonHead(path, status) + ",\"error\":" + JsonString(error) + "}\n";
}

std::string JsonReport(const std::string& path, const AnalysisResult& result) {
  if (result.status != AnalysisStatus::kOk) return JsonFailure(path, StatusName(result.status), result.error);
  std::string out = JsonHead(path, StatusName(result.status));
  for (std::size_t i = 0; i < kResultFields.size(); ++i) {
    const ResultFieldInfo& field = kResultFields[i];
    if (StartsGroup(i)) {
      out += i > 0 ? "}," : ",";
      out += JsonString(GroupJsonName(field.group)) + ":{";
    } else {
      out += ",";
    }
    out += JsonString(field.jsonName) + ":" + JsonString(result.info.*field.value);
  }
  return out + "},\"toolchain\":" + ToolchainJson(result.info.toolchain) + "}\n";
}

}  // namespace vantric::cli
