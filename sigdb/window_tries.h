#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace vantric {

// The patterns that share one 4-byte window, wherever the window lies in
// each, as radix trees read outward from it: a forward tree over each
// pattern's part from the window on, and under each distinct forward part a
// backward tree over what precedes the window, read from the window back.
// One walk from a place where the window occurs finds every pattern that
// occurs there, whatever its offset, in at most one step per byte of the
// forward parts plus one per byte of each backward part it reaches.
class WindowTries {
 public:
  static constexpr std::uint32_t kNone = 0xFFFFFFFFu;

  struct Key {
    std::string_view pattern;  // needed only while Add runs
    std::uint32_t window;      // where the window lies in it
    std::uint32_t entry;       // what a walk reports for it
    std::uint32_t lowest;      // a walk skips branches whose lowest is at or above its bound
  };
  // Adds the trees over `keys`, patterns whose bytes at `window` are all the
  // same 4 bytes; returns the forward tree's root. Equal keys are all found.
  std::uint32_t Add(std::vector<Key> keys);
  // Room for `keys` keys of `patternBytes` bytes in all, added in any number
  // of calls: the arrays then grow in place, and only the pages they fill
  // are ever touched.
  void Reserve(std::size_t trees, std::size_t keys, std::size_t patternBytes);

  // Walks the trees at `root` over text[0, size), the window lying at `at`:
  // found(entry, start) for each pattern that occurs there, start being
  // where it begins in the text. Branches whose lowest is at or above
  // bound() are skipped; `found` may lower the bound as it goes.
  template <typename Bound, typename Found>
  void Walk(std::uint32_t root, const std::uint8_t* text, std::size_t size, std::size_t at, Bound bound,
            Found found) const {
    std::size_t pos = at;
    for (std::uint32_t node = root; node != kNone;) {
      const Node& here = nodes_[node];
      if (here.lowest >= bound() || here.labelLength > size - pos || !SameBytes(text + pos, here)) {
        return;
      }
      pos += here.labelLength;
      if (here.backward != kNone) WalkBackward(here.backward, text, at, bound, found);
      node = pos < size ? Child(here, text[pos]) : kNone;
    }
  }

  std::size_t MemoryUsage() const;

 private:
  struct Node {
    std::uint32_t labelBegin = 0;  // in bytes_
    std::uint32_t labelLength = 0;
    std::uint32_t firstChild = 0;  // children are contiguous, sorted by their label's first byte
    std::uint32_t childCount = 0;
    std::uint32_t endingBegin = 0;   // backward trees: the patterns that start here,
    std::uint32_t endingCount = 0;   // endings_[endingBegin, endingBegin + endingCount)
    std::uint32_t backward = kNone;  // forward trees: the patterns whose forward part ends here
    std::uint32_t lowest = kNone;    // the lowest Key::lowest at or below this node
  };
  struct Item;

  // Labels are mostly a few bytes: a loop beats a call.
  bool SameBytes(const std::uint8_t* text, const Node& node) const {
    const auto* label = reinterpret_cast<const std::uint8_t*>(bytes_.data()) + node.labelBegin;
    if (node.labelLength > 16) return std::memcmp(text, label, node.labelLength) == 0;
    for (std::uint32_t i = 0; i < node.labelLength; ++i) {
      if (text[i] != label[i]) return false;
    }
    return true;
  }

  std::uint32_t Child(const Node& node, std::uint8_t byte) const {
    const std::uint8_t* first = firstByte_.data() + node.firstChild;
    const std::uint8_t* last = first + node.childCount;
    const std::uint8_t* found = std::lower_bound(first, last, byte);
    return found != last && *found == byte ? node.firstChild + static_cast<std::uint32_t>(found - first)
                                           : kNone;
  }

  template <typename Bound, typename Found>
  void WalkBackward(std::uint32_t node, const std::uint8_t* text, std::size_t at, Bound bound,
                    Found found) const {
    std::size_t pos = at;  // the bytes before it are still to read
    while (node != kNone) {
      const Node& here = nodes_[node];
      if (here.lowest >= bound() || here.labelLength > pos) return;
      pos -= here.labelLength;
      if (!SameBytes(text + pos, here)) return;
      for (std::uint32_t i = 0; i < here.endingCount; ++i) found(endings_[here.endingBegin + i], pos);
      node = pos > 0 ? Child(here, text[pos - 1]) : kNone;
    }
  }

  std::uint32_t AddOne(const Key& key);
  void Build(std::uint32_t node, std::vector<Item>& items, std::size_t begin, std::size_t end,
             std::size_t depth, bool forward);

  std::vector<Node> nodes_;
  std::vector<std::uint8_t> firstByte_;  // of each node's label
  std::vector<std::uint32_t> endings_;
  std::string bytes_;  // the labels, each in the order its bytes lie in the file
};

}  // namespace vantric
