#include "sigdb/file_scan.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/io_error.h"

namespace vantric {

ScanPair::ScanPair(const SignatureDatabase& compressions, const SignatureDatabase& compilers)
    : compressions_(&compressions),
      compilers_(&compilers),
      filter_(std::max({10u, compressions.Index().Candidates().HashBits(),
                        compilers.Index().Candidates().HashBits()}),
              std::max({6u, compressions.Index().Candidates().WordBits(),
                        compilers.Index().Candidates().WordBits()}),
              // Every other window only where both file each pattern under two.
              compressions.Index().Candidates().EveryOther() && compilers.Index().Candidates().EveryOther()) {
  compressions.Index().AddTo(filter_);
  compilers.Index().AddTo(filter_);
}

ScanWinners ScanFile(const ReadBytes& read, std::uint64_t size, const ScanPair& databases,
                     const ScanProgress& progress, std::size_t window) {
  constexpr std::size_t kContext = SignatureIndex::kContext;
  window = std::max<std::size_t>(window, 1);
  SignatureIndex::Search searches[] = {databases.Compressions().StartSearch(size),
                                       databases.Compilers().StartSearch(size)};
  SignatureIndex::Search* const both[] = {&searches[0], &searches[1]};
  // How far the file must still be scanned for a search to be complete.
  auto wanted = [&] {
    std::uint64_t end = 0;
    for (const SignatureIndex::Search& search : searches) {
      if (!search.Finished()) end = std::max(end, search.End());
    }
    return end;
  };

  // The window's positions, with the context the searches need on each side
  // of them: [base, base + filled) of the file. One buffer a thread, kept
  // from file to file: where malloc hands large blocks straight back to the
  // system (as Dask's workers have it set), a new one for each file costs a
  // mapping and its page faults, and small files took two to three times as
  // long.
  thread_local std::vector<std::uint8_t> buffer;
  const auto needed = static_cast<std::size_t>(std::min<std::uint64_t>(size, kContext + window + kContext));
  if (buffer.size() < needed) buffer.resize(needed);
  std::uint64_t base = 0;
  std::size_t filled = 0;
  for (std::uint64_t scanned = 0; scanned < wanted();) {
    const std::uint64_t to = std::min(size, scanned + window);
    const auto readTo = static_cast<std::size_t>(std::min(size, to + kContext) - base);
    while (filled < readTo) {
      const std::size_t got = read(buffer.data() + filled, readTo - filled);
      if (got == 0) throw IoError(kErrorReadBeyondEnd);  // the file got shorter
      filled += got;
    }
    const std::span<const std::uint8_t> bytes(buffer.data(), filled);
    SignatureIndex::ScanTogether(databases.Filter(), both, bytes, base, scanned, to);
    scanned = to;
    if (progress) progress(scanned, size);
    // Keep the context before the next positions and what was read past them.
    const std::uint64_t keepFrom = scanned > kContext ? scanned - kContext : 0;
    const auto drop = static_cast<std::size_t>(keepFrom - base);
    std::memmove(buffer.data(), buffer.data() + drop, filled - drop);
    filled -= drop;
    base = keepFrom;
  }
  if (progress) progress(size, size);
  return {databases.Compressions().Winner(searches[0]), databases.Compilers().Winner(searches[1])};
}

}  // namespace vantric
