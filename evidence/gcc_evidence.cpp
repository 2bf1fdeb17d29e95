#include <map>
#include <string>

#include "evidence/evidence_readers.h"
#include "evidence/stated_text.h"

namespace vantric {
namespace {

// Each object GCC compiles carries "GCC: (VENDOR) VERSION"; a program holds
// one per object, from its own sources and from the runtime's.
// The ident is a string of its own, NUL before and after: so text that only
// looks like one (in compressed data, say) is passed over.
constexpr std::string_view kIdent("\0GCC: (", 7);
constexpr std::size_t kMostIdents = 512;

std::string Flavour(const EvidenceBytes& bytes, std::string_view vendors) {
  if (vendors.find("MSYS2") != std::string_view::npos) return "GCC (MinGW-w64, MSYS2)";
  if (vendors.find("MinGW-W64") != std::string_view::npos || vendors.find("mingw-w64") != std::string_view::npos ||
      StatesText(bytes, "Mingw-w64 runtime failure")) {
    return "GCC (MinGW-w64)";
  }
  if (vendors.find("mingw") != std::string_view::npos || vendors.find("MinGW") != std::string_view::npos) {
    return "GCC (MinGW)";
  }
  if (vendors.find("cygwin") != std::string_view::npos || StatesText(bytes, "cygwin1.dll")) {
    return "GCC (Cygwin)";
  }
  return "GCC";
}

// How specific a stated version is: "13.2.0" and "12-win32" say more than
// the "12 20220819" of a runtime's objects.
int Specificity(std::string_view version) {
  if (version.find('-') != std::string_view::npos) return 2;
  if (version.find(' ') == std::string_view::npos && version.find('.') != std::string_view::npos) return 2;
  return 1;
}

}  // namespace

void FindGccEvidence(const EvidenceBytes& bytes, ToolchainFindings& findings) {
  std::map<std::string, std::size_t> idents;  // "(GNU) 12-win32" -> objects
  ForEachStatedText(
      bytes, kIdent, 128,
      [&](std::string_view after) {
        const std::string_view ident = PrintablePrefix(after, "", 120);
        const bool whole = ident.size() < after.size() && after[ident.size()] == '\0';
        const std::size_t close = ident.rfind(") ");
        if (whole && close != std::string_view::npos && close + 2 < ident.size()) {
          ++idents["(" + std::string(ident)];
        }
        return true;
      },
      kMostIdents);
  if (idents.empty()) return;

  std::string vendors, version, evidence;
  int best = 0;
  for (const auto& [ident, count] : idents) {
    const std::size_t close = ident.rfind(") ");
    const std::string stated = ident.substr(close + 2);
    vendors += ident.substr(0, close + 1);
    if (Specificity(stated) > best) {
      best = Specificity(stated);
      version = stated;
    }
    evidence += (evidence.empty() ? "" : ", ") + std::string("\"GCC: ") + ident + "\" x" + std::to_string(count);
  }
  // Linked by anything but GNU ld (LLVM's lld writes 14.00), the idents are
  // the MinGW-w64 runtime's: clang compiled the program itself.
  if (bytes.pe && bytes.pe->linkerMajor == 14) {
    findings.push_back({FindingKind::kRuntime, "runtime objects built by " + Flavour(bytes, vendors), version,
                        "stated idents: " + evidence});
    return;
  }
  findings.push_back({FindingKind::kCompiler, Flavour(bytes, vendors), version, "stated idents: " + evidence});
}

}  // namespace vantric
