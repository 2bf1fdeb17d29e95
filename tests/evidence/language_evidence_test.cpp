#include <algorithm>
#include <cstdint>
#include <span>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "evidence/evidence_readers.h"
#include "tests/evidence/evidence_builder.h"
#include "evidence/rust_releases.h"
#include "verinfo/memory_source.h"

namespace vantric {
namespace {

using namespace std::string_literals;
using namespace std::string_view_literals;

std::string Varint(std::uint64_t value) {
  std::string out;
  do {
    out += static_cast<char>((value & 0x7f) | (value >= 0x80 ? 0x80 : 0));
    value >>= 7;
  } while (value != 0);
  return out;
}

// The module information as the Go linker frames it: 16 bytes either side.
std::string Framed(std::string_view text) {
  return std::string(16, 'S') + std::string(text) + std::string(16, 'E');
}

constexpr std::string_view kMagic = "\xff Go buildinf:";
constexpr std::string_view kModInfo =
    "path\tgithub.com/x/y\n"
    "mod\tgithub.com/x/y\tv1.2.3\th1:abcdef=\n"
    "dep\tgolang.org/x/sys\tv0.15.0\th1:xyz=\n"
    "build\t-buildmode=exe\n"
    "build\t-compiler=gc\n"
    "build\tCGO_ENABLED=0\n"
    "build\tGOARCH=amd64\n"
    "build\tGOOS=windows\n"
    "build\tGOAMD64=v1\n"
    "build\tvcs=git\n";

TEST(GoEvidence, InlineBuildInformation) {
  Evidence file(0x1000);
  const std::string mod = Framed(kModInfo);
  file.Put(0x400, std::string(kMagic) + "\x08\x02" + std::string(16, '\0') + Varint(8) + "go1.21.4" +
                      Varint(mod.size()) + mod);
  file.Region(".data", 0x400, 0x200, 0x3000);  // the module information runs past the region
  EXPECT_EQ(file.Run(FindGoEvidence),
            (ToolchainFindings{{FindingKind::kCompiler, "Go", "1.21.4",
                                "Go build information (-buildmode=exe, -compiler=gc, CGO_ENABLED=0, GOARCH=amd64, "
                                "GOOS=windows)"},
                               {FindingKind::kTool, "github.com/x/y", "v1.2.3", "Go main module"}}));
}

// Before Go 1.18 the header held pointers to Go string headers {data, length}.
TEST(GoEvidence, PointerBuildInformation) {
  struct Case {
    int pointerSize;
    bool bigEndian;
  };
  for (const Case c : {Case{4, false}, Case{8, false}, Case{8, true}}) {
    SCOPED_TRACE(c.pointerSize * 10 + c.bigEndian);
    const auto pointer = [&](std::uint64_t value) {
      std::string raw(static_cast<std::size_t>(c.pointerSize), '\0');
      for (int i = 0; i < c.pointerSize; ++i) {
        raw[static_cast<std::size_t>(c.bigEndian ? c.pointerSize - 1 - i : i)] = static_cast<char>(value >> (8 * i));
      }
      return raw;
    };
    const std::string mod = Framed("path\tcmd/tool\nbuild\t-compiler=gc\n");
    Evidence file(0x800);
    file.Pe().imageBase = 0x400000;
    // .data at file 0x400, RVA 0x2000: header, two string headers, the texts.
    file.Put(0x400, std::string(kMagic) + static_cast<char>(c.pointerSize) + (c.bigEndian ? '\x01' : '\x00') +
                        pointer(0x402040) + pointer(0x402060));
    file.Put(0x440, pointer(0x402100) + pointer(7));
    file.Put(0x460, pointer(0x402120) + pointer(mod.size()));
    file.Put(0x500, "go1.9.7");
    file.Put(0x520, mod);
    file.Region(".data", 0x400, 0x200, 0x2000);
    EXPECT_EQ(file.Run(FindGoEvidence),
              (ToolchainFindings{{FindingKind::kCompiler, "Go", "1.9.7", "Go build information (-compiler=gc)"},
                                 {FindingKind::kTool, "cmd/tool", "", "Go main package"}}));
  }
}

// A damaged block yields nothing and reads nothing outside the file.
TEST(GoEvidence, DamagedBlocksYieldNothing) {
  const std::string header = std::string(kMagic) + "\x08\x02" + std::string(16, '\0');
  struct Case {
    const char* what;
    std::size_t at;
    std::string block;
  };
  const Case cases[] = {
      {"overlong varint", 0x400, header + std::string(11, '\xff') + "\x01"},
      {"varint cut by end of file", 0x7e0, header + "\x80\x80"},
      {"length past end of file", 0x400, header + Varint(0x10000) + "go1.21.4"},
      {"length over the cap", 0x400, header + Varint(std::uint64_t{1} << 40) + "go1.21.4"},
      {"pointer to nowhere", 0x400, std::string(kMagic) + "\x08" + '\0' + std::string(16, '\x7f')},
      {"not 16-byte aligned", 0x408, header + Varint(8) + "go1.21.4"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Evidence file(0x800);
    file.Pe().imageBase = 0x400000;
    file.Put(c.at, c.block.substr(0, 0x800 - c.at));
    file.Region(".data", 0x400, 0x400, 0x2000);
    const auto findings = file.Run(FindGoEvidence);
    // With the version in the text, the stated-text fallback may find it; a
    // number read from a damaged block would name another evidence.
    for (const auto& finding : findings) EXPECT_EQ(finding.evidence, "stated text");
  }
}

// Without the block, the runtime's own version text counts only in a file
// that is otherwise Go's.
TEST(GoEvidence, StatedVersionNeedsGoMarks) {
  struct Case {
    std::string_view text;
    std::string_view version;  // empty: no finding
  };
  const Case cases[] = {
      {"runtime.main\0go1.20.3\0"sv, "1.20.3"},
      {"Go build ID: \"abc/def\"\0go1.9\0"sv, "1.9"},
      {"runtime.mainx go1.21.4internal/abi"sv, "1.21.4"},  // Go's strings run together
      {"needs go1.20.3 or later"sv, ""},
      {"runtime.main go1.x go1."sv, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    Evidence file(0x200);
    file.Put(0x100, c.text);
    file.Region(".rdata", 0x100, 0x100);
    ToolchainFindings expected;
    if (!c.version.empty()) expected.push_back({FindingKind::kCompiler, "Go", std::string(c.version), "stated text"});
    EXPECT_EQ(file.Run(FindGoEvidence), expected);
  }
}

// A .NET image: one section (file 0x200, RVA 0x2000) holding the CLI header
// at RVA 0x2008 and the metadata root at RVA 0x2100 with #~ and #Blob.
void PutDotNet(Evidence& file, std::string_view blob, std::uint32_t clrRva = 0x2008) {
  auto& pe = file.Pe();
  pe.sections = {{".text", 0x2000, 0x1000, 0x200, 0x1000}};
  pe.directories.resize(16);
  pe.directories[kClrDirectory] = {clrRva, 72};
  file.PutU32(0x208, 72);
  file.PutU32(0x208 + 8, 0x2100);
  file.PutU32(0x208 + 12, 0x400);
  const std::size_t root = 0x300;
  file.Put(root, "BSJB\x01\0\x01\0\0\0\0\0"sv);
  file.PutU32(root + 12, 12);
  file.Put(root + 16, "v4.0.30319\0\0"sv);
  file.Put(root + 28, "\0\0\x02\0"sv);  // flags, two streams
  file.PutU32(root + 32, 0x80);
  file.PutU32(root + 36, 0x10);
  file.Put(root + 40, "#~\0\0"sv);
  file.PutU32(root + 44, 0x100);
  file.PutU32(root + 48, static_cast<std::uint32_t>(blob.size()));
  file.Put(root + 52, "#Blob\0\0\0"sv);
  file.Put(root + 0x100, blob);
}

// The attribute's value blob: its size, the prolog, the string, no named arguments.
std::string AttributeBlob(std::string_view text) {
  const std::string value = "\x01"s + '\0' + static_cast<char>(text.size()) + std::string(text) + '\0' + '\0';
  return "\0"s + static_cast<char>(value.size()) + value;
}

TEST(DotNetEvidence, TargetFrameworkAndMetadataVersion) {
  struct Case {
    std::string_view moniker;
    std::string_view name;
    std::string_view version;
  };
  const Case cases[] = {
      {".NETFramework,Version=v4.7.2", ".NET Framework", "4.7.2"},
      {".NETFramework,Version=v4.0,Profile=Client", ".NET Framework", "4.0 Client Profile"},
      {".NETCoreApp,Version=v3.1", ".NET Core", "3.1"},
      {".NETCoreApp,Version=v8.0", ".NET", "8.0"},
      {".NETCoreApp,Version=v10.0", ".NET", "10.0"},
      {".NETStandard,Version=v2.0", ".NET Standard", "2.0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.moniker);
    Evidence file(0x1200);
    // Other blobs first: a signature and an attribute with another string.
    PutDotNet(file, "\0\x03\x20\x00\x01"s + AttributeBlob("Copyright 2024") + AttributeBlob(c.moniker));
    EXPECT_EQ(file.Run(FindDotNetEvidence),
              (ToolchainFindings{
                  {FindingKind::kRuntime, std::string(c.name), std::string(c.version), "TargetFramework attribute"},
                  {FindingKind::kRuntime, ".NET", "v4.0.30319", "metadata version"}}));
  }
}

TEST(DotNetEvidence, BrokenReferencesYieldNothing) {
  struct Case {
    const char* what;
    std::uint32_t clrRva;
    std::size_t fileSize;
  };
  const Case cases[] = {
      {"CLR directory outside every section", 0x9000, 0x1200},
      {"CLR directory past the end of the file", 0x2f00, 0x1200},
      {"metadata cut by the end of the file", 0x2008, 0x310},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Evidence file(0x1200, c.fileSize);
    PutDotNet(file, AttributeBlob(".NETFramework,Version=v4.8"), c.clrRva);
    EXPECT_EQ(file.Run(FindDotNetEvidence), ToolchainFindings{});
  }
}

TEST(RustEvidence, LibraryPaths) {
  struct Case {
    std::string_view text;
    std::string_view version;  // empty: no finding
    std::string_view evidence;
  };
  const Case cases[] = {
      {"/rustc/82e1608dfa6e0b5569232559e3d385fea5a93112/library/core/src/fmt/mod.rs", "1.75.0",
       "library paths (commit 82e1608df)"},
      // Built on Windows: the rest of the path with backslashes.
      {"\0/rustc/90c541806f23a127002de5b4038be731ba1458ca\\library\\std\\src\\io\\mod.rs"sv, "1.70.0",
       "library paths (commit 90c541806)"},
      {"\\rustc\\a59de37e99060162a2674e3ff45409ac73595c0e\\src\\libcore\\fmt.rs", "1.0.0",
       "library paths (commit a59de37e9)"},
      {"/rustc/0123456789abcdef0123456789abcdef01234567/library/alloc/src/vec.rs",
       "commit 0123456789abcdef0123456789abcdef01234567", "library paths"},
      {"/usr/src/rustc-1.63.0/library/std/src/panicking.rs", "1.63.0", "library paths"},
      {"/rustc/82e1608df/library/core", "", ""},  // a short hash says nothing
      {"/rustc/82e1608dfa6e0b5569232559e3d385fea5a93112x", "", ""},
      {"/usr/src/rustc-/library", "", ""},
      {"/usr/src/rustc-1.63.0", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    Evidence file(0x200);
    file.Put(0x80, c.text);
    file.Region(".rdata", 0x80, 0x80 + c.text.size() > 0x200 ? 0x180 : c.text.size());
    ToolchainFindings expected;
    if (!c.version.empty()) {
      expected.push_back({FindingKind::kCompiler, "rustc", std::string(c.version), std::string(c.evidence)});
    }
    EXPECT_EQ(file.Run(FindRustEvidence), expected);
  }
}

// Releases whose `rustc -vV` was seen on real toolchains, including this
// machine's.
TEST(RustReleases, KnownCommits) {
  EXPECT_EQ(RustReleaseOfCommit("59807616e1fa2540724bfbac14d7976d7e4a3860"), "1.95.0");
  EXPECT_EQ(RustReleaseOfCommit("4d91de4e48198da2e33413efdcd9cd2cc0c46688"), "1.85.0");
  EXPECT_EQ(RustReleaseOfCommit("82e1608dfa6e0b5569232559e3d385fea5a93112"), "1.75.0");
  EXPECT_EQ(RustReleaseOfCommit("82e1608df"), std::nullopt);
  EXPECT_EQ(RustReleaseOfCommit("82E1608DFA6E0B5569232559E3D385FEA5A93112"), std::nullopt);
}

}  // namespace
}  // namespace vantric
