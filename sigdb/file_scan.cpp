#include "sigdb/file_scan.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/io_error.h"

namespace vantric {

ScanWinners ScanFile(const ReadBytes& read, std::uint64_t size, const SignatureDatabase& compressions,
                     const SignatureDatabase& compilers, const ScanProgress& progress, std::size_t window) {
  constexpr std::size_t kContext = SignatureIndex::kContext;
  window = std::max<std::size_t>(window, 1);
  SignatureIndex::Search searches[] = {compressions.StartSearch(size), compilers.StartSearch(size)};
  // How far the file must still be scanned for a search to be complete.
  auto wanted = [&] {
    std::uint64_t end = 0;
    for (const SignatureIndex::Search& search : searches) {
      if (!search.Finished()) end = std::max(end, search.End());
    }
    return end;
  };

  // The window's positions, with the context the searches need on each side
  // of them: [base, base + filled) of the file.
  std::vector<std::uint8_t> buffer(kContext + window + kContext);
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
    for (SignatureIndex::Search& search : searches) search.Scan(bytes, base, scanned, to);
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
  return {compressions.Winner(searches[0]), compilers.Winner(searches[1])};
}

}  // namespace vantric
