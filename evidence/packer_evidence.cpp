#include <cctype>
#include <string>

#include "evidence/evidence_readers.h"
#include "evidence/stated_text.h"

namespace vantric {
namespace {

bool IsVersionText(std::string_view text) {
  return !text.empty() && text.find_first_not_of("0123456789.") == std::string_view::npos && text[0] != '.';
}

// The first text that follows `needle`, cut at a character of `stop`.
std::string FirstStated(const EvidenceBytes& bytes, std::string_view needle, std::string_view stop) {
  std::string stated;
  ForEachStatedText(bytes, needle, 64, [&](std::string_view after) {
    stated = PrintablePrefix(after, stop);
    return stated.empty();
  });
  return stated;
}

// UPX writes its version in front of its "UPX!" block ("3.96\0UPX!"), and
// with some options an "$Id: UPX 3.96 Copyright ..." line.
void FindUpx(const EvidenceBytes& bytes, ToolchainFindings& findings) {
  std::string version = FirstStated(bytes, "$Id: UPX ", " ");
  std::string evidence = "stated text: \"$Id: UPX " + version + "\"";
  if (!IsVersionText(version)) {
    version.clear();
    for (const EvidenceRegion& region : bytes.regions) {
      const std::string_view text = region.Text();
      for (std::size_t at = text.find("UPX!"); at != std::string_view::npos && version.empty();
           at = text.find("UPX!", at + 1)) {
        if (at < 2 || text[at - 1] != '\0') continue;
        std::size_t start = at - 1;
        while (start > 0 && at - start < 8 && (std::isdigit(static_cast<unsigned char>(text[start - 1])) ||
                                               text[start - 1] == '.')) {
          --start;
        }
        const std::string_view candidate = text.substr(start, at - 1 - start);
        if (IsVersionText(candidate) && candidate.find('.') != std::string_view::npos) version = candidate;
      }
      if (!version.empty()) break;
    }
    evidence = "the version in front of the packer's \"UPX!\" block";
  }
  if (!version.empty()) findings.push_back({FindingKind::kPacker, "UPX", version, evidence});
}

// The installer's manifest describes it: "Nullsoft Install System v3.08".
void FindNsis(const EvidenceBytes& bytes, ToolchainFindings& findings) {
  const std::string version = FirstStated(bytes, "Nullsoft Install System v", "<");
  if (version.empty()) return;
  const bool withData = StatesText(bytes, "NullsoftInst");
  findings.push_back({FindingKind::kInstaller, "NSIS", version,
                      withData ? "manifest, and the installer's data after the stub" : "manifest"});
}

// Inno Setup's loader and its setup program (also the uninstaller) state
// the version of the setup data they read: "Inno Setup Setup Data (6.4.0.1)".
void FindInnoSetup(const EvidenceBytes& bytes, ToolchainFindings& findings) {
  const std::string version = FirstStated(bytes, "Inno Setup Setup Data (", ")");
  if (version.empty()) return;
  const bool setupProgram = StatesText(bytes, "Inno Setup Uninstall Log (");
  findings.push_back({FindingKind::kInstaller, setupProgram ? "Inno Setup (setup program or uninstaller)" : "Inno Setup",
                      version, "stated setup data version"});
}

// PAR::Packer's loader: "@(#) Packed by PAR::Packer 1.057", and the packed
// archive ends in "\nPAR.pm\n".
void FindParPacker(const EvidenceBytes& bytes, ToolchainFindings& findings) {
  const std::string version = FirstStated(bytes, "Packed by PAR::Packer ", " ");
  if (!IsVersionText(version)) return;
  const bool packed = StatesText(bytes, "\nPAR.pm\n");
  findings.push_back({FindingKind::kPacker, "PAR::Packer", version,
                      packed ? "stated text, and the archive's trailer" : "stated text (the loader, no archive)"});
}

// 7-Zip's self-extractors are stubs with the archive (and, for installers,
// a ";!@Install@!UTF-8!" configuration) after them; the stub's version
// resource names 7-Zip and its version.
void FindSevenZipSfx(const EvidenceBytes& bytes, ToolchainFindings& findings) {
  const EvidenceRegion* overlay = bytes.Region("overlay");
  if (!overlay) return;
  const std::string_view signature("7z\xBC\xAF\x27\x1C", 6);
  const std::string_view data = overlay->Text();
  const std::size_t at = data.find(signature);
  const bool config = data.substr(0, 64).find(";!@Install@!UTF-8!") != std::string_view::npos;
  if (at == std::string_view::npos || (at != 0 && !config)) return;
  std::string version;
  const std::string_view productVersion("P\0r\0o\0d\0u\0c\0t\0V\0e\0r\0s\0i\0o\0n\0\0\0", 30);
  if (StatesText(bytes, std::string_view("7\0-\0Z\0i\0p\0", 10))) {
    ForEachStatedText(bytes, productVersion, 32, [&](std::string_view after) {
      for (std::size_t i = 0; i + 1 < after.size() && after[i] != '\0' && after[i + 1] == '\0'; i += 2) {
        version += after[i];
      }
      return false;
    });
  }
  if (!IsVersionText(version)) version.clear();
  findings.push_back({FindingKind::kInstaller, "7-Zip self-extractor", version,
                      config ? "installer configuration and 7z archive after the stub" : "7z archive after the stub"});
}

}  // namespace

void FindPackerEvidence(const EvidenceBytes& bytes, ToolchainFindings& findings) {
  FindUpx(bytes, findings);
  FindNsis(bytes, findings);
  FindInnoSetup(bytes, findings);
  FindParPacker(bytes, findings);
  FindSevenZipSfx(bytes, findings);
}

}  // namespace vantric
