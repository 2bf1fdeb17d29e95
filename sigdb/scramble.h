#pragma once

#include <cstdint>

#include "sigdb/lang_definition.h"

namespace vantric {

// Field characters are stored scrambled; the length byte is stored plain.
constexpr std::uint8_t UnscrambleByte(std::uint8_t stored) {
  return static_cast<std::uint8_t>((stored ^ 0x6B) + 0x1B);
}
constexpr std::uint8_t ScrambleByte(std::uint8_t plain) {
  return static_cast<std::uint8_t>(static_cast<std::uint8_t>(plain - 0x1B) ^ 0x6B);
}

// In place, over the characters of all five fields up to each length. A length
// above 80 (only a damaged file has one) is cut to 80 first.
void UnscrambleRecord(TLangDefinition& record);
void ScrambleRecord(TLangDefinition& record);

}  // namespace vantric
