#include "analysis/analyze_file.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <optional>

#include "evidence/toolchain_evidence.h"
#include "platform/file_system.h"
#include "platform/io_error.h"
#include "sigdb/signature_database.h"
#include "verinfo/file_source.h"
#include "verinfo/memory_source.h"
#include "verinfo/version_info.h"

namespace vantric {
namespace {

constexpr const char* kNoValue = "-";

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

void TakeCompression(const TLangDefinition* winner, TAppInfo& info) {
  if (!winner) return;
  info.program = winner->fields[kProgramField].str();
  info.programCompany = winner->fields[kProgramCompanyField].str();
  info.programUrl = winner->fields[kProgramUrlField].str();
}

void TakeCompiler(const TLangDefinition* winner, TAppInfo& info) {
  if (!winner) return;
  info.language = winner->fields[kLanguageField].str();
  info.compiler = winner->fields[kCompilerField].str();
  info.compilerCompany = winner->fields[kCompilerCompanyField].str();
  info.compilerUrl = winner->fields[kCompilerUrlField].str();
}

AnalysisResult Failure(AnalysisStatus status, std::string error) { return {status, std::move(error), {}}; }

TAppInfo NamedInfo(const std::string& path, const TVersionInfo& version) {
  TAppInfo info;
  PresetToNoValue(info);
  info.fileName = NamePart(path);
  ReadVersionStrings(version, info);
  return info;
}

void TakeWinners(const ScanWinners& winners, TAppInfo& info) {
  TakeCompression(winners.compression, info);
  TakeCompiler(winners.compiler, info);
}

}  // namespace

std::string NamePart(std::string_view path) {
  const std::size_t cut = path.find_last_of(PathSeparators());
  return std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
}

std::optional<AnalysisResult> PathProblem(const std::string& path, std::string_view folderText) {
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::status(WidePath(path), error);
  if (std::filesystem::is_directory(status)) {
    return AnalysisResult{AnalysisStatus::kNotFound, std::string(folderText), {}};
  }
  if (error && error != std::errc::no_such_file_or_directory && error != std::errc::not_a_directory) {
    return AnalysisResult{AnalysisStatus::kOpenFailed, error.message(), {}};
  }
  return std::nullopt;
}

AnalysisResult AnalyzeFile(const std::string& path, const ScanPair& databases,
                           const AnalysisObserver& observer) {
  if (!FileExists(path)) return Failure(AnalysisStatus::kNotFound, "File not found");

  TAppInfo info = NamedInfo(path, TVersionInfo(path));

  std::optional<ReadOnlyFile> file;
  try {
    file.emplace(path);
  } catch (const IoError&) {
    return Failure(AnalysisStatus::kOpenFailed, "Could not open file");
  }

  // Read, not mapped: a mapped file that another program cuts short while we
  // scan it takes the whole process down.
  try {
    const std::uint64_t size = file->Size();
    if (size < kSmallestAnalysedFile) return Failure(AnalysisStatus::kTooSmall, "File too small");
    if (observer.status) observer.status("Loading...");
    // Once the first window is in, or after the scan when databases without
    // signatures leave nothing to read.
    bool scanning = false;
    const auto startScanning = [&] {
      if (scanning) return;
      scanning = true;
      if (observer.status) observer.status("Scanning patterns...");
      if (observer.compilerPassStarts) observer.compilerPassStarts();
    };
    const ReadBytes read = [&](std::uint8_t* into, std::size_t count) {
      const std::size_t got = file->Read(into, count);
      startScanning();
      return got;
    };
    const ScanWinners winners = ScanFile(read, size, databases, observer.compilerPassProgress);
    startScanning();
    file->Close();
    TakeWinners(winners, info);
    FileSource source(path);
    info.toolchain = ReadToolchainEvidence(SourceView(source));
  } catch (const IoError& error) {
    return Failure(AnalysisStatus::kIoError, error.what());
  }
  return {AnalysisStatus::kOk, {}, std::move(info)};
}

AnalysisResult AnalyzeBytes(std::span<const std::uint8_t> bytes, const std::string& name,
                            const ScanPair& databases) {
  TAppInfo info = NamedInfo(name, TVersionInfo(name, bytes));
  if (bytes.size() < kSmallestAnalysedFile) return Failure(AnalysisStatus::kTooSmall, "File too small");
  std::span<const std::uint8_t> unread = bytes;
  const ReadBytes read = [&](std::uint8_t* into, std::size_t count) {
    count = std::min(count, unread.size());
    std::copy_n(unread.begin(), count, into);
    unread = unread.subspan(count);
    return count;
  };
  TakeWinners(ScanFile(read, bytes.size(), databases), info);
  MemorySource source(bytes);
  info.toolchain = ReadToolchainEvidence(SourceView(source));
  return {AnalysisStatus::kOk, {}, std::move(info)};
}

}  // namespace vantric
