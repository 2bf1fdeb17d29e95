#pragma once

#include <optional>
#include <string>

namespace vantric {

// Flushes what std::cout holds and closes the standard output, checking each
// step: output sent to a full disk or a closed stream is an error, not a quiet
// success. Returns why it failed, or nothing when all output arrived.
std::optional<std::string> CloseStandardOutput();

// Why the last write to the standard output failed, as the system words it.
std::string StandardOutputError();

}  // namespace vantric
