#include "cli/summary.h"

#include <algorithm>
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

}  // namespace

void Summary::Add(const AnalysisResult& result) {
  ++files_;
  if (result.status != AnalysisStatus::kOk) return;
  ++analysed_;
  ++compilers_[result.info.compiler];
  ++packers_[result.info.program];
}

std::string Summary::Text() const {
  std::string out =
      "Summary: " + std::to_string(files_) + " files, " + std::to_string(analysed_) + " analysed\n";
  AppendTable(out, "compiler", compilers_);
  AppendTable(out, "packer", packers_);
  return out;
}

std::string Summary::Json() const {
  return "{\"summary\":{\"files\":" + std::to_string(files_) + ",\"analysed\":" + std::to_string(analysed_) +
         ",\"compilers\":" + JsonRows(compilers_) + ",\"no_compiler\":" + std::to_string(NoneOf(compilers_)) +
         ",\"packers\":" + JsonRows(packers_) + ",\"no_packer\":" + std::to_string(NoneOf(packers_)) + "}}\n";
}

}  // namespace vantric::cli
