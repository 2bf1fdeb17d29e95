#include "platform/file_system.h"

#include <new>

#include "platform/io_error.h"

namespace vantric {

std::string ProgramDirectory() {
  const std::string path = RunningProgramPath();
  return path.substr(0, path.find_last_of(PathSeparators()) + 1);
}

std::string ReadWholeFile(ReadOnlyFile& file, std::uint64_t size) {
  std::string bytes;
  // Checked before the size is cut to size_t, which is 32 bits wide in a 32-bit build.
  if (size > bytes.max_size()) throw std::bad_alloc();
  bytes.resize(static_cast<std::size_t>(size));
  if (file.ReadAt(0, bytes.data(), bytes.size()) != bytes.size()) throw IoError(kErrorReadBeyondEnd);
  char beyond = 0;
  if (file.ReadAt(size, &beyond, 1) != 0) throw IoError(kErrorFileChanged);
  return bytes;
}

}  // namespace vantric
