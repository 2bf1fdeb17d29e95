#pragma once

#include <string>

namespace vantric {

// What one analysis found out about a file: twelve strings in three groups.
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

  bool operator==(const TAppInfo&) const = default;
};

}  // namespace vantric
