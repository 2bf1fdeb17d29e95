#include "sigdb/window_tries.h"

#include <tuple>
#include <utility>

namespace vantric {

struct WindowTries::Item {
  std::string forward;   // the pattern from its window on
  std::string backward;  // what precedes the window, last byte first
  std::uint32_t entry;
  std::uint32_t lowest;
};

std::uint32_t WindowTries::Add(std::vector<Key> keys) {
  if (keys.size() == 1) return AddOne(keys.front());
  std::vector<Item> items;
  items.reserve(keys.size());
  for (const Key& key : keys) {
    std::string before(key.pattern.substr(0, key.window));
    items.push_back({std::string(key.pattern.substr(key.window)), std::string(before.rbegin(), before.rend()),
                     key.entry, key.lowest});
  }
  // std::string orders bytes as unsigned, as the children are searched.
  std::sort(items.begin(), items.end(), [](const Item& a, const Item& b) {
    return std::tie(a.forward, a.backward) < std::tie(b.forward, b.backward);
  });
  const auto root = static_cast<std::uint32_t>(nodes_.size());
  nodes_.emplace_back();
  firstByte_.push_back(0);
  if (!items.empty()) Build(root, items, 0, items.size(), 0, true);
  return root;
}

// Most windows are one pattern's: its trees are a forward node over the part
// from the window on and, under it, a backward node over what precedes.
std::uint32_t WindowTries::AddOne(const Key& key) {
  const auto root = static_cast<std::uint32_t>(nodes_.size());
  Node forward;
  forward.labelBegin = static_cast<std::uint32_t>(bytes_.size());
  forward.labelLength = static_cast<std::uint32_t>(key.pattern.size() - key.window);
  forward.backward = root + 1;
  forward.lowest = key.lowest;
  Node backward;
  backward.labelBegin = forward.labelBegin + forward.labelLength;
  backward.labelLength = key.window;
  backward.endingBegin = static_cast<std::uint32_t>(endings_.size());
  backward.endingCount = 1;
  backward.lowest = key.lowest;
  nodes_.push_back(forward);
  nodes_.push_back(backward);
  firstByte_.insert(firstByte_.end(), 2, 0);
  bytes_.append(key.pattern.substr(key.window));
  bytes_.append(key.pattern.substr(0, key.window));  // as it lies before the window
  endings_.push_back(key.entry);
  return root;
}

// Fills `node` with the tree over items[begin, end), sorted by the text the
// tree reads, all sharing its first `depth` bytes.
void WindowTries::Build(std::uint32_t node, std::vector<Item>& items, std::size_t begin, std::size_t end,
                        std::size_t depth, bool forward) {
  auto text = [&](std::size_t i) -> const std::string& {
    return forward ? items[i].forward : items[i].backward;
  };
  const std::string& first = text(begin);
  const std::string& last = text(end - 1);
  std::size_t common = depth;
  while (common < first.size() && common < last.size() && first[common] == last[common]) ++common;
  nodes_[node].labelBegin = static_cast<std::uint32_t>(bytes_.size());
  nodes_[node].labelLength = static_cast<std::uint32_t>(common - depth);
  // A backward label is compared with the bytes before a place: stored as they lie there.
  if (forward) {
    bytes_.append(first, depth, common - depth);
  } else {
    bytes_.append(first.rbegin() + static_cast<std::ptrdiff_t>(first.size() - common),
                  first.rbegin() + static_cast<std::ptrdiff_t>(first.size() - depth));
  }

  // Sorted, the texts that end here come first.
  std::size_t rest = begin;
  while (rest < end && text(rest).size() == common) ++rest;
  std::uint32_t lowest = kNone;
  if (rest > begin && forward) {
    // They share their whole forward part; what precedes it tells them apart.
    const auto back = static_cast<std::uint32_t>(nodes_.size());
    nodes_.emplace_back();
    firstByte_.push_back(0);
    Build(back, items, begin, rest, 0, false);
    nodes_[node].backward = back;
    lowest = nodes_[back].lowest;
  } else if (rest > begin) {
    // Equal keys all start here (a pattern and a stand-in for another).
    nodes_[node].endingBegin = static_cast<std::uint32_t>(endings_.size());
    nodes_[node].endingCount = static_cast<std::uint32_t>(rest - begin);
    for (std::size_t i = begin; i < rest; ++i) {
      endings_.push_back(items[i].entry);
      lowest = std::min(lowest, items[i].lowest);
    }
  }

  std::vector<std::pair<std::size_t, std::size_t>> runs;  // of one next byte
  for (std::size_t i = rest; i < end;) {
    std::size_t j = i + 1;
    while (j < end && text(j)[common] == text(i)[common]) ++j;
    runs.emplace_back(i, j);
    i = j;
  }
  const auto firstChild = static_cast<std::uint32_t>(nodes_.size());
  nodes_[node].firstChild = firstChild;
  nodes_[node].childCount = static_cast<std::uint32_t>(runs.size());
  nodes_.resize(nodes_.size() + runs.size());
  for (const auto& [from, to] : runs) firstByte_.push_back(static_cast<std::uint8_t>(text(from)[common]));
  for (std::size_t k = 0; k < runs.size(); ++k) {
    const auto child = firstChild + static_cast<std::uint32_t>(k);
    Build(child, items, runs[k].first, runs[k].second, common, forward);
    lowest = std::min(lowest, nodes_[child].lowest);
  }
  nodes_[node].lowest = lowest;
}

void WindowTries::Reserve(std::size_t trees, std::size_t keys, std::size_t patternBytes) {
  // A radix tree over n texts has at most 2n nodes; a key is in one forward
  // tree and one backward tree, and each tree has its root.
  const std::size_t nodes = nodes_.size() + 2 * trees + 4 * keys;
  nodes_.reserve(nodes);
  firstByte_.reserve(nodes);
  bytes_.reserve(bytes_.size() + patternBytes);
  endings_.reserve(endings_.size() + keys);
}

std::size_t WindowTries::MemoryUsage() const {
  return nodes_.capacity() * sizeof(Node) + firstByte_.capacity() + bytes_.capacity() +
         endings_.capacity() * sizeof(std::uint32_t);
}

}  // namespace vantric
