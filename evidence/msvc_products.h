#pragma once

// The Microsoft toolchain products a Rich header entry names, and the Visual
// Studio release a product's build belongs to.
//
// A Rich header entry ("comp id") is a 32-bit value: the high 16 bits are the
// product id, the low 16 bits the build number of the tool that made the
// object. Before Visual Studio 2015 every toolset generation had product ids of
// its own, so the id alone tells the generation and the build the service
// pack or update. From Visual Studio 2015 on every release reuses the same ids
// (Utc1900_*, Linker1400, ... 0x00FD-0x010E) and only the build number tells
// the releases apart.

#include <cstdint>
#include <optional>
#include <string_view>

namespace vantric {

enum class MsvcTool {
  kCCompiler,
  kCppCompiler,
  kBasicCompiler,  // the code generator behind Visual Basic's native compiler
  kVisualBasic,    // Visual Basic 6.0 itself
  kLinker,
  kAssembler,
  kIlAssembler,
  kResourceConverter,  // cvtres: .res to COFF object
  kImportLibrary,
  kExportLibrary,
  kLtcgC,  // link-time code generation
  kLtcgCpp,
  kLtcgMsil,
  kPgoInstrumentC,  // profile-guided optimization, instrumenting pass
  kPgoInstrumentCpp,
  kPgoOptimizeC,  // profile-guided optimization, optimizing pass
  kPgoOptimizeCpp,
  kCvtcilC,  // C compiled to CIL (/clr)
  kCvtcilCpp,
  kCvtpgd,
  kCvtomf,
  kAliasObject,
  kUnknown,
};

// The toolset generation a product's builds are numbered in. kNone: the
// product is known but its builds are not tied to a Visual Studio release
// (SDK and DDK tool sets, pre-release compilers, Visual Basic).
enum class MsvcEra : std::uint8_t {
  kNone,
  kVs6,
  kVs2002,
  kVs2003,
  kVs2005,
  kVs2008,
  kVs2010,
  kVs2012,
  kVs2013,
  kVs14,  // Visual Studio 2015 and every later release (toolset 14.x)
};

struct MsvcProduct {
  std::uint16_t id;
  const char* name;  // the name the Rich-header lists give it, e.g. "Utc1900_CPP", "Linker1400"
  MsvcTool tool;
  MsvcEra era;
};

// nullptr when the id is not a known product.
const MsvcProduct* FindMsvcProduct(std::uint16_t id);

// "C compiler", "C++ compiler", "linker", "assembler", ...
std::string_view ToolName(MsvcTool tool);

struct MsvcRelease {
  std::string_view generation;  // "Visual Studio 2019", "Visual Studio .NET 2003", ...
  std::string_view update;  // "version 16.11", "SP1", "Update 3"; empty for the first release of a generation
  std::string_view toolsVersion;  // the linker's MAJOR.MINOR, e.g. "14.29"; empty when not known
};

// The release whose tools carry `build` of `product`. A build at or after a
// release's first build and before the next release's belongs to that release,
// so servicing builds map to the release they service. Nothing when the
// product has no era or the build is older than the first known one of it.
std::optional<MsvcRelease> MsvcReleaseOf(const MsvcProduct& product, std::uint16_t build);

}  // namespace vantric
