#include "cli/summary.h"

#include <algorithm>
#include <cctype>
#include <utility>
#include <vector>

#include "cli/report.h"
#include "platform/text_escape.h"

namespace vantric::cli {
namespace {

constexpr const char* kNone = "-";

// Most files first, then by name; "none found" last.
std::vector<std::pair<std::string, std::size_t>> Ranked(const std::map<std::string, std::size_t>& counts) {
  std::vector<std::pair<std::string, std::size_t>> rows;
  for (const auto& row : counts) {
    if (row.first != kNone) rows.push_back(row);
  }
  std::stable_sort(rows.begin(), rows.end(),
                   [](const auto& a, const auto& b) { return a.second > b.second; });
  return rows;
}

std::size_t NoneOf(const std::map<std::string, std::size_t>& counts) {
  auto none = counts.find(kNone);
  return none == counts.end() ? 0 : none->second;
}

void AppendTable(std::string& out, const char* title, const std::map<std::string, std::size_t>& counts) {
  auto line = [&out](std::string left, const std::string& right) {
    left.insert(0, "  ");
    if (left.size() < 48) left.resize(48, ' ');
    out += left + " " + right + "\n";
  };
  line(title, "files");
  for (const auto& [name, files] : Ranked(counts)) line(TerminalText(name), std::to_string(files));
  line("none", std::to_string(NoneOf(counts)));
}

std::string JsonRows(const std::map<std::string, std::size_t>& counts) {
  std::string out = "[";
  for (const auto& [name, files] : Ranked(counts)) {
    if (out.size() > 1) out += ",";
    out += "{\"name\":" + JsonString(name) + ",\"files\":" + std::to_string(files) + "}";
  }
  return out + "]";
}

// "1.21.4" -> "1.21", "12-win32" -> "12", "35.0 (...)" -> "35.0".
std::string_view MajorMinor(std::string_view version) {
  std::size_t end = 0, dots = 0;
  while (end < version.size() && (std::isdigit(static_cast<unsigned char>(version[end])) ||
                                  (version[end] == '.' && ++dots < 2))) {
    ++end;
  }
  if (end > 0 && version[end - 1] == '.') --end;
  return version.substr(0, end);
}

}  // namespace

std::string ToolchainGeneration(const ToolchainFindings& findings) {
  const ToolchainFinding* chosen = nullptr;
  for (const FindingKind kind : {FindingKind::kCompiler, FindingKind::kLinker, FindingKind::kRuntime}) {
    for (const ToolchainFinding& finding : findings) {
      if (!chosen && finding.kind == kind) chosen = &finding;
    }
  }
  if (!chosen) return kNone;
  // A product release named in parentheses: "(Visual Studio 2019 version
  // 16.11)", "(Delphi 11 Alexandria)".
  const std::size_t open = chosen->version.find('(');
  const std::size_t close = chosen->version.find(')', open);
  if (open != std::string::npos && close != std::string::npos) {
    std::string release = chosen->version.substr(open + 1, close - open - 1);
    if (release.starts_with("Delphi ")) return release;
    if (release.starts_with("Visual Studio ")) {
      for (const char* cut : {" version ", " Update ", " SP", " generation"}) {
        release = release.substr(0, release.find(cut));
      }
      return release;
    }
  }
  std::string_view version = chosen->version;
  if (version.starts_with('v')) version.remove_prefix(1);  // .NET's "v4.0.30319"
  version = MajorMinor(version);
  return version.empty() ? chosen->name : chosen->name + " " + std::string(version);
}

void Summary::Add(const AnalysisResult& result) {
  ++files_;
  if (result.status != AnalysisStatus::kOk) return;
  ++analysed_;
  ++compilers_[result.info.compiler];
  ++packers_[result.info.program];
  ++generations_[ToolchainGeneration(result.info.toolchain)];
}

std::string Summary::Text() const {
  std::string out =
      "Summary: " + std::to_string(files_) + " files, " + std::to_string(analysed_) + " analysed\n";
  AppendTable(out, "compiler", compilers_);
  AppendTable(out, "packer", packers_);
  AppendTable(out, "toolchain generation", generations_);
  return out;
}

std::string Summary::Json() const {
  return "{\"summary\":{\"files\":" + std::to_string(files_) + ",\"analysed\":" + std::to_string(analysed_) +
         ",\"compilers\":" + JsonRows(compilers_) + ",\"no_compiler\":" + std::to_string(NoneOf(compilers_)) +
         ",\"packers\":" + JsonRows(packers_) + ",\"no_packer\":" + std::to_string(NoneOf(packers_)) +
         ",\"generations\":" + JsonRows(generations_) +
         ",\"no_generation\":" + std::to_string(NoneOf(generations_)) + "}}\n";
}

}  // namespace vantric::cli
