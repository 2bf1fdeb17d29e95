#pragma once

#include <pybind11/pybind11.h>

#include <string>

#include "analysis/analyze_file.h"

namespace vantric::python {

namespace py = pybind11;

// A path as Python names files: undecodable bytes as lone surrogates, as
// os.fsdecode gives them and as vantric-cli's JSON writes them (\udcXX).
py::str PathText(const std::string& path);

// The result as a dict of exactly the JSON line vantric-cli --json writes for
// it: "path", "status", then "error", or the three field groups and
// "toolchain". `path` is what the caller named the file (None for bytes that
// came without a name).
py::dict ResultDict(py::object path, const AnalysisResult& result);

// Toolchain findings back from their dicts ("kind", "name", "version",
// "evidence"). Throws ValueError for a kind the reports never write.
ToolchainFindings FindingsFromDicts(const py::iterable& findings);

}  // namespace vantric::python
