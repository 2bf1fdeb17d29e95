#include "evidence/toolchain_evidence.h"

#include <algorithm>

#include "evidence/evidence_readers.h"

namespace vantric {

ToolchainFindings ReadToolchainEvidence(SourceView file) {
  const EvidenceBytes bytes = ReadEvidenceBytes(file);
  ToolchainFindings findings;
  // A language's own compiler before the C compilers that may have built only
  // its runtime or the libraries it links (a Rust program's C parts).
  for (const auto reader : {FindGoEvidence, FindRustEvidence, FindStatedCompilerEvidence, FindDotNetEvidence,
                            FindRichHeaderEvidence, FindGccEvidence, FindLinkerVersionEvidence, FindPackerEvidence}) {
    reader(bytes, findings);
  }
  // Compilers first, then linkers, runtimes, packers, installers, tools;
  // within a kind, in the order the readers found them.
  std::stable_sort(findings.begin(), findings.end(),
                   [](const ToolchainFinding& a, const ToolchainFinding& b) { return a.kind < b.kind; });
  findings.erase(std::unique(findings.begin(), findings.end()), findings.end());
  return findings;
}

}  // namespace vantric
