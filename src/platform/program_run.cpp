#include "platform/program_run.h"

#include "base/text.h"
#include "platform/child_process.h"

namespace orvalo {

std::optional<unsigned> runProgram(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                                   const std::vector<std::string>& extraEnvironment, std::chrono::milliseconds limit) {
    ChildOptions options;
    options.commandLine = "exec " + shellQuoted(program.string());
    for (const std::string& argument : arguments) options.commandLine += " " + shellQuoted(argument);
    options.environment = childEnvironment();
    options.environment.insert(options.environment.end(), extraEnvironment.begin(), extraEnvironment.end());
    Child child = startChild(options);
    unsigned exitCode = 0;
    if (waitForChild(child, -1, exitCode, static_cast<int>(limit.count()))) return exitCode;
    adoptChild(child);
    return std::nullopt;
}

}  // namespace orvalo
