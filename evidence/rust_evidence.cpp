#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "evidence/evidence_readers.h"
#include "evidence/rust_releases.h"

namespace vantric {
namespace {

// Official rustc builds remap the standard library's sources to
// "/rustc/<commit>/", so panic locations in the binary read
// "/rustc/<commit>/library/core/src/..." (on Windows the rest of the path
// may use backslashes, and older releases used "src/libcore"). Debian and its
// kin build from "/usr/src/rustc-<version>/".
constexpr std::size_t kCommitLength = 40;
constexpr std::string_view kRemapPrefixes[] = {"/rustc/", "\\rustc\\"};
constexpr std::string_view kDistroPrefix = "/usr/src/rustc-";
constexpr std::size_t kMaxVersionLength = 16;

bool IsHex(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// The commit of a remapped path starting at `at` (just past its prefix).
std::optional<std::string_view> CommitAt(std::string_view text, std::size_t at) {
  if (text.size() - at < kCommitLength + 1) return std::nullopt;
  const std::string_view commit = text.substr(at, kCommitLength);
  for (const char c : commit) {
    if (!IsHex(c)) return std::nullopt;
  }
  if (!IsSeparator(text[at + kCommitLength])) return std::nullopt;
  return commit;
}

// "1.63.0" of "/usr/src/rustc-1.63.0/": digits and dots up to a separator.
std::optional<std::string_view> DistroVersionAt(std::string_view text, std::size_t at) {
  std::size_t end = at;
  while (end < text.size() && end - at <= kMaxVersionLength && (IsDigit(text[end]) || text[end] == '.')) ++end;
  if (end == at || end == text.size() || !IsSeparator(text[end]) || !IsDigit(text[at])) return std::nullopt;
  const std::string_view version = text.substr(at, end - at);
  if (version.find('.') == std::string_view::npos || version.back() == '.') return std::nullopt;
  return version;
}

std::optional<std::string_view> FindCommit(const EvidenceBytes& bytes) {
  for (const auto& region : bytes.regions) {
    const std::string_view text = region.Text();
    for (const auto prefix : kRemapPrefixes) {
      for (std::size_t at = text.find(prefix); at != std::string_view::npos; at = text.find(prefix, at + 1)) {
        if (auto commit = CommitAt(text, at + prefix.size())) return commit;
      }
    }
  }
  return std::nullopt;
}

std::optional<std::string_view> FindDistroVersion(const EvidenceBytes& bytes) {
  for (const auto& region : bytes.regions) {
    const std::string_view text = region.Text();
    for (std::size_t at = text.find(kDistroPrefix); at != std::string_view::npos;
         at = text.find(kDistroPrefix, at + 1)) {
      if (auto version = DistroVersionAt(text, at + kDistroPrefix.size())) return version;
    }
  }
  return std::nullopt;
}

}  // namespace

void FindRustEvidence(const EvidenceBytes& bytes, ToolchainFindings& findings) {
  if (const auto commit = FindCommit(bytes)) {
    if (const auto release = RustReleaseOfCommit(*commit)) {
      findings.push_back({FindingKind::kCompiler, "rustc", std::string(*release),
                          "library paths (commit " + std::string(commit->substr(0, 9)) + ")"});
    } else {
      findings.push_back({FindingKind::kCompiler, "rustc", "commit " + std::string(*commit), "library paths"});
    }
    return;
  }
  if (const auto version = FindDistroVersion(bytes)) {
    findings.push_back({FindingKind::kCompiler, "rustc", std::string(*version), "library paths"});
  }
}

}  // namespace vantric
