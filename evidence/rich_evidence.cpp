#include <cstdio>
#include <optional>
#include <string>

#include "evidence/evidence_readers.h"
#include "evidence/msvc_products.h"
#include "evidence/rich_header.h"

namespace vantric {
namespace {

bool IsCompiler(MsvcTool tool) {
  return tool == MsvcTool::kCCompiler || tool == MsvcTool::kCppCompiler || tool == MsvcTool::kLtcgC ||
         tool == MsvcTool::kLtcgCpp || tool == MsvcTool::kPgoInstrumentC || tool == MsvcTool::kPgoInstrumentCpp ||
         tool == MsvcTool::kPgoOptimizeC || tool == MsvcTool::kPgoOptimizeCpp;
}
bool IsLtcg(MsvcTool tool) { return tool == MsvcTool::kLtcgC || tool == MsvcTool::kLtcgCpp; }
bool IsPgo(MsvcTool tool) {
  return tool == MsvcTool::kPgoInstrumentC || tool == MsvcTool::kPgoInstrumentCpp ||
         tool == MsvcTool::kPgoOptimizeC || tool == MsvcTool::kPgoOptimizeCpp;
}

struct Located {
  const RichEntry* entry = nullptr;
  const MsvcProduct* product = nullptr;
};

// "14.29" and the build as "14.29.30133"; the compiler of the same release
// counts its versions from 19 (from 12 before Visual Studio 2015). Where the
// table knows no tools version for the build, the linker's own version in
// the optional header stands in.
std::string ToolVersion(std::string_view toolsVersion, std::uint16_t build, bool compiler) {
  unsigned major = 0, minor = 0;
  if (std::sscanf(std::string(toolsVersion).c_str(), "%u.%u", &major, &minor) != 2) {
    return "build " + std::to_string(build);
  }
  if (compiler) major += major >= 14 ? 5 : 6;
  char text[32];
  std::snprintf(text, sizeof text, "%u.%02u.%u", major, minor, build);
  return text;
}

std::string Versioned(const Located& at, std::string_view fallbackTools, bool compiler) {
  const std::optional<MsvcRelease> release = MsvcReleaseOf(*at.product, at.entry->build);
  const std::string_view tools = release && !release->toolsVersion.empty() ? release->toolsVersion : fallbackTools;
  std::string text = ToolVersion(tools, at.entry->build, compiler);
  if (release) {
    text += " (" + std::string(release->generation);
    if (!release->update.empty()) text += " " + std::string(release->update);
    text += ")";
  } else if (at.product->era != MsvcEra::kNone && at.product->era != MsvcEra::kVs14) {
    // Before 2015 a product id belongs to one generation: a build the table
    // does not list (a beta, a DDK's compiler) still names it.
    if (const std::optional<MsvcRelease> last = MsvcReleaseOf(*at.product, 0xFFFF)) {
      text += " (" + std::string(last->generation) + " generation, a build not in the table)";
    }
  }
  return text;
}

std::string Hex(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08x", value);
  return text;
}

std::string EntryList(const RichHeader& header) {
  std::string text;
  for (const RichEntry& entry : header.entries) {
    if (!text.empty()) text += ", ";
    const MsvcProduct* product = FindMsvcProduct(entry.product);
    text += product ? std::string(product->name) : "product " + std::to_string(entry.product);
    text += " " + std::to_string(entry.build) + " x" + std::to_string(entry.count);
  }
  return text;
}

}  // namespace

void FindRichHeaderEvidence(const EvidenceBytes& bytes, ToolchainFindings& findings) {
  const EvidenceRegion* headers = bytes.Region("headers");
  if (!bytes.pe || !headers) return;
  const std::optional<RichHeader> header = DecodeRichHeader(headers->Text(), bytes.pe->peOffset);
  if (!header) return;

  Located linker, compiler;
  bool ltcg = false, pgo = false;
  for (const RichEntry& entry : header->entries) {
    const MsvcProduct* product = FindMsvcProduct(entry.product);
    if (!product) continue;
    if (product->tool == MsvcTool::kLinker) linker = {&entry, product};
    if (IsCompiler(product->tool)) compiler = {&entry, product};
    ltcg = ltcg || IsLtcg(product->tool);
    pgo = pgo || IsPgo(product->tool);
  }
  const std::string verdict = header->ChecksumMatches() ? "checksum ok" : "checksum wrong";
  char linkerTools[16];
  std::snprintf(linkerTools, sizeof linkerTools, "%u.%02u", bytes.pe->linkerMajor, bytes.pe->linkerMinor);

  if (compiler.entry) {
    std::string evidence = "Rich header (" + verdict + "): " + compiler.product->name + " " +
                           std::to_string(compiler.entry->build);
    if (ltcg) evidence += ", link-time code generation";
    if (pgo) evidence += ", profile-guided optimization";
    findings.push_back(
        {FindingKind::kCompiler, "Microsoft Visual C++", Versioned(compiler, linkerTools, true), evidence});
  }
  if (linker.entry) {
    findings.push_back({FindingKind::kLinker, "Microsoft Linker", Versioned(linker, linkerTools, false),
                        "Rich header (" + verdict + "): " + linker.product->name + " " +
                            std::to_string(linker.entry->build)});
  }
  std::string detail = header->ChecksumMatches()
                           ? "key " + Hex(header->key)
                           : "key " + Hex(header->key) + " where the bytes give " + Hex(header->checksum) +
                                 ": edited, damaged or forged";
  detail += "; " + std::to_string(header->entries.size()) + " entries: " + EntryList(*header);
  findings.push_back({FindingKind::kTool, "Rich header", verdict, detail});
}

}  // namespace vantric
