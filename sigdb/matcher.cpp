#include "sigdb/matcher.h"

#include <algorithm>

namespace vantric {

bool ScanCompression(const TLangDefinitionArray& database, const SignatureIndex& index,
                     std::span<const std::uint8_t> buffer, std::string& program, std::string& company,
                     std::string& url) {
  const std::size_t winner = index.FirstMatch(buffer);
  if (winner == 0) return false;
  const TLangDefinition& record = database[winner];
  program = record.fields[kProgramField].str();
  company = record.fields[kProgramCompanyField].str();
  url = record.fields[kProgramUrlField].str();
  return true;
}

bool ScanCompiler(const TLangDefinitionArray& database, const SignatureIndex& index,
                  std::span<const std::uint8_t> buffer, const ScanProgress& progress, std::string& language,
                  std::string& compiler, std::string& company, std::string& url) {
  const std::size_t winner = index.FirstMatch(buffer, progress);
  if (winner == 0) return false;
  const TLangDefinition& record = database[winner];
  language = record.fields[kLanguageField].str();
  compiler = record.fields[kCompilerField].str();
  company = record.fields[kCompilerCompanyField].str();
  url = record.fields[kCompilerUrlField].str();
  return true;
}

int ProgressBarPosition(std::uint64_t done, std::uint64_t total, int patternCount) {
  if (patternCount <= 1 || total == 0) return 1;
  done = std::min(done, total);
  return 1 + static_cast<int>(done * static_cast<std::uint64_t>(patternCount - 1) / total);
}

}  // namespace vantric
