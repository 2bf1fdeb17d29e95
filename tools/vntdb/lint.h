#pragma once

#include <vector>

#include "tools/vntdb/signature_source.h"

namespace vantric::vntdb {

// Finds records that can't do what their author meant: empty patterns,
// duplicate patterns, records that never win because an earlier record's
// pattern lies inside theirs (within its search limit, for compression
// records), and limits that never match or aren't numbers. `records` holds
// the header first.
std::vector<Diagnostic> LintRecords(const std::vector<LocatedRecord>& records, DatabaseKind kind);

}  // namespace vantric::vntdb
