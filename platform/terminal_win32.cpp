#include <io.h>

#include <cstdio>

#include "platform/terminal.h"

namespace vantric {

bool StandardErrorIsTerminal() { return ::_isatty(::_fileno(stderr)) != 0; }

}  // namespace vantric
