// OrvaloS: registers or removes the Orvalo service, or runs it.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/error.h"
#include "platform/event_log.h"
#include "platform/program_folder.h"
#include "platform/service_manager.h"
#include "platform/signal_watch.h"
#include "platform/strict_modes.h"
#include "service/orvalo_service.h"
#include "service/service_command_line.h"

namespace {

using namespace orvalo;

int registration(const ServiceCommandLine& line) {
    const char* what = line.install ? "install" : "uninstall";
    ServiceRegistration registration;
    try {
        registration.program = executableFolder() / "OrvaloS";
        if (const auto home = programFolderOverride()) registration.home = home->string();
        auto manager = ServiceManager::forEnvironment();
        if (line.install) manager->install(registration);
        else manager->uninstall(registration.name);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "Service \"%s\" failed to %s with error: \"%s\"\n", registration.displayName.c_str(), what,
                     e.what());
        return 1;
    }
    if (!line.silent)
        std::printf("%s\n", line.install ? "Service installed successfully" : "Service uninstalled successfully");
    return 0;
}

int runService(bool console) {
    // Before any thread starts, so that every thread leaves these signals to the loop.
    blockSignals({SIGTERM, SIGINT, SIGHUP, SIGUSR1, SIGUSR2});
    // A file size limit makes a write fail, which is reported, instead of ending the service.
    std::signal(SIGXFSZ, SIG_IGN);
    // In the foreground, what goes to the system log is seen on the terminal too.
    copyEventLogToStandardError(console);
    MainLoop loop;
    loop.setErrorHandler([](std::exception_ptr error) { writeEventLogError("Service failed on execute: " + errorText(error)); });
    OrvaloService service(programFolder(FolderUser::Service), loop);
    reportServiceStatus("starting");
    try {
        service.start();
    } catch (const std::exception& e) {
        const std::string message = std::string("Service failed on execute: ") + e.what();
        writeEventLogError(message);
        try {
            // Nothing is written in a folder that fails the strict modes.
            if (dynamic_cast<const UntrustedPathError*>(&e) == nullptr) service.log().writeLog(message);
        } catch (const std::exception&) {
        }
        if (!console) std::fprintf(stderr, "%s\n", message.c_str());
        reportServiceStatus("stopped");
        return 1;
    }
    reportServiceStatus("running", true);
    SignalWatch signals(loop, {SIGTERM, SIGINT, SIGHUP, SIGUSR1, SIGUSR2}, [&](int signal) {
        // Pausing changes what the service reports, not what its events do.
        if (signal == SIGUSR1) reportServiceStatus("paused");
        else if (signal == SIGUSR2) reportServiceStatus("running");
        else if (signal != SIGHUP) loop.quit();
    });
    loop.run();
    reportServiceStatus("stopping");
    service.stop();
    reportServiceStatus("stopped");
    return 0;
}

}  // namespace

constexpr const char* kUsage =
    "OrvaloS: the Orvalo service. It runs the events of sl.csv in its program folder (the folder of this\n"
    "program, or ORVALO_HOME) unattended, and writes slog.txt there.\n"
    "\n"
    "  OrvaloS -install [-silent]     register the service \"Orvalo\"\n"
    "  OrvaloS -uninstall [-silent]   remove the registration\n"
    "  OrvaloS -console               run the service in the foreground; Ctrl-C or SIGTERM stops it\n"
    "  OrvaloS -help                  this text\n"
    "\n"
    "Switches may stand anywhere, start with \"-\" or \"/\", in any letter case. Without a switch the\n"
    "program runs only when the service manager starts it. orvaloctl service install|update|... hands\n"
    "the manager's list to the service and controls it.\n";

int main(int argc, char** argv) {
    const ServiceCommandLine line = parseServiceCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (line.help) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (line.install || line.uninstall) return registration(line);
    if (line.console || startedByServiceManager()) return runService(line.console);
    const std::string message =
        "The service process could not connect to the service controller. Start it with the service "
        "manager, or run \"OrvaloS -console\" in the foreground.";
    writeEventLogError(message);
    std::fprintf(stderr, "%s\n", message.c_str());
    return 1;
}
