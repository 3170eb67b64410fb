// Whether a person can be asked: standard input is a terminal.
#pragma once

namespace orvalo {

bool standardInputIsTerminal();

}  // namespace orvalo
