#pragma once

#include <cstddef>
#include <map>
#include <string>

#include "analysis/analyze_file.h"

namespace vantric::cli {

// How many files each compiler and each packer was found in, over a run:
// what someone scanning a folder of downloads wants to see first.
class Summary {
 public:
  void Add(const AnalysisResult& result);

  // A table after the per-file text. Names come from the databases, so
  // control characters in them are shown escaped, never sent to a terminal.
  std::string Text() const;
  // One JSON object on one line with a "summary" key, so that a stream of
  // per-file objects stays parseable.
  std::string Json() const;

 private:
  std::size_t files_ = 0;
  std::size_t analysed_ = 0;
  // Keyed by the name reported; "-" is "none found".
  std::map<std::string, std::size_t> compilers_;
  std::map<std::string, std::size_t> packers_;
  std::map<std::string, std::size_t> generations_;
};

// The toolchain generation the findings name, for counting: "Visual Studio
// 2019", "Delphi 11 Alexandria", "Go 1.21", "GCC (MinGW-w64) 12"; "-" when
// they name none. Taken from the first compiler finding, else the first
// linker, else the first runtime.
std::string ToolchainGeneration(const ToolchainFindings& findings);

}  // namespace vantric::cli
