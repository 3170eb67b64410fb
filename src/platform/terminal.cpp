#include "platform/terminal.h"

#include <unistd.h>

namespace orvalo {

bool standardInputIsTerminal() { return ::isatty(STDIN_FILENO) == 1; }

}  // namespace orvalo
