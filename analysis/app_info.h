#pragma once

#include <string>

#include "evidence/toolchain_finding.h"

namespace vantric {

// What one analysis found out about a file: twelve strings in three groups,
// and what the file says about its own making.
struct TAppInfo {
  // Version resource.
  std::string fileName;
  std::string comments;
  std::string productName;
  std::string companyName;
  std::string fileVersion;
  // Compiler.
  std::string language;
  std::string compiler;
  std::string compilerCompany;
  std::string compilerUrl;
  // Packer or encryptor.
  std::string program;
  std::string programCompany;
  std::string programUrl;
  // Toolchain evidence, most specific first; beside the fields, which stay
  // the databases' answer.
  ToolchainFindings toolchain;

  bool operator==(const TAppInfo&) const = default;
};

}  // namespace vantric
