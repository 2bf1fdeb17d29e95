#include <unistd.h>

#include <cstdio>

#include "platform/terminal.h"

namespace vantric {

bool StandardErrorIsTerminal() { return ::isatty(::fileno(stderr)) != 0; }

void WriteUnicodeToConsoles() {}

}  // namespace vantric
