#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "sigdb/signature_database.h"

namespace vantric {

// Reads up to `count` bytes of the file into `into`, going on from where the
// last call ended; fewer only at the end of the file. Throws IoError.
using ReadBytes = std::function<std::size_t(std::uint8_t* into, std::size_t count)>;
// How far a scan has come: `done` of `total` bytes.
using ScanProgress = std::function<void(std::uint64_t done, std::uint64_t total)>;

// Bytes scanned per window: small enough that both passes find the window in
// the processor's cache, large enough that reading costs few calls.
inline constexpr std::size_t kScanWindow = std::size_t{256} << 10;

// The two databases a file is scanned with, and the first stage they share,
// so that one pass over a file's bytes serves both. Built once for any
// number of files; the databases must outlive it.
class ScanPair {
 public:
  ScanPair(const SignatureDatabase& compressions, const SignatureDatabase& compilers);

  const SignatureDatabase& Compressions() const { return *compressions_; }
  const SignatureDatabase& Compilers() const { return *compilers_; }
  const CandidateFilter& Filter() const { return filter_; }

 private:
  const SignatureDatabase* compressions_;
  const SignatureDatabase* compilers_;
  CandidateFilter filter_;
};

struct ScanWinners {
  const TLangDefinition* compression = nullptr;  // nullptr when no record matched
  const TLangDefinition* compiler = nullptr;
};

// Both passes over a file of `size` bytes read from its start a window at a
// time, with the winners the passes would find on the whole file in memory.
// Reading stops once neither pass can learn anything more. Memory stays at
// one window whatever the size. A file that ends before `size` bytes throws
// IoError (read beyond end of file); bytes past `size` are never read.
ScanWinners ScanFile(const ReadBytes& read, std::uint64_t size, const ScanPair& databases,
                     const ScanProgress& progress = {}, std::size_t window = kScanWindow);

}  // namespace vantric
