#pragma once

#include <array>
#include <string>
#include <string_view>

#include "analysis/app_info.h"

namespace vantric {

// The three groups of a result, as the window frames them and the JSON
// report nests them.
enum class ResultGroup { kVersion, kCompiler, kCompression };

// The twelve result fields in the order they are shown.
enum class ResultField {
  kFileName,
  kComments,
  kVersion,
  kProduct,
  kCompany,
  kLanguage,
  kCompiler,
  kCompilerCompany,
  kCompilerUrl,
  kProgram,
  kProgramCompany,
  kProgramUrl,
};

struct ResultFieldInfo {
  ResultField field;
  ResultGroup group;
  const char* label;     // as the window labels it, without the colon
  const char* jsonName;  // its name inside its group's JSON object
  std::string TAppInfo::*value;
};

// Every front end lists the fields from this one table.
inline constexpr std::array<ResultFieldInfo, 12> kResultFields = {{
    {ResultField::kFileName, ResultGroup::kVersion, "Filename", "filename", &TAppInfo::fileName},
    {ResultField::kComments, ResultGroup::kVersion, "Comments", "comments", &TAppInfo::comments},
    {ResultField::kVersion, ResultGroup::kVersion, "Version", "version", &TAppInfo::fileVersion},
    {ResultField::kProduct, ResultGroup::kVersion, "Product", "product", &TAppInfo::productName},
    {ResultField::kCompany, ResultGroup::kVersion, "Company", "company", &TAppInfo::companyName},
    {ResultField::kLanguage, ResultGroup::kCompiler, "Language", "language", &TAppInfo::language},
    {ResultField::kCompiler, ResultGroup::kCompiler, "Compiler", "compiler", &TAppInfo::compiler},
    {ResultField::kCompilerCompany, ResultGroup::kCompiler, "Company", "company", &TAppInfo::compilerCompany},
    {ResultField::kCompilerUrl, ResultGroup::kCompiler, "URL", "url", &TAppInfo::compilerUrl},
    {ResultField::kProgram, ResultGroup::kCompression, "Program", "program", &TAppInfo::program},
    {ResultField::kProgramCompany, ResultGroup::kCompression, "Company", "company",
     &TAppInfo::programCompany},
    {ResultField::kProgramUrl, ResultGroup::kCompression, "URL", "url", &TAppInfo::programUrl},
}};
inline constexpr int kResultFieldCount = static_cast<int>(kResultFields.size());

constexpr const ResultFieldInfo& FieldInfo(ResultField field) {
  return kResultFields[static_cast<int>(field)];
}

// The group's name in the JSON report.
constexpr std::string_view GroupJsonName(ResultGroup group) {
  switch (group) {
    case ResultGroup::kVersion: return "version";
    case ResultGroup::kCompiler: return "compiler";
    case ResultGroup::kCompression: return "compression";
  }
  return {};
}

}  // namespace vantric
