#pragma once

#include <optional>
#include <string_view>

namespace vantric {

// The stable rustc release built from `commit` (40 lowercase hex digits, as
// the rust-lang/rust repository names it), e.g. "1.75.0", or nothing when the
// table doesn't know it.
std::optional<std::string_view> RustReleaseOfCommit(std::string_view commit);

}  // namespace vantric
