#include "evidence/msvc_products.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string_view>

namespace vantric {
namespace {

// Ids and names as the public Rich-header product lists give them
// (github.com/kirschju/richheader prodids.py; dishather/richprint comp_id.txt).
TEST(MsvcProducts, KnownIdsNameTheirProduct) {
  struct Case {
    std::uint16_t id;
    std::string_view name;
    MsvcTool tool;
  };
  const Case cases[] = {
      {0x0105, "Utc1900_CPP", MsvcTool::kCppCompiler},
      {0x0104, "Utc1900_C", MsvcTool::kCCompiler},
      {0x0102, "Linker1400", MsvcTool::kLinker},
      {0x0103, "Masm1400", MsvcTool::kAssembler},
      {0x00FF, "Cvtres1400", MsvcTool::kResourceConverter},
      {0x0101, "Implib1400", MsvcTool::kImportLibrary},
      {0x0109, "Utc1900_LTCG_CPP", MsvcTool::kLtcgCpp},
      {0x00E3, "Utc1800_CVTCIL_CPP", MsvcTool::kCvtcilCpp},
      {0x000B, "Utc12_CPP", MsvcTool::kCppCompiler},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    const MsvcProduct* product = FindMsvcProduct(c.id);
    ASSERT_NE(product, nullptr);
    EXPECT_EQ(product->name, c.name);
    EXPECT_EQ(product->tool, c.tool);
  }
}

TEST(MsvcProducts, UnknownIdHasNoProduct) {
  EXPECT_EQ(FindMsvcProduct(0x010F), nullptr);
  EXPECT_EQ(FindMsvcProduct(0x0200), nullptr);
  EXPECT_EQ(FindMsvcProduct(0xFFFF), nullptr);
}

// (product, build) pairs seen in real programs, with the release the public
// lists name for them (dishather/richprint comp_id.txt; learn.microsoft.com
// "Microsoft Visual C++ compiler versioning" for the 16.8-16.11 minima and
// the toolset versions).
TEST(MsvcProducts, BuildsNameTheirRelease) {
  struct Case {
    std::uint16_t id;
    std::uint16_t build;
    std::string_view generation;
    std::string_view update;
  };
  const Case cases[] = {
      {0x000B, 8168, "Visual Studio 6.0", ""},
      {0x0016, 8804, "Visual Studio 6.0", "SP5"},
      {0x001D, 9466, "Visual Studio .NET 2002", ""},
      {0x0060, 3077, "Visual Studio .NET 2003", ""},
      {0x005A, 6030, "Visual Studio .NET 2003", "SP1"},
      // The same build number in two eras: VS2005 RTM and VS2012 RTM.
      {0x006E, 50727, "Visual Studio 2005", ""},
      {0x00CF, 50727, "Visual Studio 2012", ""},
      {0x0084, 30729, "Visual Studio 2008", "SP1"},
      {0x009D, 40219, "Visual Studio 2010", "SP1"},
      {0x00CE, 61030, "Visual Studio 2012", "Update 4"},
      {0x00E1, 40629, "Visual Studio 2013", "Update 5"},
      {0x0105, 23026, "Visual Studio 2015", ""},
      {0x0105, 24215, "Visual Studio 2015", "Update 3"},  // Update 3.1
      {0x0105, 26732, "Visual Studio 2017", "version 15.8"},
      {0x0102, 27508, "Visual Studio 2019", "version 16.0"},
      {0x0105, 29913, "Visual Studio 2019", "version 16.9"},
      {0x0104, 30133, "Visual Studio 2019", "version 16.11"},
      {0x0102, 30159, "Visual Studio 2019", "version 16.11"},
      {0x0105, 33130, "Visual Studio 2022", "version 17.8"},
      {0x0105, 35227, "Visual Studio 2022", "version 17.14"},  // 17.14.32
      {0x0105, 35730, "Visual Studio 2026", "version 18.5"},   // 18.5.2
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.id << " build " << std::dec << c.build);
    const MsvcProduct* product = FindMsvcProduct(c.id);
    ASSERT_NE(product, nullptr);
    const auto release = MsvcReleaseOf(*product, c.build);
    ASSERT_TRUE(release.has_value());
    EXPECT_EQ(release->generation, c.generation);
    EXPECT_EQ(release->update, c.update);
  }
}

TEST(MsvcProducts, ToolsVersionFollowsTheRelease) {
  const MsvcProduct* cpp = FindMsvcProduct(0x0105);
  ASSERT_NE(cpp, nullptr);
  EXPECT_EQ(MsvcReleaseOf(*cpp, 24215).value().toolsVersion, "14.00");
  EXPECT_EQ(MsvcReleaseOf(*cpp, 30133).value().toolsVersion, "14.29");
  EXPECT_EQ(MsvcReleaseOf(*cpp, 33130).value().toolsVersion, "14.38");
}

// Builds older than the first release of their era (pre-release compilers:
// VS2015 CTP 22816, VS2013 Preview 20617, VS2005 Beta 2 50215) and products
// whose builds no release owns.
TEST(MsvcProducts, BuildsOutsideTheTableHaveNoRelease) {
  struct Case {
    std::uint16_t id;
    std::uint16_t build;
  };
  const Case cases[] = {
      {0x0105, 22816}, {0x00E1, 20617}, {0x006E, 50215}, {0x0047, 3077},  // Linker710p
      {0x009F, 30319},                                                    // Phx1600_C
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.id << " build " << std::dec << c.build);
    const MsvcProduct* product = FindMsvcProduct(c.id);
    ASSERT_NE(product, nullptr);
    EXPECT_FALSE(MsvcReleaseOf(*product, c.build).has_value());
  }
}

}  // namespace
}  // namespace vantric
