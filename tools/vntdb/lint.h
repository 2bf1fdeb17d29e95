#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "tools/vntdb/signature_source.h"

namespace vantric::vntdb {

// Finds records that can't do what their author meant: empty patterns,
// duplicate patterns, records that never win because an earlier record's
// pattern lies inside theirs (within its search limit, for compression
// records), limits that never match or aren't numbers, and crowds of
// patterns that share their rarest bytes (they slow every scan). `records`
// holds the header first.
std::vector<Diagnostic> LintRecords(const std::vector<LocatedRecord>& records, DatabaseKind kind);

// Damage that loading a database file hides: length bytes over 80 (loading
// cuts them) and stray bytes after the last whole record (loading ignores them).
std::vector<Diagnostic> CheckDatabaseImage(std::string_view image, const std::string& path);

}  // namespace vantric::vntdb
