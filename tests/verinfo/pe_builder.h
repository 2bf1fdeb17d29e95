#pragma once

// Builds PE files and VS_VERSIONINFO blocks byte by byte for the tests, with
// the file offsets of every structure recorded so that a test can break one.

#include <algorithm>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantric::testing {

inline void Put16(std::string& bytes, std::size_t offset, std::uint32_t value) {
  if (bytes.size() < offset + 2) bytes.resize(offset + 2);
  bytes[offset] = static_cast<char>(value & 0xFF);
  bytes[offset + 1] = static_cast<char>(value >> 8 & 0xFF);
}

inline void Put32(std::string& bytes, std::size_t offset, std::uint32_t value) {
  Put16(bytes, offset, value & 0xFFFF);
  Put16(bytes, offset + 2, value >> 16);
}

inline std::string Utf16Bytes(std::u16string_view text) {
  std::string bytes;
  for (char16_t unit : text) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

inline void PadTo4(std::string& bytes) { bytes.resize((bytes.size() + 3) & ~std::size_t{3}, '\0'); }

// One node of a version block. Length and value length are computed unless
// overridden; a text node's value length counts characters with the NUL.
struct VersionNode {
  std::u16string key;
  std::uint16_t type = 1;
  std::string value;
  std::optional<std::uint16_t> valueLength;
  std::optional<std::uint16_t> length;
  std::vector<VersionNode> children;

  std::string Serialize() const {
    std::string bytes(6, '\0');
    bytes += Utf16Bytes(key) + std::string(2, '\0');
    PadTo4(bytes);
    bytes += value;
    for (const VersionNode& child : children) {
      PadTo4(bytes);
      bytes += child.Serialize();
    }
    std::uint16_t ownValueLength =
        type == 1 ? static_cast<std::uint16_t>(value.size() / 2) : static_cast<std::uint16_t>(value.size());
    Put16(bytes, 0, length.value_or(static_cast<std::uint16_t>(bytes.size())));
    Put16(bytes, 2, valueLength.value_or(ownValueLength));
    Put16(bytes, 4, type);
    return bytes;
  }
};

inline VersionNode Text(std::u16string key, std::u16string_view value) {
  return VersionNode{std::move(key), 1, Utf16Bytes(value) + std::string(2, '\0'), {}, {}, {}};
}

inline VersionNode Block(std::u16string key, std::vector<VersionNode> children) {
  return VersionNode{std::move(key), 1, {}, {}, {}, std::move(children)};
}

inline VersionNode Translations(std::vector<std::uint32_t> entries) {
  std::string value;
  for (std::uint32_t entry : entries) {
    std::size_t at = value.size();
    Put32(value, at, entry);
  }
  VersionNode var{u"Translation", 0, value, {}, {}, {}};
  return Block(u"VarFileInfo", {var});
}

// VS_FIXEDFILEINFO with the given file version.
inline std::string FixedInfo(std::uint16_t a, std::uint16_t b, std::uint16_t c, std::uint16_t d) {
  std::string info(52, '\0');
  Put32(info, 0, 0xFEEF04BD);
  Put32(info, 4, 0x00010000);
  Put32(info, 8, std::uint32_t{a} << 16 | b);
  Put32(info, 12, std::uint32_t{c} << 16 | d);
  Put32(info, 16, std::uint32_t{a} << 16 | b);
  Put32(info, 20, std::uint32_t{c} << 16 | d);
  Put32(info, 32, 0x00040004);  // VOS_NT_WINDOWS32
  Put32(info, 36, 1);           // VFT_APP
  return info;
}

inline VersionNode Root(std::string fixedInfo, std::vector<VersionNode> children) {
  return VersionNode{u"VS_VERSION_INFO", 0, std::move(fixedInfo), {}, {}, std::move(children)};
}

// The usual block: fixed part, one string table, one translation.
inline VersionNode StandardBlock(std::u16string table, std::uint32_t translation,
                                 std::vector<VersionNode> strings) {
  return Root(FixedInfo(1, 2, 3, 4), {Block(u"StringFileInfo", {Block(std::move(table), std::move(strings))}),
                                      Translations({translation})});
}

struct Resource {
  std::uint16_t type;
  std::uint16_t name;
  std::uint16_t language;
  std::string data;
};

// File offsets of what a built PE holds.
struct PeLayout {
  std::size_t dataDirectory = 0;  // resource entry of the data directories
  std::size_t sectionHeader = 0;
  std::size_t section = 0;  // raw data of the one section = the resource root
  std::uint32_t sectionRva = 0;
  std::size_t rootDirectory = 0;
  std::size_t namedTypeString = 0;  // the first named type's name string
  // Per resource, in the order given.
  std::vector<std::size_t> typeEntry, nameDirectory, nameEntry, languageDirectory, languageEntry, dataEntry,
      data;
};

struct PeOptions {
  bool plus = false;  // PE32+
  std::vector<std::u16string> namedTypes;
};

// A DLL with one section holding the resource tree, then the resource data.
inline std::string BuildPe(const std::vector<Resource>& resources, PeLayout& layout,
                           const PeOptions& options = {}) {
  constexpr std::size_t kSectionOffset = 0x200;
  constexpr std::uint32_t kSectionRva = 0x1000;
  std::string file(kSectionOffset, '\0');
  Put16(file, 0, 0x5A4D);
  Put32(file, 0x3C, 0x40);
  Put32(file, 0x40, 0x00004550);
  const std::size_t fileHeader = 0x44;
  const std::uint16_t optionalSize = options.plus ? 0xF0 : 0xE0;
  Put16(file, fileHeader, options.plus ? 0x8664 : 0x014C);
  Put16(file, fileHeader + 2, 1);
  Put16(file, fileHeader + 16, optionalSize);
  Put16(file, fileHeader + 18, 0x2102);
  const std::size_t optional = fileHeader + 20;
  Put16(file, optional, options.plus ? 0x20B : 0x10B);
  Put32(file, optional + 32, 0x1000);  // section alignment
  Put32(file, optional + 36, 0x200);   // file alignment
  Put16(file, optional + 40, 4);       // OS version
  Put16(file, optional + 48, 4);       // subsystem version
  Put32(file, optional + 60, kSectionOffset);
  Put16(file, optional + 68, 2);  // GUI
  Put32(file, optional + (options.plus ? 108 : 92), 16);
  layout.dataDirectory = optional + (options.plus ? 112 : 96) + 2 * 8;
  layout.sectionHeader = optional + optionalSize;
  layout.section = kSectionOffset;
  layout.sectionRva = kSectionRva;

  // Tree: types, then names of each type, then languages of each name.
  std::map<std::uint16_t, std::map<std::uint16_t, std::vector<std::size_t>>> tree;
  for (std::size_t i = 0; i < resources.size(); ++i) {
    tree[resources[i].type][resources[i].name].push_back(i);
  }
  const std::size_t count = resources.size();
  layout.typeEntry.assign(count, 0);
  layout.nameDirectory.assign(count, 0);
  layout.nameEntry.assign(count, 0);
  layout.languageDirectory.assign(count, 0);
  layout.languageEntry.assign(count, 0);
  layout.dataEntry.assign(count, 0);
  layout.data.assign(count, 0);

  std::string rsrc;
  auto directory = [&rsrc](std::size_t named, std::size_t ids) {
    std::size_t at = rsrc.size();
    rsrc.resize(at + 16 + 8 * (named + ids));
    Put16(rsrc, at + 12, static_cast<std::uint32_t>(named));
    Put16(rsrc, at + 14, static_cast<std::uint32_t>(ids));
    return at;
  };
  const std::size_t named = options.namedTypes.size();
  const std::size_t root = directory(named, tree.size());
  std::vector<std::size_t> emptyDirectories;
  for (std::size_t i = 0; i < named; ++i) emptyDirectories.push_back(directory(0, 0));
  std::size_t typeIndex = named;
  for (auto& [type, names] : tree) {
    const std::size_t typeEntry = root + 16 + 8 * typeIndex++;
    const std::size_t nameDirectory = directory(0, names.size());
    Put32(rsrc, typeEntry, type);
    Put32(rsrc, typeEntry + 4, 0x80000000u | static_cast<std::uint32_t>(nameDirectory));
    std::size_t nameIndex = 0;
    for (auto& [name, members] : names) {
      const std::size_t nameEntry = nameDirectory + 16 + 8 * nameIndex++;
      const std::size_t languageDirectory = directory(0, members.size());
      Put32(rsrc, nameEntry, name);
      Put32(rsrc, nameEntry + 4, 0x80000000u | static_cast<std::uint32_t>(languageDirectory));
      std::vector<std::size_t> sorted = members;
      std::sort(sorted.begin(), sorted.end(),
                [&](std::size_t a, std::size_t b) { return resources[a].language < resources[b].language; });
      for (std::size_t k = 0; k < sorted.size(); ++k) {
        const std::size_t i = sorted[k];
        layout.typeEntry[i] = typeEntry;
        layout.nameDirectory[i] = nameDirectory;
        layout.nameEntry[i] = nameEntry;
        layout.languageDirectory[i] = languageDirectory;
        layout.languageEntry[i] = languageDirectory + 16 + 8 * k;
        Put32(rsrc, layout.languageEntry[i], resources[i].language);
      }
    }
  }
  for (std::size_t i = 0; i < count; ++i) {
    layout.dataEntry[i] = rsrc.size();
    rsrc.resize(rsrc.size() + 16);
    Put32(rsrc, layout.languageEntry[i] + 4, static_cast<std::uint32_t>(layout.dataEntry[i]));
  }
  for (std::size_t i = 0; i < named; ++i) {
    const std::size_t at = rsrc.size();
    if (i == 0) layout.namedTypeString = at;
    Put16(rsrc, at, static_cast<std::uint32_t>(options.namedTypes[i].size()));
    rsrc += Utf16Bytes(options.namedTypes[i]);
    PadTo4(rsrc);
    Put32(rsrc, root + 16 + 8 * i, 0x80000000u | static_cast<std::uint32_t>(at));
    Put32(rsrc, root + 16 + 8 * i + 4, 0x80000000u | static_cast<std::uint32_t>(emptyDirectories[i]));
  }
  for (std::size_t i = 0; i < count; ++i) {
    PadTo4(rsrc);
    layout.data[i] = rsrc.size();
    rsrc += resources[i].data;
    Put32(rsrc, layout.dataEntry[i], kSectionRva + static_cast<std::uint32_t>(layout.data[i]));
    Put32(rsrc, layout.dataEntry[i] + 4, static_cast<std::uint32_t>(resources[i].data.size()));
  }

  const std::size_t rawSize = (rsrc.size() + 0x1FF) & ~std::size_t{0x1FF};
  const std::uint32_t imageSize = kSectionRva + ((static_cast<std::uint32_t>(rsrc.size()) + 0xFFF) & ~0xFFFu);
  Put32(file, optional + 56, imageSize);
  if (count + named > 0) {
    Put32(file, layout.dataDirectory, kSectionRva);
    Put32(file, layout.dataDirectory + 4, static_cast<std::uint32_t>(rsrc.size()));
  }
  const std::size_t header = layout.sectionHeader;
  file.replace(header, 6, ".rsrc\0", 6);
  Put32(file, header + 8, static_cast<std::uint32_t>(std::max<std::size_t>(rsrc.size(), 1)));
  Put32(file, header + 12, kSectionRva);
  Put32(file, header + 16, static_cast<std::uint32_t>(rawSize));
  Put32(file, header + 20, kSectionOffset);
  Put32(file, header + 36, 0x40000040);  // initialised data, readable
  rsrc.resize(rawSize, '\0');
  for (std::size_t i = 0; i < count; ++i) {
    layout.typeEntry[i] += kSectionOffset;
    layout.nameDirectory[i] += kSectionOffset;
    layout.nameEntry[i] += kSectionOffset;
    layout.languageDirectory[i] += kSectionOffset;
    layout.languageEntry[i] += kSectionOffset;
    layout.dataEntry[i] += kSectionOffset;
    layout.data[i] += kSectionOffset;
  }
  layout.rootDirectory = kSectionOffset + root;
  if (named > 0) layout.namedTypeString += kSectionOffset;
  return file + rsrc;
}

inline std::string BuildPe(const std::vector<Resource>& resources, const PeOptions& options = {}) {
  PeLayout layout;
  return BuildPe(resources, layout, options);
}

inline constexpr std::uint16_t kRtVersion = 16;

// A PE whose only resource is `block` as version resource 1 in `language`.
inline std::string PeWithVersion(const VersionNode& block, std::uint16_t language = 0x0409,
                                 const PeOptions& options = {}) {
  return BuildPe({{kRtVersion, 1, language, block.Serialize()}}, options);
}

}  // namespace vantric::testing
