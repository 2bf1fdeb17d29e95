#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vantric {

// What a piece of toolchain evidence says made or wrapped the file.
enum class FindingKind { kCompiler, kLinker, kRuntime, kPacker, kInstaller, kTool };

// "compiler", "linker", "runtime", "packer", "installer", "tool": the JSON
// report's names.
std::string_view KindName(FindingKind kind);
// "Compiler", "Linker", ...: the text report's labels.
std::string_view KindLabel(FindingKind kind);

// One finding: who made the file, which version, and what in the file says
// so. Texts may come from the file: escape them before a terminal sees them.
struct ToolchainFinding {
  FindingKind kind = FindingKind::kCompiler;
  std::string name;      // "Microsoft Linker", "Go", "GCC (MinGW-w64)", "UPX"
  std::string version;   // "14.29.30133 (Visual Studio 2019 version 16.11)"; may be empty
  std::string evidence;  // "Rich header", "Go build information", "stated text", ...

  bool operator==(const ToolchainFinding&) const = default;
};

using ToolchainFindings = std::vector<ToolchainFinding>;

}  // namespace vantric
