#include "evidence/stated_text.h"

#include <algorithm>

namespace vantric {
namespace {

// glibc's memchr finds a needle's first byte fastest, unless that byte is a
// NUL or a space, common in binaries: then the needle is looked for from its
// first other byte, and what comes before it checked after.
class NeedleSearch {
 public:
  explicit NeedleSearch(std::string_view needle)
      : needle_(needle), lead_(std::min(needle.find_first_not_of(std::string_view("\0 ", 2)), needle.size() - 1)) {}

  // The first occurrence in `text` at or after `from`, or npos.
  std::size_t Find(std::string_view text, std::size_t from) const {
    const std::string_view anchor = needle_.substr(lead_);
    for (std::size_t at = text.find(anchor, from + lead_); at != std::string_view::npos;
         at = text.find(anchor, at + 1)) {
      if (text.substr(at - lead_, lead_) == needle_.substr(0, lead_)) return at - lead_;
    }
    return std::string_view::npos;
  }

 private:
  std::string_view needle_;
  std::size_t lead_;  // NULs and spaces before the anchor
};

}  // namespace

void ForEachStatedText(const EvidenceBytes& bytes, std::string_view needle, std::size_t follow,
                       const std::function<bool(std::string_view after)>& found, std::size_t limit) {
  const NeedleSearch search(needle);
  std::size_t seen = 0;
  for (const EvidenceRegion& region : bytes.regions) {
    const std::string_view text = region.Text();
    for (std::size_t at = search.Find(text, 0); at != std::string_view::npos;
         at = search.Find(text, at + needle.size())) {
      if (seen++ == limit) return;
      if (!found(text.substr(at + needle.size(), follow))) return;
    }
  }
}

bool StatesText(const EvidenceBytes& bytes, std::string_view needle) {
  bool stated = false;
  ForEachStatedText(bytes, needle, 0, [&](std::string_view) { return !(stated = true); });
  return stated;
}

std::string_view PrintablePrefix(std::string_view text, std::string_view stop, std::size_t limit) {
  std::size_t length = 0;
  while (length < text.size() && length < limit) {
    const char c = text[length];
    if (c < 0x20 || c > 0x7E || stop.find(c) != std::string_view::npos) break;
    ++length;
  }
  return text.substr(0, length);
}

}  // namespace vantric
