// Whole files: every toolchain-evidence reader on what they hold.

#include <cstddef>
#include <cstdint>
#include <span>

#include "evidence/toolchain_evidence.h"
#include "verinfo/memory_source.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vantric::MemorySource source(std::span(data, size));
  (void)vantric::ReadToolchainEvidence(vantric::SourceView(source));
  return 0;
}
