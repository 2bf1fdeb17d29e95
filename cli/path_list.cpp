#include "cli/path_list.h"

#include <exception>
#include <utility>

namespace vantric::cli {
namespace {

constexpr std::size_t kPiece = 64 * 1024;

}  // namespace

PathList::PathList(std::string name, Reader read, bool nulSeparated)
    : name_(std::move(name)), read_(std::move(read)), separator_(nulSeparated ? '\0' : '\n') {}

WalkEntry PathList::TooLong() const {
  return {buffer_.substr(start_, 64) + "...", "skipped",
          "a name in the list longer than any file system allows"};
}

std::optional<WalkEntry> PathList::Entry(std::string name) const {
  if (separator_ == '\n' && !name.empty() && name.back() == '\r') name.pop_back();
  if (name.empty()) return std::nullopt;
  if (name.find('\0') != std::string::npos) return WalkEntry{std::move(name), "skipped", "a NUL byte in the name"};
  return WalkEntry{std::move(name), {}, {}};
}

// Appends the next piece of the list; false at its end or on a failure.
bool PathList::Fill() {
  if (ended_) return false;
  buffer_.erase(0, start_);
  start_ = 0;
  const std::size_t had = buffer_.size();
  buffer_.resize(had + kPiece);
  std::size_t got = 0;
  try {
    got = read_(buffer_.data() + had, kPiece);
  } catch (const std::exception& failure) {
    error_ = name_ + ": " + failure.what();
  }
  buffer_.resize(had + got);
  ended_ = got == 0;
  return got > 0;
}

std::optional<WalkEntry> PathList::Next() {
  for (;;) {
    const std::size_t end = buffer_.find(separator_, start_);
    if (end == std::string::npos) {
      if (buffer_.size() - start_ > kLongestName) {
        // Too long for a name: skipped, and the rest of it with it.
        WalkEntry skipped = TooLong();
        std::size_t found = std::string::npos;
        do {
          start_ = buffer_.size();
          if (!Fill()) break;
          found = buffer_.find(separator_, start_);
        } while (found == std::string::npos);
        if (found != std::string::npos) start_ = found + 1;
        return skipped;
      }
      if (Fill()) continue;
      if (start_ == buffer_.size()) return std::nullopt;
      // The last name, without its separator.
      std::string last = buffer_.substr(start_);
      start_ = buffer_.size();
      return Entry(std::move(last));
    }
    if (end - start_ > kLongestName) {
      WalkEntry skipped = TooLong();
      start_ = end + 1;
      return skipped;
    }
    std::optional<WalkEntry> entry = Entry(buffer_.substr(start_, end - start_));
    start_ = end + 1;
    if (entry) return entry;
  }
}

}  // namespace vantric::cli
