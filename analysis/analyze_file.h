#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "analysis/app_info.h"
#include "sigdb/file_scan.h"

namespace vantric {

class SignatureDatabase;

enum class AnalysisStatus {
  kOk,
  kNotFound,    // no file at the path (a folder doesn't count)
  kOpenFailed,  // "Could not open file"
  kTooSmall,    // under 10 bytes: nothing worth matching
  kIoError,     // sizing or reading failed; `error` has the text
};

struct AnalysisResult {
  AnalysisStatus status = AnalysisStatus::kNotFound;
  std::string error;  // the message to show when status is not kOk
  TAppInfo info;      // filled only when status is kOk
};

// Lets a front end show what the analysis is doing. Any member may be empty.
struct AnalysisObserver {
  std::function<void(std::string_view)> status;  // "Loading...", "Scanning patterns..."
  // Before the scan, then as it goes: bytes scanned of the file's size.
  std::function<void()> compilerPassStarts;
  ScanProgress compilerPassProgress;
};

inline constexpr std::uint64_t kSmallestAnalysedFile = 10;

// The file name as shown: what follows the last separator of this system's
// paths ("\", "/" or ":" on Windows, "/" elsewhere, where "\" and ":" may
// stand in a name).
std::string NamePart(std::string_view path);

// Why a path named by a user can't be analysed, found before the analysis
// tries, when the answer is better than its "File not found": a folder (said
// as `folderText`), a link loop, a name too long, a folder on the way that
// can't be entered.
std::optional<AnalysisResult> PathProblem(const std::string& path, std::string_view folderText = "is a folder");

// Reads the file's version strings, then matches it against the compression
// database and the compiler database. The eleven strings other than the file
// name start as "-"; a pass that finds nothing leaves its strings so. Version
// strings come from the version resource when it has one (a missing value is
// empty text there). Files of any size are read a window at a time. Last,
// the file's toolchain evidence is read (a bounded number of bytes), beside
// the fields: they stay the databases' answer. Never throws for anything the
// file does.
AnalysisResult AnalyzeFile(const std::string& path, const ScanPair& databases,
                           const AnalysisObserver& observer = {});

// The same for a file's bytes already in memory (a sample taken out of an
// archive), `name` standing for its path; version strings are read by our own
// reader on every platform.
AnalysisResult AnalyzeBytes(std::span<const std::uint8_t> bytes, const std::string& name,
                            const ScanPair& databases);

}  // namespace vantric
