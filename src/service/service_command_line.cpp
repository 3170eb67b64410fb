#include "service/service_command_line.h"

#include "base/text.h"

namespace orvalo {

ServiceCommandLine parseServiceCommandLine(const std::vector<std::string>& arguments) {
    ServiceCommandLine line;
    for (const std::string& argument : arguments) {
        if (argument.size() < 2 || (argument[0] != '-' && argument[0] != '/')) continue;
        const std::string_view name = std::string_view(argument).substr(1);
        if (equalsIgnoreCase(name, "INSTALL")) line.install = true;
        else if (equalsIgnoreCase(name, "UNINSTALL")) line.uninstall = true;
        else if (equalsIgnoreCase(name, "SILENT")) line.silent = true;
        else if (equalsIgnoreCase(name, "CONSOLE")) line.console = true;
        else if (equalsIgnoreCase(name, "HELP") || equalsIgnoreCase(name, "-HELP") || name == "h" || name == "?")
            line.help = true;
    }
    if (line.install) line.uninstall = false;
    return line;
}

}  // namespace orvalo
