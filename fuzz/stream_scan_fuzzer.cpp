// A database and a file from the input, scanned a window at a time: the
// answer must be that of the index on the whole file.
//
// Layout: byte 0 sets how many whole records the database takes, byte 1 the
// window size (1 to 256); the rest is the database, then the file.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <string_view>

#include "sigdb/database.h"
#include "sigdb/file_scan.h"
#include "sigdb/signature_database.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::size_t wanted = (data[0] % 8) * vantric::kRecordSize;
  const std::size_t window = std::size_t{data[1]} + 1;
  const std::size_t databaseSize = std::min(wanted, size - 2);
  const std::string_view image(reinterpret_cast<const char*>(data + 2), databaseSize);
  const std::span<const std::uint8_t> file(data + 2 + databaseSize, size - 2 - databaseSize);

  const vantric::TLangDefinitionArray records = vantric::ParseDatabaseImage(image);
  const auto count = static_cast<int>(records.size());
  const vantric::SignatureDatabase compressions(records, count, vantric::DatabaseKind::kCompression);
  const vantric::SignatureDatabase compilers(records, count, vantric::DatabaseKind::kCompiler);
  const vantric::ScanPair pair(compressions, compilers);
  std::size_t offset = 0;
  const vantric::ReadBytes read = [&](std::uint8_t* into, std::size_t wantedBytes) {
    if (offset + wantedBytes > file.size()) std::abort();  // asked past the size
    std::memcpy(into, file.data() + offset, wantedBytes);
    offset += wantedBytes;
    return wantedBytes;
  };
  const vantric::ScanWinners streamed = vantric::ScanFile(read, file.size(), pair, {}, window);
  if (streamed.compression != compressions.Match(file) || streamed.compiler != compilers.Match(file))
    std::abort();
  return 0;
}
