#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "sigdb/lang_definition.h"

namespace vantric {

// The plain scan, kept as the definition of what matches: the fast index must
// give its answers. Tests and benchmarks use it; the program does not.

// True when `pattern` occurs in `buffer` starting at a position below
// `positions`. A match may run past `positions` but never past the buffer's
// end. Empty patterns and positions <= 0 never match.
bool ContainsPattern(std::string_view pattern, std::span<const std::uint8_t> buffer, std::int64_t positions);

// The record (1..N-1) that wins on `buffer`: the first in database order
// whose pattern occurs (within its search limit, for compression records).
// 0 when none does.
std::size_t ReferenceFirstMatch(const TLangDefinitionArray& database, DatabaseKind kind,
                                std::span<const std::uint8_t> buffer);

}  // namespace vantric
