#include "verinfo/version_block.h"

#include <algorithm>

namespace vantric {
namespace {

constexpr std::uint64_t kNodeHeaderSize = 6;
constexpr std::uint64_t kFixedInfoSize = 52;
// Children of one node. A node is at most 64 KiB and every child takes at
// least 8 bytes, so this is only a backstop.
constexpr int kMaxChildren = 8192;

constexpr std::uint64_t Align4(std::uint64_t value) { return (value + 3) & ~std::uint64_t{3}; }

// Case folding for key comparison: ASCII and Latin-1, which is what keys use.
char16_t Fold(char16_t unit) {
  if ((unit >= u'A' && unit <= u'Z') || (unit >= 0xC0 && unit <= 0xDE && unit != 0xD7)) return unit + 0x20;
  return unit;
}

}  // namespace

struct VersionBlock::Node {
  std::uint64_t offset;  // of the node in the block
  std::uint64_t end;     // offset + length, within the parent
  std::uint16_t valueLength;
  std::uint16_t type;
  std::uint64_t keyChars;  // without the NUL
  bool keyTerminated;      // false: the key runs to the end of the node
  std::uint64_t value;     // offset of the value
};

std::u16string TranslationKey(std::uint32_t translation) {
  static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
  // Language first, then code page, each as four digits.
  const std::uint32_t swapped = translation << 16 | translation >> 16;
  std::u16string key(8, u'0');
  for (std::size_t i = 0; i < 8; ++i) key[i] = kDigits[(swapped >> (28 - 4 * i)) & 0xF];
  return key;
}

VersionBlock::VersionBlock(ByteView block) : block_(block) {}

std::optional<VersionBlock::Node> VersionBlock::Parse(std::uint64_t offset, std::uint64_t limit,
                                                      bool clamp) const {
  auto length = block_.U16(offset);
  auto valueLength = block_.U16(offset + 2);
  auto type = block_.U16(offset + 4);
  if (!length || !valueLength || !type) return std::nullopt;
  // A node shorter than its own header would never let a walk advance.
  if (*length < kNodeHeaderSize || offset > limit) return std::nullopt;
  std::uint64_t end = offset + *length;
  if (end > limit) {
    if (!clamp) return std::nullopt;
    end = limit;
  }
  Node node{offset, end, *valueLength, *type, 0, false, 0};
  std::uint64_t at = offset + kNodeHeaderSize;
  while (at + 2 <= node.end) {
    if (block_.U16(at) == 0) {
      node.keyTerminated = true;
      break;
    }
    ++node.keyChars;
    at += 2;
  }
  node.value = offset + Align4(kNodeHeaderSize + (node.keyChars + 1) * 2);
  return node;
}

std::u16string VersionBlock::Key(const Node& node) const {
  std::u16string key;
  for (std::uint64_t i = 0; i < node.keyChars; ++i) {
    key += static_cast<char16_t>(block_.U16(node.offset + kNodeHeaderSize + 2 * i).value_or(0));
  }
  return key;
}

std::optional<VersionBlock::Node> VersionBlock::FindChild(const Node& parent, std::u16string_view key) const {
  // Text values count their length in characters, binary ones in bytes.
  const std::uint64_t valueBytes = std::uint64_t{parent.valueLength} * (parent.type != 0 ? 2 : 1);
  std::uint64_t child = parent.offset + Align4(parent.value - parent.offset + valueBytes);
  for (int count = 0; count < kMaxChildren && child < parent.end; ++count) {
    auto node = Parse(child, parent.end, false);
    if (!node) return std::nullopt;
    // An empty key stands for "the first child with a key of its own".
    if (key.empty() && node->keyTerminated && node->keyChars > 0) return node;
    if (node->keyTerminated && node->keyChars == key.size()) {
      bool same = true;
      for (std::size_t i = 0; i < key.size() && same; ++i) {
        auto unit = block_.U16(node->offset + kNodeHeaderSize + 2 * i);
        same = unit && Fold(static_cast<char16_t>(*unit)) == Fold(key[i]);
      }
      if (same) return node;
    }
    child += Align4(node->end - node->offset);
  }
  return std::nullopt;
}

std::optional<VersionBlock::Node> VersionBlock::Find(std::u16string_view path) const {
  // The root may claim more than the resource holds; it ends where the data
  // does. A child running past its parent, though, is broken.
  auto node = Parse(0, block_.Size(), true);
  if (!node) return std::nullopt;
  std::size_t start = 0;
  while (start < path.size()) {
    std::size_t stop = path.find(u'\\', start);
    if (stop == std::u16string_view::npos) stop = path.size();
    if (stop > start) {
      node = FindChild(*node, path.substr(start, stop - start));
      if (!node) return std::nullopt;
    }
    start = stop + 1;
  }
  return node;
}

std::optional<ByteView> VersionBlock::Value(std::u16string_view path) const {
  auto node = Find(path);
  if (!node) return std::nullopt;
  if (node->value >= node->end) return ByteView();
  const std::uint64_t valueBytes = std::uint64_t{node->valueLength} * (node->type != 0 ? 2 : 1);
  return block_.Sub(node->value, std::min(valueBytes, node->end - node->value));
}

std::optional<std::u16string> VersionBlock::Text(std::u16string_view path) const {
  auto node = Find(path);
  if (!node) return std::nullopt;
  std::u16string text;
  for (std::uint64_t at = node->value; at + 2 <= node->end; at += 2) {
    auto unit = block_.U16(at);
    if (!unit || *unit == 0) break;
    text += static_cast<char16_t>(*unit);
  }
  return text;
}

std::optional<std::uint32_t> VersionBlock::FirstTranslation() const {
  auto value = Value(u"\\VarFileInfo\\Translation");
  if (!value) return std::nullopt;
  return value->U32(0);
}

bool VersionBlock::HasRoot() const { return Parse(0, block_.Size(), true).has_value(); }

std::optional<std::u16string> VersionBlock::StringTable() const {
  auto strings = Find(u"\\StringFileInfo");
  if (!strings) return std::nullopt;
  if (auto translation = FirstTranslation()) {
    std::u16string key = TranslationKey(*translation);
    if (FindChild(*strings, key)) return key;
  }
  auto first = FindChild(*strings, u"");
  if (!first) return std::nullopt;
  return Key(*first);
}

std::optional<FileVersionWords> VersionBlock::FixedFileVersion() const {
  auto value = Value(u"\\");
  if (!value || value->Size() < kFixedInfoSize) return std::nullopt;
  auto mostSignificant = value->U32(8);
  auto leastSignificant = value->U32(12);
  if (!mostSignificant || !leastSignificant) return std::nullopt;
  return FileVersionWords{*mostSignificant, *leastSignificant};
}

}  // namespace vantric
