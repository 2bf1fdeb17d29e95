#include "evidence/toolchain_finding.h"

namespace vantric {

std::string_view KindName(FindingKind kind) {
  switch (kind) {
    case FindingKind::kCompiler: return "compiler";
    case FindingKind::kLinker: return "linker";
    case FindingKind::kRuntime: return "runtime";
    case FindingKind::kPacker: return "packer";
    case FindingKind::kInstaller: return "installer";
    case FindingKind::kTool: return "tool";
  }
  return "tool";
}

std::string_view KindLabel(FindingKind kind) {
  switch (kind) {
    case FindingKind::kCompiler: return "Compiler";
    case FindingKind::kLinker: return "Linker";
    case FindingKind::kRuntime: return "Runtime";
    case FindingKind::kPacker: return "Packer";
    case FindingKind::kInstaller: return "Installer";
    case FindingKind::kTool: return "Tool";
  }
  return "Tool";
}

}  // namespace vantric
