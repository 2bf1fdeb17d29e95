// The readers of stated texts and of the Rich header on bytes placed by hand:
// what they must name, and the look-alikes they must pass over.
#include <string>
#include <string_view>

#include <gtest/gtest.h>

#include "evidence/evidence_readers.h"
#include "evidence/rich_header.h"
#include "tests/evidence/evidence_builder.h"

namespace vantric {
namespace {

using namespace std::string_literals;
using namespace std::string_view_literals;

struct StatedCase {
  const char* what;
  std::string_view regionName;
  std::string_view bytes;
  std::uint8_t linkerMajor;  // 0: no PE image
  std::string expected;  // "kind name|version" of each finding, "; " between
};

std::string Described(const ToolchainFindings& findings) {
  std::string out;
  for (const ToolchainFinding& finding : findings) {
    if (!out.empty()) out += "; ";
    out += std::string(KindName(finding.kind)) + " " + finding.name + "|" + finding.version;
  }
  return out;
}

TEST(StatedEvidence, NamesWhatIsStatedAndPassesOverLookAlikes) {
  const StatedCase cases[] = {
      {"GCC idents of a MinGW-w64 program", ".rdata",
       "\0GCC: (GNU) 12 20220819\0\0GCC: (GNU) 12-win32\0Mingw-w64 runtime failure:\0"sv, 2,
       "compiler GCC (MinGW-w64)|12-win32"},
      {"idents linked by lld are the runtime's", ".rdata", "\0GCC: (GNU) 12-win32\0"sv, 14,
       "runtime runtime objects built by GCC|12-win32"},
      {"an ident in compressed data stands as no string", "UPX1", "\0GCC: (GNU) 12 2020!k/819?-\x8f\x03"sv, 2,
       ""},
      {"UPX's version before its block", "headers", "\0\0\xc0" "3.96\0UPX!\r\t"sv, 14, "packer UPX|3.96"},
      {"a block with no version before it", "headers", "\0\0\0\0UPX!\r\t"sv, 14, ""},
      {"NSIS in its manifest, control bytes cut off", ".rsrc",
       "<description>Nullsoft Install System v3.08\x1b[31m</description>"sv, 2, "installer NSIS|3.08"},
      {"Inno Setup's setup program", ".data",
       "Inno Setup Setup Data (6.4.0.1)\0Inno Setup Uninstall Log (b)\0"sv, 2,
       "installer Inno Setup (setup program or uninstaller)|6.4.0.1"},
      {"PAR::Packer's loader and trailer", "end", "@(#) Packed by PAR::Packer 1.057\0...\nPAR.pm\n"sv, 0,
       "packer PAR::Packer|1.057"},
      {"Delphi 12", ".rdata", "Embarcadero Delphi for Win64 compiler version 36.0 (29.0.50491.5718)\0"sv, 2,
       "compiler Embarcadero Delphi|36.0 (Delphi 12 Athens)"},
      {"a Delphi no table knows yet", ".rdata", " Delphi for Win32 compiler version 99.0 (1.0)\0"sv, 2,
       "compiler Embarcadero Delphi|99.0"},
      {"Free Pascal", ".data", "\0FPC 3.2.2 [2021/05/19] for x86_64 - Win64\0"sv, 3,
       "compiler Free Pascal|3.2.2"},
      {"FPC followed by no build statement", ".data", "\0FPC 3 support\0"sv, 3, ""},
  };
  for (const StatedCase& c : cases) {
    SCOPED_TRACE(c.what);
    Evidence evidence(c.bytes.size());
    evidence.Put(0, c.bytes);
    evidence.Region(std::string(c.regionName), 0, c.bytes.size());
    if (c.linkerMajor != 0) evidence.Pe().linkerMajor = c.linkerMajor;
    ToolchainFindings findings = evidence.Run(FindGccEvidence);
    for (const auto reader : {FindStatedCompilerEvidence, FindPackerEvidence}) {
      const ToolchainFindings more = evidence.Run(reader);
      findings.insert(findings.end(), more.begin(), more.end());
    }
    EXPECT_EQ(Described(findings), c.expected);
  }
}

// A 7-Zip self-extractor is a stub with a 7z archive after it, its version
// in the stub's version resource; a 7z signature inside other data is none.
TEST(StatedEvidence, SevenZipSelfExtractorsByWhatFollowsTheStub) {
  const auto utf16 = [](std::string_view text) {
    std::string out;
    for (const char c : text) out += std::string{c, '\0'};
    return out;
  };
  const std::string resource = utf16("7-Zip") + "\0\0"s + utf16("ProductVersion") + "\0\0"s + utf16("19.00") + "\0\0"s;
  const std::string archive = "7z\xBC\xAF\x27\x1C\0\4"s;
  struct Case {
    const char* what;
    std::string overlay;
    std::string expected;
  };
  for (const auto& [what, overlay, expected] :
       {Case{"archive at the overlay's start", archive, "installer 7-Zip self-extractor|19.00"},
        Case{"installer configuration first", ";!@Install@!UTF-8!\nTitle=\"x\"\n;!@InstallEnd@!" + archive,
             "installer 7-Zip self-extractor|19.00"},
        Case{"a signature inside other data", "some data " + archive, ""}}) {
    SCOPED_TRACE(what);
    Evidence evidence(resource.size() + overlay.size());
    evidence.Put(0, resource);
    evidence.Put(resource.size(), overlay);
    evidence.Region(".rsrc", 0, resource.size());
    evidence.Region("overlay", resource.size(), overlay.size());
    evidence.Pe();
    EXPECT_EQ(Described(evidence.Run(FindPackerEvidence)), expected);
  }
}

// Key 0 leaves the list as it stands, so each case reads as written.
TEST(RichHeader, ListsThatAreNotWholeAreNotRead) {
  const std::string dosHeader(0x80, '\0');
  const std::string dans = "DanS"s + std::string(12, '\0');
  const std::string entry = "\xad\x75\x04\x01\x09\0\0\0"s;  // Utc1900_C 30125, 9 objects
  const std::string rich = "Rich\0\0\0\0"s;
  struct Case {
    const char* what;
    std::string bytes;
    std::size_t entries;  // SIZE_MAX: no header
  };
  for (const Case& c : {Case{"whole", dosHeader + dans + entry + rich, 1},
                        Case{"no DanS before Rich", dosHeader + std::string(16, '\0') + entry + rich, SIZE_MAX},
                        Case{"half an entry", dosHeader + dans + entry.substr(4) + rich, SIZE_MAX},
                        Case{"Rich past the PE header", dosHeader + dans + entry, SIZE_MAX}}) {
    SCOPED_TRACE(c.what);
    const std::optional<RichHeader> header = DecodeRichHeader(c.bytes, static_cast<std::uint32_t>(c.bytes.size()));
    if (c.entries == SIZE_MAX) {
      EXPECT_FALSE(header.has_value());
      continue;
    }
    ASSERT_TRUE(header.has_value());
    ASSERT_EQ(header->entries.size(), c.entries);
    EXPECT_EQ(header->entries[0].product, 0x0104);
    EXPECT_EQ(header->entries[0].build, 30125);
    EXPECT_EQ(header->entries[0].count, 9u);
  }
}

}  // namespace
}  // namespace vantric
