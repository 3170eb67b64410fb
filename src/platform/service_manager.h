// Registration and control of the Orvalo service. Two backends: systemd (a unit
// file and systemctl, used when systemd runs) and direct (a registration record, a
// pid file, signals and a status file, used where no systemd runs, such as
// containers and CI). ORVALO_SCM=systemd|direct forces one; ORVALO_SCM_DIR moves
// the direct backend's records, ORVALO_SCM_STOP_SECONDS shortens its stop limit
// (60 s). The direct backend knows its service by pid and start time, so another
// process that is given the same pid is never taken for it. Errors are Error with
// the system's text; a stop that has not ended by its limit is one.
#pragma once

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <sys/types.h>

namespace orvalo {

struct ServiceRegistration {
    std::string name = "Orvalo";
    std::string displayName = "Orvalo";
    std::filesystem::path program;          // full path, no arguments
    std::optional<std::string> home;        // ORVALO_HOME the service keeps
    bool automaticStart = false;            // on-demand until the manager switches it
    std::chrono::milliseconds waitHint{5000};
};

enum class ServiceState { NotInstalled, Stopped, Running, Paused };
// "not installed", "stopped", "running", "paused".
const char* serviceStateName(ServiceState state);

class ServiceManager {
public:
    virtual ~ServiceManager() = default;
    virtual void install(const ServiceRegistration& registration) = 0;
    // A running service is not stopped first.
    virtual void uninstall(const std::string& name) = 0;
    virtual void start(const std::string& name) = 0;
    // Asks the service to stop and waits until it has; Error when it still runs
    // at the time limit.
    virtual void stop(const std::string& name) = 0;
    virtual void pause(const std::string& name) = 0;
    virtual void resume(const std::string& name) = 0;
    virtual void setAutomaticStart(const std::string& name, bool automatic) = 0;
    virtual ServiceState query(const std::string& name) = 0;
    // What a user should know once the service is installed; empty for nothing.
    virtual std::string installNote() { return ""; }

    // The backend for this machine and environment.
    static std::unique_ptr<ServiceManager> forEnvironment();
};

// A user's systemd service runs only while the user is logged in, unless lingering
// is on for the user (a file of their name in lingerFolder): the note that says so,
// empty for root and for a user with lingering.
std::string systemdLingerNote(uid_t user, const std::filesystem::path& lingerFolder = "/var/lib/systemd/linger");

// The systemd unit text of a registration, for the system or for a user's manager.
std::string systemdUnitText(const ServiceRegistration& registration, bool userUnit);

// Messages as the system would word them.
inline constexpr const char* kServiceExists = "The specified service already exists";
inline constexpr const char* kServiceMissing = "The specified service does not exist as an installed service";

// What the service tells its manager; both backends are served. Thread-safe.
void reportServiceStatus(const std::string& status, bool ready = false);
// Whether a service manager started this process (systemd or the direct backend).
bool startedByServiceManager();

}  // namespace orvalo
