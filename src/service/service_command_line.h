// The switches of OrvaloS: found anywhere on the command line, introduced by "-" or
// "/", in any letter case. INSTALL wins over UNINSTALL.
#pragma once

#include <string>
#include <vector>

namespace orvalo {

struct ServiceCommandLine {
    bool install = false;
    bool uninstall = false;
    bool silent = false;
    bool console = false;  // run in the foreground, as a service manager would run it
    bool help = false;     // -help, --help, -h, /?: print the usage
};

ServiceCommandLine parseServiceCommandLine(const std::vector<std::string>& arguments);

}  // namespace orvalo
