#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "sigdb/lang_definition.h"
#include "sigdb/signature_index.h"

namespace vantric {

// The compression pass: on a match, program, company and URL of the winning
// record; otherwise the strings are left as they are. `index` is the
// database's own index.
bool ScanCompression(const TLangDefinitionArray& database, const SignatureIndex& index,
                     std::span<const std::uint8_t> buffer, std::string& program, std::string& company,
                     std::string& url);

// The compiler pass, likewise for language, compiler, company and URL.
// `progress` hears how far the scan has come.
bool ScanCompiler(const TLangDefinitionArray& database, const SignatureIndex& index,
                  std::span<const std::uint8_t> buffer, const ScanProgress& progress, std::string& language,
                  std::string& compiler, std::string& company, std::string& url);

// Maps scan progress onto a bar that runs from 1 to the pattern count.
int ProgressBarPosition(std::uint64_t done, std::uint64_t total, int patternCount);

}  // namespace vantric
