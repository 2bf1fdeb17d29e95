#include <cctype>
#include <cstdlib>
#include <string>

#include "evidence/evidence_readers.h"
#include "evidence/stated_text.h"

namespace vantric {
namespace {

// Delphi's runtime states "Embarcadero Delphi for Win32 compiler version
// 35.0 (28.0.48361.3236)", Free Pascal's "FPC 3.2.2 [2021/05/19] for x86_64
// - Win64". Nim and Zig state no version of their own in the programs they
// make.
constexpr std::string_view kStatements[] = {" Delphi for Win32 compiler version ",
                                            " Delphi for Win64 compiler version "};

struct DelphiRelease {
  int compilerVersion;
  const char* product;
};

// CompilerVersion of each Delphi release, from Embarcadero's published
// VERxxx table as collected in github.com/continuous-delphi/
// delphi-compiler-versions (data/delphi-compiler-versions.json) and
// delphiforfun.org/Programs/Delphi_Techniques/Testing_Delphi_Versions.htm.
constexpr DelphiRelease kReleases[] = {
    {20, "Delphi 2009"},           {21, "Delphi 2010"},          {22, "Delphi XE"},
    {23, "Delphi XE2"},            {24, "Delphi XE3"},           {25, "Delphi XE4"},
    {26, "Delphi XE5"},            {27, "Delphi XE6"},           {28, "Delphi XE7"},
    {29, "Delphi XE8"},            {30, "Delphi 10 Seattle"},    {31, "Delphi 10.1 Berlin"},
    {32, "Delphi 10.2 Tokyo"},     {33, "Delphi 10.3 Rio"},      {34, "Delphi 10.4 Sydney"},
    {35, "Delphi 11 Alexandria"},  {36, "Delphi 12 Athens"},     {37, "Delphi 13 Florence"},
};

void FindFreePascal(const EvidenceBytes& bytes, ToolchainFindings& findings) {
  ForEachStatedText(bytes, std::string_view("\0FPC ", 5), 80, [&](std::string_view after) {
    const std::string_view stated = PrintablePrefix(after);
    const std::size_t date = stated.find(" [");
    if (stated.empty() || !std::isdigit(static_cast<unsigned char>(stated[0])) || date == std::string_view::npos ||
        stated.find("] for ", date) == std::string_view::npos) {
      return true;
    }
    findings.push_back({FindingKind::kCompiler, "Free Pascal", std::string(stated.substr(0, date)),
                        "stated text: \"FPC " + std::string(stated) + "\""});
    return false;
  });
}

void FindDelphi(const EvidenceBytes& bytes, ToolchainFindings& findings) {
  for (const std::string_view statement : kStatements) {
    bool found = false;
    ForEachStatedText(bytes, statement, 48, [&](std::string_view after) {
      const std::string version(PrintablePrefix(after, " "));
      if (version.empty()) return true;
      std::string text = version;
      const int major = std::atoi(version.c_str());
      for (const DelphiRelease& release : kReleases) {
        if (release.compilerVersion == major) text += std::string(" (") + release.product + ")";
      }
      findings.push_back({FindingKind::kCompiler, "Embarcadero Delphi", text,
                          "stated text: \"" + std::string(statement.substr(1)) + std::string(PrintablePrefix(after)) + "\""});
      found = true;
      return false;
    });
    if (found) return;
  }
}

}  // namespace

void FindStatedCompilerEvidence(const EvidenceBytes& bytes, ToolchainFindings& findings) {
  FindDelphi(bytes, findings);
  FindFreePascal(bytes, findings);
}

}  // namespace vantric
