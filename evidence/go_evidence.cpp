#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "evidence/evidence_readers.h"
#include "evidence/stated_text.h"

namespace vantric {
namespace {

// The Go linker writes a 32-byte header at a 16-byte boundary, usually the
// start of the data section: the magic, the size of a pointer, a flags byte,
// then either two pointers to Go strings (before Go 1.18) or, with the
// inline flag, the two strings themselves from byte 32, each prefixed by its
// length as an unsigned varint. The strings are the Go version and the module
// information. (Public facts of Go's debug/buildinfo package.)
constexpr std::string_view kBuildInfoMagic = "\xff Go buildinf:";
constexpr std::size_t kHeaderSize = 32;
constexpr std::size_t kAlign = 16;
constexpr std::uint8_t kFlagBigEndian = 0x1;
constexpr std::uint8_t kFlagInline = 0x2;

constexpr std::uint64_t kMaxVersionLength = 256;
constexpr std::uint64_t kMaxModInfoLength = 64u << 10;
constexpr std::size_t kMaxVarintBytes = 10;
constexpr std::size_t kFrameSize = 16;  // the sentinels around the module information

// An unsigned LEB128 number at `at`, advancing it; nothing when it runs past
// the end or is longer than 64 bits can hold.
std::optional<std::uint64_t> ReadVarint(std::string_view data, std::size_t& at) {
  std::uint64_t value = 0;
  for (std::size_t i = 0; i < kMaxVarintBytes && at < data.size(); ++i) {
    const auto byte = static_cast<std::uint8_t>(data[at++]);
    if (i == kMaxVarintBytes - 1 && byte > 1) return std::nullopt;
    value |= std::uint64_t{byte & 0x7fu} << (7 * i);
    if ((byte & 0x80) == 0) return value;
  }
  return std::nullopt;
}

std::optional<std::string> ReadInlineString(std::string_view data, std::size_t& at, std::uint64_t cap) {
  const auto length = ReadVarint(data, at);
  if (!length || *length > cap || *length > data.size() - at) return std::nullopt;
  std::string text(data.substr(at, static_cast<std::size_t>(*length)));
  at += static_cast<std::size_t>(*length);
  return text;
}

std::uint64_t ReadPointer(std::string_view raw, bool bigEndian) {
  std::uint64_t value = 0;
  for (std::size_t i = 0; i < raw.size(); ++i) {
    const std::size_t shift = bigEndian ? raw.size() - 1 - i : i;
    value |= std::uint64_t{static_cast<std::uint8_t>(raw[i])} << (8 * shift);
  }
  return value;
}

// A Go string header {data, length} at `address`, followed to its bytes.
std::optional<std::string> ReadStringAt(const EvidenceBytes& bytes, std::uint64_t address,
                                        std::size_t pointerSize, bool bigEndian, std::uint64_t cap) {
  const auto header = bytes.AtAddress(address, 2 * pointerSize);
  if (!header) return std::nullopt;
  const std::uint64_t data = ReadPointer(header->substr(0, pointerSize), bigEndian);
  const std::uint64_t length = ReadPointer(header->substr(pointerSize), bigEndian);
  if (length > cap) return std::nullopt;
  const auto text = bytes.AtAddress(data, length);
  if (!text) return std::nullopt;
  return std::string(*text);
}

struct BuildInfo {
  std::string version;
  std::string modInfo;
};

std::optional<BuildInfo> ReadBuildInfo(const EvidenceBytes& bytes, const EvidenceRegion& region, std::size_t at) {
  const std::string_view header = region.Text().substr(at, kHeaderSize);
  const auto pointerSize = static_cast<std::size_t>(static_cast<std::uint8_t>(header[14]));
  const auto flags = static_cast<std::uint8_t>(header[15]);
  const bool bigEndian = (flags & kFlagBigEndian) != 0;
  BuildInfo info;
  if ((flags & kFlagInline) != 0) {
    // The strings may run past what the region holds: read them from the file.
    const std::uint64_t wanted = kHeaderSize + 2 * kMaxVarintBytes + kMaxVersionLength + kMaxModInfoLength;
    const std::uint64_t start = region.fileOffset + at;
    if (start > bytes.file.Size()) return std::nullopt;
    const auto window = bytes.file.Sub(start, std::min(wanted, bytes.file.Size() - start));
    if (!window) return std::nullopt;
    const std::vector<std::uint8_t> raw = window->CopyFirst(static_cast<std::size_t>(wanted));
    const std::string_view data(reinterpret_cast<const char*>(raw.data()), raw.size());
    std::size_t cursor = kHeaderSize;
    auto version = ReadInlineString(data, cursor, kMaxVersionLength);
    if (!version) return std::nullopt;
    auto modInfo = ReadInlineString(data, cursor, kMaxModInfoLength);
    info.version = std::move(*version);
    if (modInfo) info.modInfo = std::move(*modInfo);
    return info;
  }
  if (pointerSize != 4 && pointerSize != 8) return std::nullopt;
  const std::string_view pointers = header.substr(16);
  const std::uint64_t versionAddress = ReadPointer(pointers.substr(0, pointerSize), bigEndian);
  const std::uint64_t modAddress = ReadPointer(pointers.substr(pointerSize, pointerSize), bigEndian);
  auto version = ReadStringAt(bytes, versionAddress, pointerSize, bigEndian, kMaxVersionLength);
  if (!version) return std::nullopt;
  info.version = std::move(*version);
  if (auto modInfo = ReadStringAt(bytes, modAddress, pointerSize, bigEndian, kMaxModInfoLength)) {
    info.modInfo = std::move(*modInfo);
  }
  return info;
}

// "go1.21.4" -> "1.21.4"; other texts ("devel ...") are kept as they are,
// up to their first space.
std::string GoVersionNumber(std::string_view text) {
  text = text.substr(0, text.find_first_of(" \t\n"));
  if (text.size() > 2 && text.substr(0, 2) == "go" && text[2] >= '0' && text[2] <= '9') text.remove_prefix(2);
  return std::string(text);
}

// The module information framed by its sentinels, or nothing when the frame
// isn't there.
std::string_view UnframedModInfo(std::string_view mod) {
  if (mod.size() < 2 * kFrameSize + 1 || mod[mod.size() - kFrameSize - 1] != '\n') return {};
  return mod.substr(kFrameSize, mod.size() - 2 * kFrameSize);
}

struct ModuleInfo {
  std::string path;
  std::string mainModule;
  std::string mainVersion;
  std::vector<std::string> settings;  // those worth stating, "KEY=VALUE"
};

constexpr std::size_t kMaxSettingLength = 80;

ModuleInfo ParseModInfo(std::string_view text) {
  // Build settings that say how the program was made; dependencies and the
  // rest stay out of the finding.
  static constexpr std::string_view kStated[] = {"-compiler", "-buildmode", "-ldflags", "-trimpath", "CGO_ENABLED",
                                                 "GOOS",      "GOARCH",     "vcs.revision", "vcs.modified"};
  ModuleInfo info;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    const std::size_t tab = line.find('\t');
    if (tab == std::string_view::npos) continue;
    const std::string_view key = line.substr(0, tab);
    std::string_view rest = line.substr(tab + 1);
    if (key == "path") {
      info.path = std::string(rest.substr(0, kMaxSettingLength));
    } else if (key == "mod") {
      const std::size_t tab2 = rest.find('\t');
      info.mainModule = std::string(rest.substr(0, std::min(tab2, kMaxSettingLength)));
      if (tab2 != std::string_view::npos) {
        rest = rest.substr(tab2 + 1);
        info.mainVersion = std::string(rest.substr(0, std::min(rest.find('\t'), kMaxSettingLength)));
      }
    } else if (key == "build") {
      const std::string_view name = rest.substr(0, rest.find('='));
      if (std::find(std::begin(kStated), std::end(kStated), name) == std::end(kStated)) continue;
      std::string setting(rest.substr(0, kMaxSettingLength));
      if (rest.size() > kMaxSettingLength) setting += "...";
      info.settings.push_back(std::move(setting));
    }
  }
  return info;
}

void AddBuildInfoFindings(const BuildInfo& info, ToolchainFindings& findings) {
  const ModuleInfo mod = ParseModInfo(UnframedModInfo(info.modInfo));
  std::string evidence = "Go build information";
  if (!mod.settings.empty()) {
    evidence += " (";
    for (std::size_t i = 0; i < mod.settings.size(); ++i) evidence += (i ? ", " : "") + mod.settings[i];
    evidence += ")";
  }
  findings.push_back({FindingKind::kCompiler, "Go", GoVersionNumber(info.version), std::move(evidence)});
  if (!mod.mainModule.empty()) {
    findings.push_back({FindingKind::kTool, mod.mainModule, mod.mainVersion, "Go main module"});
  } else if (!mod.path.empty()) {
    findings.push_back({FindingKind::kTool, mod.path, "", "Go main package"});
  }
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// "go1.N" or "go1.N.M" at `at`, as the runtime states its own version;
// the number text, or nothing.
std::optional<std::string> StatedGoVersion(std::string_view text, std::size_t at) {
  std::size_t end = at + 4;  // past "go1."
  const auto digits = [&] {
    const std::size_t from = end;
    while (end < text.size() && end - from < 3 && IsDigit(text[end])) ++end;
    return end > from;
  };
  if (!digits()) return std::nullopt;
  if (end + 1 < text.size() && text[end] == '.' && IsDigit(text[end + 1])) {
    ++end;
    digits();
  }
  if (end < text.size() && (IsDigit(text[end]) || text[end] == '.')) return std::nullopt;
  return std::string(text.substr(at + 2, end - at - 2));
}

bool LooksLikeGo(const EvidenceBytes& bytes) {
  // Go's linker writes linker version 3.0 and a .symtab section, even into a
  // program stripped of its build ID.
  if (bytes.pe && bytes.pe->linkerMajor == 3 && bytes.pe->linkerMinor == 0) {
    for (const PeSection& section : bytes.pe->sections) {
      if (section.name == ".symtab") return true;
    }
  }
  return StatesText(bytes, "Go build ID: \"") || StatesText(bytes, "runtime.main");
}

std::optional<std::string> StatedGoVersionIn(std::string_view text) {
  for (std::size_t at = text.find("go1."); at != std::string_view::npos; at = text.find("go1.", at + 1)) {
    if (auto version = StatedGoVersion(text, at)) return version;
  }
  return std::nullopt;
}

// The runtime's version text lies anywhere in the read-only data, which in a
// large program is far past what the regions hold; a Go program without
// build information is rare, so it alone is read further, a chunk at a time.
constexpr std::uint64_t kDeepSearchBytes = 16u << 20;
constexpr std::uint64_t kDeepChunkBytes = 1u << 20;

std::optional<std::string> FindStatedGoVersion(const EvidenceBytes& bytes) {
  for (const auto& region : bytes.regions) {
    if (auto version = StatedGoVersionIn(region.Text())) return version;
  }
  if (!bytes.pe) return std::nullopt;
  std::uint64_t budget = kDeepSearchBytes;
  for (const PeSection& section : bytes.pe->sections) {
    if (section.IsCode() || section.IsDebug()) continue;
    for (std::uint64_t at = 0; at < section.rawSize && budget > 0; at += kDeepChunkBytes) {
      // Chunks overlap by a version text's length, so none is cut in two.
      const std::uint64_t size = std::min({kDeepChunkBytes + 16, section.rawSize - at, budget});
      const std::optional<SourceView> chunk = bytes.file.Sub(section.rawOffset + at, size);
      if (!chunk) break;
      budget -= size;
      const std::vector<std::uint8_t> data = chunk->CopyFirst(static_cast<std::size_t>(size));
      if (auto version = StatedGoVersionIn({reinterpret_cast<const char*>(data.data()), data.size()})) {
        return version;
      }
    }
  }
  return std::nullopt;
}

}  // namespace

void FindGoEvidence(const EvidenceBytes& bytes, ToolchainFindings& findings) {
  for (const auto& region : bytes.regions) {
    const std::string_view text = region.Text();
    for (std::size_t at = text.find(kBuildInfoMagic); at != std::string_view::npos;
         at = text.find(kBuildInfoMagic, at + 1)) {
      if ((region.fileOffset + at) % kAlign != 0 || text.size() - at < kHeaderSize) continue;
      if (const auto info = ReadBuildInfo(bytes, region, at)) {
        AddBuildInfoFindings(*info, findings);
        return;
      }
    }
  }
  if (!LooksLikeGo(bytes)) return;
  if (auto version = FindStatedGoVersion(bytes)) {
    findings.push_back({FindingKind::kCompiler, "Go", std::move(*version), "stated text"});
  }
}

}  // namespace vantric
