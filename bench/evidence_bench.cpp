// What the toolchain-evidence reader adds to an analysis: over the files
// given (folders are walked), the time of whole analyses and of the evidence
// reader alone, and the most bytes the reader read of any one file.
//
//   evidence_bench COMPILER_DB COMPRESSION_DB PATH...
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "analysis/analyzer.h"
#include "evidence/evidence_bytes.h"
#include "evidence/toolchain_evidence.h"
#include "verinfo/file_source.h"

namespace {

using Clock = std::chrono::steady_clock;

std::vector<std::string> FilesUnder(int argc, char** argv) {
  std::vector<std::string> files;
  for (int i = 3; i < argc; ++i) {
    if (!std::filesystem::is_directory(argv[i])) {
      files.push_back(argv[i]);
      continue;
    }
    for (const auto& entry : std::filesystem::recursive_directory_iterator(argv[i])) {
      if (entry.is_regular_file() && !entry.is_symlink()) files.push_back(entry.path().string());
    }
  }
  return files;
}

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: evidence_bench COMPILER_DB COMPRESSION_DB PATH...\n");
    return 2;
  }
  vantric::Analyzer analyzer;
  analyzer.Load(vantric::DatabaseKind::kCompiler, argv[1]);
  analyzer.Load(vantric::DatabaseKind::kCompression, argv[2]);
  const std::vector<std::string> files = FilesUnder(argc, argv);

  Clock::duration analyses{}, evidence{};
  std::uint64_t fileBytes = 0, mostRead = 0;
  for (int round = 0; round < 3; ++round) {  // the first round warms the page cache
    analyses = evidence = {};
    for (const std::string& path : files) {
      const auto start = Clock::now();
      (void)analyzer.AnalyzeFile(path);
      const auto analysed = Clock::now();
      vantric::FileSource source(path);
      (void)vantric::ReadToolchainEvidence(vantric::SourceView(source));
      evidence += Clock::now() - analysed;
      analyses += analysed - start;
      if (round == 0) {
        std::uint64_t read = 0;
        for (const auto& region : vantric::ReadEvidenceBytes(vantric::SourceView(source)).regions) {
          read += region.bytes.size();
        }
        mostRead = std::max(mostRead, read);
        fileBytes += source.Size();
      }
    }
  }
  std::printf("%zu files, %.1f MB\n", files.size(), fileBytes / 1e6);
  std::printf("whole analyses (evidence included): %.3f s\n", Seconds(analyses));
  std::printf("evidence reader alone:              %.3f s (%.1f%% of the analyses)\n", Seconds(evidence),
              100.0 * Seconds(evidence) / Seconds(analyses));
  std::printf("most bytes the reader read of one file: %.1f MB (budget %.1f MB)\n", mostRead / 1e6,
              vantric::kEvidenceByteBudget / 1e6);
  return 0;
}
