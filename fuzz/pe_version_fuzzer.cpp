// Whole files: the PE resource lookup, then every query on what it found.

#include <cstddef>
#include <cstdint>
#include <span>

#include "verinfo/version_source.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto source = vantric::PortableSourceFromImage(std::span(data, size));
  if (!source->Valid()) return 0;
  auto translation = source->FirstTranslation();
  (void)source->FixedFileVersion();
  char table[9] = "040904E4";
  if (translation) {
    static const char kHex[] = "0123456789ABCDEF";
    const std::uint32_t swapped = (*translation & 0xFFFF) << 16 | *translation >> 16;
    for (int i = 0; i < 8; ++i) table[i] = kHex[swapped >> (28 - 4 * i) & 0xF];
  }
  for (const char* key : {"Comments", "CompanyName", "FileVersion", "ProductName"}) {
    (void)source->Text(std::string("\\StringFileInfo\\") + table + "\\" + key);
  }
  return 0;
}
