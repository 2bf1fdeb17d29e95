// Raw VS_VERSIONINFO bytes: the block queries, on fixed paths and on a path
// taken from the input's own bytes.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "verinfo/version_block.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The first byte picks how much of the tail to use as an extra query path.
  std::size_t pathLength = size > 0 ? data[0] % 64 : 0;
  if (pathLength > size - (size > 0 ? 1 : 0)) pathLength = 0;
  const std::size_t blockStart = size > 0 ? 1 : 0;
  const std::size_t blockSize = size - blockStart - pathLength;
  vantric::VersionBlock block(vantric::ByteView(std::span(data + blockStart, blockSize)));

  (void)block.FirstTranslation();
  (void)block.FixedFileVersion();
  for (const char16_t* path :
       {u"\\", u"\\VarFileInfo\\Translation", u"\\StringFileInfo\\040904E4\\CompanyName",
        u"StringFileInfo\\\\040904b0\\\\FileVersion\\", u"\\\\\\"}) {
    (void)block.Value(path);
    (void)block.Text(path);
  }
  std::u16string path;
  for (std::size_t i = 0; i < pathLength; ++i)
    path += static_cast<char16_t>(data[blockStart + blockSize + i]);
  (void)block.Text(path);
  return 0;
}
