#pragma once

namespace vantric {

// Whether the standard error stream goes to a terminal (where a progress
// line may be drawn and taken away again).
bool StandardErrorIsTerminal();

}  // namespace vantric
