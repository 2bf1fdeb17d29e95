#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vantric {

// A length-prefixed string of up to 80 characters, exactly as it lies in a
// database file: byte 0 is the length, bytes 1..80 the characters.
struct ShortString {
  static constexpr std::size_t kCapacity = 80;

  std::uint8_t length = 0;
  std::array<char, kCapacity> chars{};

  std::string_view view() const { return {chars.data(), length}; }
  std::string str() const { return std::string(view()); }
  // Stores the first 80 characters of `text`; the rest of the buffer is zeroed
  // so that equal texts give equal bytes.
  void assign(std::string_view text);

  bool operator==(const ShortString& other) const { return view() == other.view(); }
};
static_assert(sizeof(ShortString) == 81);

// One database record: five fields of 81 bytes. What each field means depends
// on the database (see the field index names below).
struct TLangDefinition {
  static constexpr std::size_t kFieldCount = 5;
  std::array<ShortString, kFieldCount> fields{};

  bool operator==(const TLangDefinition& other) const = default;
};
static_assert(sizeof(TLangDefinition) == 405);

inline constexpr std::size_t kRecordSize = sizeof(TLangDefinition);

// Field meanings. Field 0 is the pattern in every signature record.
inline constexpr std::size_t kPatternField = 0;
// Compiler database.
inline constexpr std::size_t kLanguageField = 1;
inline constexpr std::size_t kCompilerField = 2;
inline constexpr std::size_t kCompilerCompanyField = 3;
inline constexpr std::size_t kCompilerUrlField = 4;
// Compression database.
inline constexpr std::size_t kSearchLimitField = 1;
inline constexpr std::size_t kProgramField = 2;
inline constexpr std::size_t kProgramCompanyField = 3;
inline constexpr std::size_t kProgramUrlField = 4;
// Header record (record 0).
inline constexpr std::size_t kHeaderVersionField = 0;
inline constexpr std::size_t kHeaderDateField = 1;

// Which of the two databases a record array is: the meaning of fields 1 to 4
// depends on it.
enum class DatabaseKind { kCompiler, kCompression };

// Records in file order; record 0 is the header.
using TLangDefinitionArray = std::vector<TLangDefinition>;

}  // namespace vantric
