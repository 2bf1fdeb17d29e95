#include "python/result_dict.h"

#include <array>

#include "analysis/result_fields.h"
#include "cli/report.h"
#include "platform/text_escape.h"

namespace vantric::python {
namespace {

py::str Text(const std::string& bytes) { return py::str(Utf8WithLatin1Bytes(bytes)); }

py::list ToolchainList(const ToolchainFindings& findings) {
  py::list out;
  for (const ToolchainFinding& finding : findings) {
    py::dict entry;
    entry["kind"] = py::str(std::string(KindName(finding.kind)));
    entry["name"] = Text(finding.name);
    entry["version"] = Text(finding.version);
    entry["evidence"] = Text(finding.evidence);
    out.append(std::move(entry));
  }
  return out;
}

constexpr std::array kFindingKinds = {FindingKind::kCompiler, FindingKind::kLinker,    FindingKind::kRuntime,
                                      FindingKind::kPacker,   FindingKind::kInstaller, FindingKind::kTool};

}  // namespace

py::str PathText(const std::string& path) {
  PyObject* text = PyUnicode_DecodeFSDefaultAndSize(path.data(), static_cast<Py_ssize_t>(path.size()));
  if (!text) throw py::error_already_set();
  return py::reinterpret_steal<py::str>(text);
}

py::dict ResultDict(py::object path, const AnalysisResult& result) {
  py::dict out;
  out["path"] = std::move(path);
  out["status"] = py::str(std::string(cli::StatusName(result.status)));
  if (result.status != AnalysisStatus::kOk) {
    out["error"] = Text(result.error);
    return out;
  }
  py::dict group;
  for (std::size_t i = 0; i < kResultFields.size(); ++i) {
    const ResultFieldInfo& field = kResultFields[i];
    if (i == 0 || kResultFields[i - 1].group != field.group) {
      group = py::dict();
      out[py::str(std::string(GroupJsonName(field.group)))] = group;
    }
    group[field.jsonName] = Text(result.info.*field.value);
  }
  out["toolchain"] = ToolchainList(result.info.toolchain);
  return out;
}

ToolchainFindings FindingsFromDicts(const py::iterable& findings) {
  ToolchainFindings out;
  for (const py::handle entry : findings) {
    const std::string kind = py::cast<std::string>(entry["kind"]);
    ToolchainFinding finding;
    bool known = false;
    for (const FindingKind candidate : kFindingKinds) {
      if (KindName(candidate) == kind) {
        finding.kind = candidate;
        known = true;
      }
    }
    if (!known) throw py::value_error("unknown toolchain finding kind: " + kind);
    finding.name = py::cast<std::string>(entry["name"]);
    finding.version = py::cast<std::string>(entry["version"]);
    finding.evidence = py::cast<std::string>(entry["evidence"]);
    out.push_back(std::move(finding));
  }
  return out;
}

}  // namespace vantric::python
