#pragma once

#include "evidence/evidence_bytes.h"
#include "evidence/toolchain_finding.h"

namespace vantric {

// One reader a toolchain: each appends what its evidence says, most specific
// first, and never reads outside what it is given (the SourceView in
// `bytes.file` checks every read).
void FindRichHeaderEvidence(const EvidenceBytes& bytes, ToolchainFindings& findings);
void FindLinkerVersionEvidence(const EvidenceBytes& bytes, ToolchainFindings& findings);
void FindGoEvidence(const EvidenceBytes& bytes, ToolchainFindings& findings);
void FindGccEvidence(const EvidenceBytes& bytes, ToolchainFindings& findings);
void FindRustEvidence(const EvidenceBytes& bytes, ToolchainFindings& findings);
void FindDotNetEvidence(const EvidenceBytes& bytes, ToolchainFindings& findings);
void FindStatedCompilerEvidence(const EvidenceBytes& bytes, ToolchainFindings& findings);  // Delphi, Free Pascal
void FindPackerEvidence(const EvidenceBytes& bytes, ToolchainFindings& findings);  // UPX, NSIS, Inno Setup, PAR, 7-Zip

}  // namespace vantric
