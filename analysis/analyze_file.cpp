#include "analysis/analyze_file.h"

#include <cstdint>
#include <limits>
#include <memory>
#include <span>
#include <vector>

#include "platform/file_system.h"
#include "platform/io_error.h"
#include "sigdb/matcher.h"
#include "verinfo/version_info.h"

namespace vantric {
namespace {

constexpr const char* kNoValue = "-";
// The largest file this build can hold in one buffer. A 32-bit build keeps to
// a signed 32-bit count.
constexpr std::uint64_t kLargestFile = sizeof(void*) >= 8
                                           ? std::numeric_limits<std::int64_t>::max()
                                           : std::uint64_t{std::numeric_limits<std::int32_t>::max()};

void PresetToNoValue(TAppInfo& info) {
  for (std::string* field : {&info.comments, &info.productName, &info.companyName, &info.fileVersion,
                             &info.language, &info.compiler, &info.compilerCompany, &info.compilerUrl,
                             &info.program, &info.programCompany, &info.programUrl}) {
    *field = kNoValue;
  }
}

void ReadVersionStrings(const TVersionInfo& version, TAppInfo& info) {
  if (!version.Valid()) return;
  info.comments = version.Comments();
  info.productName = version.ProductName();
  info.companyName = version.CompanyName();
  info.fileVersion = version.FileVersion();
}

AnalysisResult Failure(AnalysisStatus status, std::string error) { return {status, std::move(error), {}}; }

}  // namespace

std::string NamePart(std::string_view path) {
  const std::size_t cut = path.find_last_of(PathSeparators());
  return std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
}

AnalysisResult AnalyzeFile(const std::string& path, const LoadedDatabase& compilers,
                           const LoadedDatabase& compressions, const AnalysisObserver& observer) {
  if (!FileExists(path)) return Failure(AnalysisStatus::kNotFound, "File not found");

  TAppInfo info;
  PresetToNoValue(info);
  info.fileName = NamePart(path);

  std::unique_ptr<ReadOnlyFile> file;
  try {
    file = std::make_unique<ReadOnlyFile>(path);
  } catch (const IoError&) {
    return Failure(AnalysisStatus::kOpenFailed, "Could not open file");
  }

  // The whole file in memory. Not mapped: a mapped file that another program
  // cuts short while we scan it takes the whole process down.
  std::vector<std::uint8_t> contents;
  try {
    const std::uint64_t size = file->Size();
    if (size < kSmallestAnalysedFile) return Failure(AnalysisStatus::kTooSmall, "File too small");
    if (size > kLargestFile) return Failure(AnalysisStatus::kTooLarge, "File too large");
    if (observer.status) observer.status("Loading...");
    contents.resize(static_cast<std::size_t>(size));
    if (file->Read(contents.data(), contents.size()) != contents.size()) throw IoError(kErrorReadBeyondEnd);
    file->Close();
  } catch (const IoError& error) {
    return Failure(AnalysisStatus::kIoError, error.what());
  } catch (const std::bad_alloc&) {
    return Failure(AnalysisStatus::kTooLarge, "File too large");
  }

  const std::span<const std::uint8_t> bytes(contents);
  // From the bytes just read, so that the file is read once (the system's
  // version library, where it is used, reads the file itself).
  ReadVersionStrings(TVersionInfo(path), info);
  if (observer.status) observer.status("Scanning patterns...");
  ScanCompression(compressions.records, compressions.index, bytes, info.program, info.programCompany,
                  info.programUrl);
  if (observer.compilerPassStarts) observer.compilerPassStarts();
  ScanCompiler(compilers.records, compilers.index, bytes, observer.compilerPassProgress, info.language,
               info.compiler, info.compilerCompany, info.compilerUrl);
  return {AnalysisStatus::kOk, {}, std::move(info)};
}

}  // namespace vantric
