#include "evidence/toolchain_finding.h"

#include <gtest/gtest.h>

namespace vantric {
namespace {

// The JSON names are a schema scripts rely on.
TEST(ToolchainFinding, KindsHaveTheirSchemaNames) {
  EXPECT_EQ(KindName(FindingKind::kCompiler), "compiler");
  EXPECT_EQ(KindName(FindingKind::kLinker), "linker");
  EXPECT_EQ(KindName(FindingKind::kRuntime), "runtime");
  EXPECT_EQ(KindName(FindingKind::kPacker), "packer");
  EXPECT_EQ(KindName(FindingKind::kInstaller), "installer");
  EXPECT_EQ(KindName(FindingKind::kTool), "tool");
}

}  // namespace
}  // namespace vantric
