#pragma once

#include "evidence/toolchain_finding.h"
#include "verinfo/byte_source.h"

namespace vantric {

// What the file says about its own making: Rich header, linker version,
// stated compiler and packer versions. Reads a bounded number of bytes
// whatever the file's size. Throws IoError when the file can't be read.
ToolchainFindings ReadToolchainEvidence(SourceView file);

}  // namespace vantric
