#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>

#include "cli/file_walk.h"

namespace vantric::cli {

// The paths of a list file (--files-from), one a line or each ended by a NUL
// (-0, for names that hold line breaks), read a piece at a time: a list of
// millions of names costs no more memory than its longest name. Empty names
// are passed over; in lines, a CR before the LF is dropped (lists written on
// Windows). A name longer than any file system allows becomes a "skipped"
// entry, and so does a line with a NUL byte in it: the system would read the
// name only up to the NUL, and so open some other file. A read that fails ends the list; Error() then says why.
class PathList {
 public:
  // Reads up to `count` bytes into `buffer`; 0 at the end. Throws on failure.
  using Reader = std::function<std::size_t(char* buffer, std::size_t count)>;

  PathList(std::string name, Reader read, bool nulSeparated);

  std::optional<WalkEntry> Next();
  const std::optional<std::string>& Error() const { return error_; }

  static constexpr std::size_t kLongestName = 64 * 1024;

 private:
  bool Fill();
  // The entry for the name at start_, which is longer than kLongestName.
  WalkEntry TooLong() const;
  // The entry for one name as the list holds it; none for an empty one.
  std::optional<WalkEntry> Entry(std::string name) const;

  std::string name_;
  Reader read_;
  char separator_;
  std::string buffer_;
  std::size_t start_ = 0;  // of the unread part of buffer_
  bool ended_ = false;
  std::optional<std::string> error_;
};

}  // namespace vantric::cli
