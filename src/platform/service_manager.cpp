#include "platform/service_manager.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <pwd.h>
#include <utility>
#include <vector>
#include <sstream>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

#include "base/error.h"
#include "base/text.h"
#include "platform/atomic_file.h"
#include "platform/child_process.h"
#include "platform/process_identity.h"

namespace orvalo {

const char* serviceStateName(ServiceState state) {
    switch (state) {
        case ServiceState::NotInstalled: return "not installed";
        case ServiceState::Stopped: return "stopped";
        case ServiceState::Running: return "running";
        case ServiceState::Paused: return "paused";
    }
    return "unknown";
}

namespace {

constexpr const char* kStatusFileVariable = "ORVALO_SERVICE_STATUS_FILE";

// A process that exists and is not a zombie.
bool processAlive(pid_t pid) { return !processStartTime(pid).empty(); }

// A live process running the given program.
bool processRunning(pid_t pid, const std::filesystem::path& program) {
    if (!processAlive(pid)) return false;
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/" + std::to_string(pid) + "/exe", ec);
    return !ec && std::filesystem::equivalent(exe, program, ec);
}

// How long a stop may take: the service's six seconds, the close grace of its
// runs, and room to spare. ORVALO_SCM_STOP_SECONDS shortens it for tests.
std::chrono::seconds stopLimit() {
    if (const char* text = std::getenv("ORVALO_SCM_STOP_SECONDS"); text && std::atoi(text) > 0)
        return std::chrono::seconds(std::atoi(text));
    return std::chrono::seconds(60);
}

std::string readText(const std::filesystem::path& path) {
    std::string text;
    try {
        readWholeFile(path, text);
    } catch (const Error&) {
    }
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
}

int runSystemctl(const std::string& arguments) {
    const std::string user = ::geteuid() == 0 ? "" : " --user";
    return std::system(("systemctl" + user + " " + arguments + " >/dev/null 2>&1").c_str());
}

bool systemdRunning() { return std::filesystem::exists("/run/systemd/system"); }

// ---- direct backend ----

class DirectServiceManager final : public ServiceManager {
public:
    explicit DirectServiceManager(std::filesystem::path dir) : dir_(std::move(dir)) {}

    void install(const ServiceRegistration& r) override {
        if (std::filesystem::exists(record(r.name))) throw Error(kServiceExists);
        std::ostringstream text;
        text << "Name=" << r.name << "\nDisplayName=" << r.displayName << "\nProgram=" << r.program.string()
             << "\nStart=" << (r.automaticStart ? "auto" : "demand") << "\nWaitHint=" << r.waitHint.count() << "\n";
        if (r.home) text << "Home=" << *r.home << "\n";
        writeFileAtomically(record(r.name), text.str());
    }

    void uninstall(const std::string& name) override {
        if (!std::filesystem::exists(record(name))) throw Error(kServiceMissing);
        std::filesystem::remove(record(name));
    }

    void start(const std::string& name) override {
        const auto values = load(name);
        if (running(name, values)) throw Error("An instance of the service is already running");
        const std::filesystem::path program = values.at("Program");
        std::filesystem::remove(statusFile(name));
        ChildOptions options;
        options.commandLine = "exec " + shellQuoted(program.string()) + " >/dev/null 2>&1";
        options.environment = childEnvironment();
        options.environment.push_back(std::string(kStatusFileVariable) + "=" + statusFile(name).string());
        if (values.count("Home")) options.environment.push_back("ORVALO_HOME=" + values.at("Home"));
        Child child = startChild(options);
        // The start time names this process even after its pid is given to another.
        writeFileAtomically(pidFile(name), std::to_string(child.pid) + " " + processStartTime(child.pid) + "\n");
        adoptChild(child);
        // Started once the service says it runs, or has given up.
        // The shell that starts it becomes the service only at its exec, so wait on
        // the process itself, not on the program it runs yet.
        waitFor([&] { return !processAlive(child.pid) || readText(statusFile(name)) == "running"; }, values);
        if (!running(name, values)) throw Error("The service did not start: see slog.txt and the system log");
    }

    void stop(const std::string& name) override {
        const auto values = load(name);
        const pid_t pid = pidOf(name);
        if (!running(name, values)) throw Error("The service has not been started");
        ::kill(pid, SIGTERM);
        // The stop sequence takes six seconds plus the bounded waits of its runs.
        const std::chrono::seconds limit = stopLimit();
        waitFor([&] { return !running(name, values); }, values, limit);
        if (running(name, values))
            throw Error("The service did not stop within " + std::to_string(limit.count()) + " s; it still runs as process " +
                        std::to_string(pid));
    }

    void pause(const std::string& name) override { signal(name, SIGUSR1, "paused"); }
    void resume(const std::string& name) override { signal(name, SIGUSR2, "running"); }

    void setAutomaticStart(const std::string& name, bool automatic) override {
        std::string text = readText(record(name));
        if (text.empty()) throw Error(kServiceMissing);
        const auto at = text.find("Start=");
        text.replace(at, text.find('\n', at) - at, std::string("Start=") + (automatic ? "auto" : "demand"));
        writeFileAtomically(record(name), text + "\n");
    }

    ServiceState query(const std::string& name) override {
        if (!std::filesystem::exists(record(name))) return ServiceState::NotInstalled;
        const auto values = load(name);
        if (!running(name, values)) return ServiceState::Stopped;
        return readText(statusFile(name)) == "paused" ? ServiceState::Paused : ServiceState::Running;
    }

private:
    std::filesystem::path record(const std::string& name) const { return dir_ / (name + ".service"); }
    std::filesystem::path pidFile(const std::string& name) const { return dir_ / (name + ".pid"); }
    std::filesystem::path statusFile(const std::string& name) const { return dir_ / (name + ".status"); }

    std::map<std::string, std::string> load(const std::string& name) const {
        const std::string text = readText(record(name));
        if (text.empty()) throw Error(kServiceMissing);
        std::map<std::string, std::string> values;
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);) {
            const auto eq = line.find('=');
            if (eq != std::string::npos) values[line.substr(0, eq)] = line.substr(eq + 1);
        }
        return values;
    }
    // The recorded pid and start time; a record without its start time names nobody.
    std::pair<pid_t, std::string> recorded(const std::string& name) const {
        std::istringstream in(readText(pidFile(name)));
        pid_t pid = -1;
        std::string started;
        if (!(in >> pid >> started)) return {-1, ""};
        return {pid, started};
    }
    pid_t pidOf(const std::string& name) const { return recorded(name).first; }
    // The service is the recorded process: the same pid, start time and program.
    bool running(const std::string& name, const std::map<std::string, std::string>& values) const {
        const auto [pid, started] = recorded(name);
        return processRunning(pid, values.at("Program")) && processStartTime(pid) == started;
    }
    template <typename Done>
    void waitFor(Done done, const std::map<std::string, std::string>& values,
                 std::chrono::milliseconds limit = std::chrono::seconds(30)) {
        (void)values;
        const auto giveUp = std::chrono::steady_clock::now() + limit;
        while (!done() && std::chrono::steady_clock::now() < giveUp)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    void signal(const std::string& name, int sig, const char* state) {
        const auto values = load(name);
        if (!running(name, values)) throw Error("The service has not been started");
        ::kill(pidOf(name), sig);
        waitFor([&] { return readText(statusFile(name)) == state; }, values);
    }

    std::filesystem::path dir_;
};

// ---- systemd backend ----

class SystemdServiceManager final : public ServiceManager {
public:
    void install(const ServiceRegistration& r) override {
        if (std::filesystem::exists(unitFile())) throw Error(kServiceExists);
        writeFileAtomically(unitFile(), systemdUnitText(r, ::geteuid() != 0), 0644, FileModes::Always);  // systemd's own files are readable
        if (runSystemctl("daemon-reload") != 0) throw Error("systemctl daemon-reload failed");
    }
    void uninstall(const std::string&) override {
        if (!std::filesystem::exists(unitFile())) throw Error(kServiceMissing);
        runSystemctl("disable orvalo.service");
        std::filesystem::remove(unitFile());
        runSystemctl("daemon-reload");
    }
    void start(const std::string&) override { check(runSystemctl("start orvalo.service"), "start"); }
    void stop(const std::string&) override { check(runSystemctl("stop orvalo.service"), "stop"); }
    void pause(const std::string&) override { check(runSystemctl("kill --signal=SIGUSR1 orvalo.service"), "pause"); }
    void resume(const std::string&) override { check(runSystemctl("kill --signal=SIGUSR2 orvalo.service"), "continue"); }
    void setAutomaticStart(const std::string&, bool automatic) override {
        check(runSystemctl(automatic ? "enable orvalo.service" : "disable orvalo.service"), "enable");
    }
    ServiceState query(const std::string&) override {
        if (!std::filesystem::exists(unitFile())) return ServiceState::NotInstalled;
        return runSystemctl("is-active --quiet orvalo.service") == 0 ? ServiceState::Running : ServiceState::Stopped;
    }
    std::string installNote() override { return systemdLingerNote(::geteuid()); }

private:
    static std::filesystem::path unitFile() {
        if (::geteuid() == 0) return "/etc/systemd/system/orvalo.service";
        const char* home = std::getenv("HOME");
        return std::filesystem::path(home ? home : "/") / ".config/systemd/user/orvalo.service";
    }
    static void check(int status, const char* what) {
        if (status != 0) throw Error(std::string("systemctl ") + what + " failed");
    }
};

std::filesystem::path directDir() {
    if (const char* dir = std::getenv("ORVALO_SCM_DIR"); dir && *dir) return dir;
    if (::geteuid() == 0) return "/var/lib/orvalo";
    const char* home = std::getenv("HOME");
    return std::filesystem::path(home ? home : "/tmp") / ".local/state/orvalo";
}

}  // namespace

std::string systemdLingerNote(uid_t user, const std::filesystem::path& lingerFolder) {
    if (user == 0) return "";
    passwd entry{};
    passwd* found = nullptr;
    char buffer[4096];
    std::string name = std::to_string(user);
    if (::getpwuid_r(user, &entry, buffer, sizeof buffer, &found) == 0 && found != nullptr && found->pw_name != nullptr)
        name = found->pw_name;
    std::error_code ec;
    if (std::filesystem::exists(lingerFolder / name, ec)) return "";
    return "The service runs while " + name + " is logged in. To keep it running after logout and start it at boot, "
           "run: loginctl enable-linger " + name;
}

namespace {

// A value in double quotes as systemd reads it: backslash and quote escaped and
// "%" (specifiers) doubled. (A program path takes no "$" variables, so a "$" in it
// stays as it is.)
std::string systemdQuoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"') out += '\\';
        if (c == '%') out += c;
        out += c;
    }
    return out + "\"";
}

}  // namespace

std::string systemdUnitText(const ServiceRegistration& r, bool userUnit) {
    std::string text = "[Unit]\nDescription=" + r.displayName + "\n\n[Service]\nType=notify\nExecStart=" +
                       systemdQuoted(r.program.string()) + "\n";
    if (r.home) text += "Environment=" + systemdQuoted("ORVALO_HOME=" + *r.home) + "\n";
    text += "KillMode=process\nTimeoutStartSec=" + std::to_string(r.waitHint.count()) +
            "ms\nTimeoutStopSec=5min\n\n[Install]\nWantedBy=" + (userUnit ? "default.target" : "multi-user.target") +
            "\n";
    return text;
}

std::unique_ptr<ServiceManager> ServiceManager::forEnvironment() {
    const char* forced = std::getenv("ORVALO_SCM");
    const std::string choice = forced ? forced : "";
    if (choice == "systemd" || (choice.empty() && systemdRunning())) return std::make_unique<SystemdServiceManager>();
    return std::make_unique<DirectServiceManager>(directDir());
}

bool startedByServiceManager() {
    return std::getenv(kStatusFileVariable) != nullptr || std::getenv("NOTIFY_SOCKET") != nullptr ||
           std::getenv("INVOCATION_ID") != nullptr;
}

void reportServiceStatus(const std::string& status, bool ready) {
    if (const char* file = std::getenv(kStatusFileVariable); file && *file) {
        try {
            writeFileAtomically(file, status + "\n");
        } catch (const Error&) {
        }
    }
    if (const char* socketPath = std::getenv("NOTIFY_SOCKET"); socketPath && *socketPath) {
        // The sd_notify protocol: one datagram to the socket systemd names.
        const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        if (fd < 0) return;
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, socketPath, sizeof address.sun_path - 1);
        if (address.sun_path[0] == '@') address.sun_path[0] = '\0';
        const std::string message =
            (ready ? "READY=1\n" : "") + std::string(status == "stopping" ? "STOPPING=1\n" : "") + "STATUS=" + status;
        ::sendto(fd, message.data(), message.size(), MSG_NOSIGNAL, reinterpret_cast<const sockaddr*>(&address),
                 static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + std::strlen(socketPath)));
        ::close(fd);
    }
}

}  // namespace orvalo
