#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace vantric {

// New contents for a file, written beside it and swapped in whole, so that a
// failure never leaves half a file. The temporary file gets a fresh name and
// is created exclusively: a file or link already at that name (someone
// else's) is never opened, followed or removed. Only the file this object
// created is ever removed. A file replaced keeps its permissions (POSIX) or
// its attributes (Windows). A program ended while the temporary file is open
// leaves none behind: on POSIX, SIGINT, SIGTERM, SIGHUP or SIGQUIT remove it
// first; on Windows it is marked for deletion until the rename, so the
// system removes it however the program ends. Every failure throws IoError.
class ReplacementFile {
 public:
  explicit ReplacementFile(const std::string& target);
  ~ReplacementFile();  // removes the temporary file unless it was committed
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;

  void Write(std::string_view bytes);
  // Closes the temporary file, checking that every byte reached it, and
  // renames it over the target.
  void Commit();

 private:
  struct Handle;
  std::unique_ptr<Handle> handle_;
};

}  // namespace vantric
