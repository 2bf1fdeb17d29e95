#include "cli/summary.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <utility>
#include <vector>

#include "cli/report.h"

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

// Bytes of a UTF-8 sequence starting at `at` (lead and continuation bytes
// only; the scanner's JSON writer is the strict one), or 0 when there is none.
std::size_t SequenceLength(const std::string& text, std::size_t at) {
  const auto lead = static_cast<std::uint8_t>(text[at]);
  const std::size_t length = lead < 0x80                    ? 1
                             : lead >= 0xC2 && lead <= 0xDF ? 2
                             : lead >= 0xE0 && lead <= 0xEF ? 3
                             : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                            : 0;
  if (length == 0 || at + length > text.size()) return 0;
  for (std::size_t k = 1; k < length; ++k) {
    if ((static_cast<std::uint8_t>(text[at + k]) & 0xC0) != 0x80) return 0;
  }
  return length;
}

// C0 and C1 controls, DEL and bytes outside UTF-8 as \xNN: a name from a
// hostile database must not move the cursor or recolour the terminal (an
// 8-bit terminal takes a lone 0x9B for a control sequence too).
std::string Printable(const std::string& name) {
  std::string out;
  for (std::size_t i = 0; i < name.size();) {
    const auto c = static_cast<std::uint8_t>(name[i]);
    std::size_t length = SequenceLength(name, i);
    const bool c1 = length == 2 && c == 0xC2 && static_cast<std::uint8_t>(name[i + 1]) < 0xA0;
    if (length == 0 || c < 0x20 || c == 0x7F || c1) {
      length = c1 ? 2 : 1;
      for (std::size_t k = 0; k < length; ++k) {
        char escaped[5];
        std::snprintf(escaped, sizeof escaped, "\\x%02X",
                      static_cast<unsigned>(static_cast<std::uint8_t>(name[i + k])));
        out += escaped;
      }
    } else {
      out.append(name, i, length);
    }
    i += length;
  }
  return out;
}

void AppendTable(std::string& out, const char* title, const std::map<std::string, std::size_t>& counts) {
  auto line = [&out](std::string left, const std::string& right) {
    left.insert(0, "  ");
    if (left.size() < 48) left.resize(48, ' ');
    out += left + " " + right + "\n";
  };
  line(title, "files");
  for (const auto& [name, files] : Ranked(counts)) line(Printable(name), std::to_string(files));
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
