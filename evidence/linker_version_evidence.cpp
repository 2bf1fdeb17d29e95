#include <cstdio>
#include <string>

#include "evidence/evidence_readers.h"
#include "evidence/rich_header.h"

namespace vantric {
namespace {

struct LinkerGeneration {
  unsigned major, minorFrom, minorTo;
  const char* generation;
};

// The linker versions of each Visual Studio generation, from Microsoft's
// table of MSVC versions (learn.microsoft.com/en-us/cpp/overview/
// compiler-versions, "Service releases starting with Visual Studio 2017")
// and Wikipedia's "Microsoft Visual C++" (Internal version numbering).
// 14.00 is left out: LLVM's lld writes it too.
constexpr LinkerGeneration kGenerations[] = {
    {6, 0, 0, "Visual Studio 6.0"},        {7, 0, 0, "Visual Studio .NET 2002"},
    {7, 10, 10, "Visual Studio .NET 2003"}, {8, 0, 0, "Visual Studio 2005"},
    {9, 0, 0, "Visual Studio 2008"},       {10, 0, 0, "Visual Studio 2010"},
    {11, 0, 0, "Visual Studio 2012"},      {12, 0, 0, "Visual Studio 2013"},
    {14, 10, 16, "Visual Studio 2017"},    {14, 20, 29, "Visual Studio 2019"},
    {14, 30, 44, "Visual Studio 2022"},    {14, 50, 59, "Visual Studio 2026"},
};

bool HasSection(const PeImage& pe, std::string_view name) {
  for (const PeSection& section : pe.sections) {
    if (section.name == name) return true;
  }
  return false;
}

}  // namespace

// Where there is no Rich header, the optional header's linker version still
// names Microsoft's linker generation, or GNU ld's release (on a program with
// the MinGW runtime's .CRT section: Delphi's and Free Pascal's linkers write
// 2.x numbers of their own). .NET compilers write numbers of their own too.
void FindLinkerVersionEvidence(const EvidenceBytes& bytes, ToolchainFindings& findings) {
  if (!bytes.pe || bytes.pe->DataDirectory(kClrDirectory)) return;
  const EvidenceRegion* headers = bytes.Region("headers");
  if (headers && DecodeRichHeader(headers->Text(), bytes.pe->peOffset)) return;
  const unsigned major = bytes.pe->linkerMajor, minor = bytes.pe->linkerMinor;
  char version[16];
  std::snprintf(version, sizeof version, "%u.%02u", major, minor);
  const std::string evidence = "optional header (no Rich header)";
  if (major == 2 && minor >= 10 && HasSection(*bytes.pe, ".CRT")) {
    findings.push_back({FindingKind::kLinker, "GNU ld", version, evidence});
    return;
  }
  if (major == 14 && minor == 0) {
    findings.push_back({FindingKind::kLinker, "Microsoft Linker or LLVM lld", version, evidence});
    return;
  }
  for (const LinkerGeneration& known : kGenerations) {
    if (major == known.major && minor >= known.minorFrom && minor <= known.minorTo) {
      findings.push_back({FindingKind::kLinker, "Microsoft Linker",
                          std::string(version) + " (" + known.generation + ")", evidence});
      return;
    }
  }
}

}  // namespace vantric
