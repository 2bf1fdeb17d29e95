#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "evidence/evidence_readers.h"

namespace vantric {
namespace {

// The CLI header the CLR data directory points at: its size, the runtime's
// major and minor version, then the metadata's RVA and size (ECMA-335
// II.25.3.3).
constexpr std::uint32_t kCliHeaderSize = 72;
// The metadata root (ECMA-335 II.24.2.1): "BSJB", versions, a reserved word,
// the length of the version text (padded to 4, at most 255), the text, flags
// and the number of streams, then the stream headers.
constexpr std::uint32_t kMetadataSignature = 0x424A5342;
constexpr std::uint32_t kMaxVersionLength = 255;
constexpr std::uint16_t kMaxStreams = 16;
constexpr std::size_t kMaxStreamName = 32;
// The most of the #Blob stream read for the target framework.
constexpr std::size_t kMaxBlobBytes = 8u << 20;

bool Printable(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x20 && c < 0x7f; });
}

struct Stream {
  std::string name;
  std::uint32_t offset = 0;
  std::uint32_t size = 0;
};

struct Metadata {
  SourceView root;
  std::string version;
  std::vector<Stream> streams;
};

std::optional<SourceView> ViewAtRva(const EvidenceBytes& bytes, std::uint32_t rva, std::uint32_t size) {
  const auto offset = bytes.pe->FileOffsetOf(rva);
  if (!offset) return std::nullopt;
  return bytes.file.Sub(*offset, size);
}

std::string TextAt(const SourceView& view, std::uint64_t offset, std::size_t limit) {
  const auto window = view.Sub(offset, std::min<std::uint64_t>(limit, view.Size() - std::min(offset, view.Size())));
  if (!window) return {};
  const std::vector<std::uint8_t> raw = window->CopyFirst(limit);
  std::string text(raw.begin(), raw.end());
  return text.substr(0, text.find('\0'));
}

std::optional<Metadata> ReadMetadata(const EvidenceBytes& bytes) {
  if (!bytes.pe) return std::nullopt;
  const auto clr = bytes.pe->DataDirectory(kClrDirectory);
  if (!clr || clr->rva == 0 || clr->size < kCliHeaderSize) return std::nullopt;
  const auto cli = ViewAtRva(bytes, clr->rva, kCliHeaderSize);
  if (!cli) return std::nullopt;
  const auto cb = cli->U32(0), metadataRva = cli->U32(8), metadataSize = cli->U32(12);
  if (!cb || *cb < kCliHeaderSize || !metadataRva || !metadataSize) return std::nullopt;
  const auto root = ViewAtRva(bytes, *metadataRva, *metadataSize);
  if (!root || root->U32(0) != kMetadataSignature) return std::nullopt;
  const auto length = root->U32(12);
  if (!length || *length > kMaxVersionLength + 1) return std::nullopt;
  Metadata metadata{*root, TextAt(*root, 16, *length), {}};
  if (!Printable(metadata.version)) return std::nullopt;

  const std::uint64_t flagsAt = 16 + std::uint64_t{*length};
  const auto count = root->U16(flagsAt + 2);
  if (!count) return metadata;
  std::uint64_t at = flagsAt + 4;
  for (std::uint16_t i = 0; i < std::min(*count, kMaxStreams); ++i) {
    const auto offset = root->U32(at), size = root->U32(at + 4);
    if (!offset || !size) break;
    std::string name = TextAt(*root, at + 8, kMaxStreamName);
    if (name.empty()) break;
    at += 8 + (name.size() + 4) / 4 * 4;  // the name, its NUL, padded to 4
    metadata.streams.push_back({std::move(name), *offset, *size});
  }
  return metadata;
}

// ".NETFramework,Version=v4.7.2,Profile=Client" -> {".NET Framework", "4.7.2 Client Profile"}.
std::optional<ToolchainFinding> TargetFrameworkFinding(std::string_view moniker) {
  static constexpr struct {
    std::string_view identifier;
    std::string_view name;
  } kFrameworks[] = {
      {".NETFramework", ".NET Framework"},
      {".NETCoreApp", ".NET Core"},
      {".NETStandard", ".NET Standard"},
      {".NETPortable", ".NET Portable"},
      {"Silverlight", "Silverlight"},
  };
  const std::size_t comma = moniker.find(',');
  const std::string_view identifier = moniker.substr(0, comma);
  const auto framework = std::find_if(std::begin(kFrameworks), std::end(kFrameworks),
                                      [&](const auto& f) { return f.identifier == identifier; });
  if (framework == std::end(kFrameworks) || comma == std::string_view::npos) return std::nullopt;
  std::string_view rest = moniker.substr(comma + 1);
  constexpr std::string_view kVersion = "Version=v";
  if (rest.substr(0, kVersion.size()) != kVersion) return std::nullopt;
  rest.remove_prefix(kVersion.size());
  const std::string_view version = rest.substr(0, rest.find(','));
  if (version.empty() || !std::all_of(version.begin(), version.end(), [](char c) {
        return (c >= '0' && c <= '9') || c == '.';
      })) {
    return std::nullopt;
  }
  std::string name(framework->name);
  // .NET Core took the name ".NET" from version 5 on.
  const std::string_view major = version.substr(0, version.find('.'));
  if (identifier == ".NETCoreApp" && (major.size() > 1 || major >= "5")) name = ".NET";
  std::string text(version);
  constexpr std::string_view kProfile = ",Profile=";
  if (const std::size_t profile = rest.find(kProfile); profile != std::string_view::npos) {
    text += " " + std::string(rest.substr(profile + kProfile.size())) + " Profile";
  }
  return ToolchainFinding{FindingKind::kRuntime, std::move(name), std::move(text), "TargetFramework attribute"};
}

// The TargetFrameworkAttribute's value, stored in #Blob as a custom
// attribute: the prolog 01 00, then the string's length and its UTF-8 bytes.
std::optional<ToolchainFinding> FindTargetFramework(const Metadata& metadata) {
  const auto blob = std::find_if(metadata.streams.begin(), metadata.streams.end(),
                                 [](const Stream& s) { return s.name == "#Blob"; });
  if (blob == metadata.streams.end()) return std::nullopt;
  const auto view = metadata.root.Sub(blob->offset, blob->size);
  if (!view) return std::nullopt;
  const std::vector<std::uint8_t> raw = view->CopyFirst(kMaxBlobBytes);
  const std::string_view text(reinterpret_cast<const char*>(raw.data()), raw.size());
  constexpr std::string_view kMarker = ",Version=v";
  for (std::size_t at = text.find(kMarker); at != std::string_view::npos; at = text.find(kMarker, at + 1)) {
    // Back to the start of the identifier: its length byte follows the prolog.
    for (std::size_t start = at; start >= 3 && at - start < 16; --start) {
      const auto length = static_cast<std::uint8_t>(text[start - 1]);
      if (text[start - 3] != '\x01' || text[start - 2] != '\0' || length >= 0x80) continue;
      if (length < at - start + kMarker.size() || length > text.size() - start) continue;
      if (auto finding = TargetFrameworkFinding(text.substr(start, length))) return finding;
    }
  }
  return std::nullopt;
}

}  // namespace

void FindDotNetEvidence(const EvidenceBytes& bytes, ToolchainFindings& findings) {
  const auto metadata = ReadMetadata(bytes);
  if (!metadata) return;
  if (auto framework = FindTargetFramework(*metadata)) findings.push_back(std::move(*framework));
  findings.push_back({FindingKind::kRuntime, ".NET", metadata->version, "metadata version"});
}

}  // namespace vantric
