#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "verinfo/byte_view.h"

namespace vantric {

// The file-version words of a block's fixed part (VS_FIXEDFILEINFO).
struct FileVersionWords {
  std::uint32_t mostSignificant = 0;
  std::uint32_t leastSignificant = 0;
};

// "040904E4": a translation entry (language in the low half, code page in the
// high half) as the key of its string table.
std::u16string TranslationKey(std::uint32_t translation);

// Queries on a raw VS_VERSIONINFO block, answered the way VerQueryValue
// answers them: the path is split on backslashes, empty components are
// skipped, and each component names a child of the current node by its key,
// compared in full and without regard to case. Nodes are laid out as
//   length, value length, type (16 bits each), key (UTF-16, NUL-terminated),
//   padding to 4 bytes, value, padding to 4 bytes, children,
// with every alignment counted from the start of the node itself.
class VersionBlock {
 public:
  explicit VersionBlock(ByteView block);

  // The value bytes of the node at `path` ("\\" is the root), cut to what the
  // node holds; empty when a component isn't found.
  std::optional<ByteView> Value(std::u16string_view path) const;

  // The text value of the node at `path`: the UTF-16 units up to the first NUL
  // inside the node. The value-length field is ignored on purpose: some tools
  // write it in characters, others in bytes.
  std::optional<std::u16string> Text(std::u16string_view path) const;

  // The first entry of \VarFileInfo\Translation: language in the low half,
  // code page in the high half.
  std::optional<std::uint32_t> FirstTranslation() const;

  // The file version of the fixed part; empty when the root has no full
  // VS_FIXEDFILEINFO.
  std::optional<FileVersionWords> FixedFileVersion() const;

  // False when the data can't hold the root node (no data, or a root length
  // of 0 or shorter than a node's header): then there is no version resource.
  bool HasRoot() const;

  // The key of the string table the strings are read from: the first
  // translation's, when the block has that table, else the first table under
  // \StringFileInfo whatever its key (some linkers write tables that no
  // translation names, or no translation at all). Empty without any table.
  std::optional<std::u16string> StringTable() const;

 private:
  struct Node;
  std::optional<Node> Find(std::u16string_view path) const;
  std::optional<Node> Parse(std::uint64_t offset, std::uint64_t limit, bool clamp) const;
  std::optional<Node> FindChild(const Node& parent, std::u16string_view key) const;
  std::u16string Key(const Node& node) const;

  ByteView block_;
};

}  // namespace vantric
