// orvaloctl: the manager's commands for terminals and scripts.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <iostream>
#include <string>
#include <thread>

#include "base/error.h"
#include "manager/cli/command_core.h"
#include "manager/cli/event_options.h"
#include "manager/cli/history_commands.h"
#include "manager/cli/view_commands.h"
#include "manager/core/fire_preview.h"
#include "schedule/schedule_text_store.h"
#include "platform/program_folder.h"
#include "platform/terminal.h"

namespace {

using namespace orvalo;

void say(const std::string& message) {
    if (!message.empty()) std::printf("%s\n", message.c_str());
}

// "Event 3 will not fire again: ..." for a time event that has no fire time left
// from now; empty otherwise.
std::string noMoreFires(ManagerCore& core, long long id) {
    const EventRecord record = core.record(id);
    if (record.kind() != EventKind::Time) return "";
    const Schedule schedule = scheduleFromText(scheduleTextFromField(record.cfgSave), SystemClock::instance());
    const ScheduleStamp now = nowStamp(SystemClock::instance());
    if (!upcomingFires(schedule, now, 1).empty()) return "";
    return "Event " + std::to_string(id) + " will not fire again: " + whyNoFire(schedule, now);
}

void enableEvent(ManagerCore& core, long long id) {
    core.enable(id);
    if (const std::string warning = noMoreFires(core, id); !warning.empty()) std::fprintf(stderr, "%s\n", warning.c_str());
}

long long addEvent(const std::string& kind, const EventOptions& options) {
    // Checked once the other options have been, so each refusal names its own fault.
    const auto requireCommand = [&] {
        if (!options.command) throw Error("--command is required: the command line the event runs");
    };
    CommandCore core(true);
    long long id = 0;
    if (kind == "time") {
        ActionFields action;
        action.name = core->proposedName(EventKind::Time);
        applyActionOptions(options, action);
        // As the window proposes it: starting now.
        const LocalDateTime now = toLocalDateTime(nowStamp(SystemClock::instance()));
        TimeEventForm form = TimeEventForm::defaults(now);
        form.startTimeMs = ((now.hour * 60 + now.minute) * 60 + now.second) * 1000;
        applyTimeOptions(options, form);
        requireCommand();
        id = core->addTimeEvent(action, form);
    } else if (kind == "file") {
        FileEventForm form;
        form.action.name = core->proposedName(EventKind::File);
        applyFileOptions(options, form);
        requireCommand();
        id = core->addFileEvent(form);
    } else {
        WebEventForm form;
        form.action.name = core->proposedName(EventKind::Web);
        applyWebOptions(options, form);
        requireCommand();
        id = core->addWebEvent(form);
    }
    if (options.enable) enableEvent(*core, id);
    return id;
}

void changeEvent(long long id, const EventOptions& options) {
    CommandCore core(true);
    const EventRecord record = core->record(id);
    const std::optional<EventKind> kind = record.kind();
    if (kind == EventKind::Time) {
        auto [action, form] = core->timeEventForm(id);
        applyActionOptions(options, action);
        applyTimeOptions(options, form);
        core->editTimeEvent(id, action, form);
    } else if (kind == EventKind::File) {
        FileEventForm form = core->fileEventForm(id);
        applyFileOptions(options, form);
        core->editFileEvent(id, form);
    } else if (kind == EventKind::Web) {
        WebEventForm form = core->webEventForm(id);
        applyWebOptions(options, form);
        core->editWebEvent(id, form);
    } else {
        throw Error("Event " + std::to_string(id) + " cannot be edited: its FILE is '" + record.file + "'");
    }
    if (options.enable) enableEvent(*core, id);
}

void editEvent(long long id, const EventOptions& options) {
    changeEvent(id, options);
    if (!options.enable)
        std::printf("Event %lld is now Disabled, as every edited event is; \"orvaloctl enable %lld\" (or --enable) "
                    "enables it again\n",
                    id, id);
}

void clearAll(bool yes) {
    if (!yes) {
        if (!standardInputIsTerminal()) throw Error("Really all delete ? Give --yes to confirm without a terminal");
        std::printf("%s [y/N] ", ManagerCore::kClearQuestion);
        std::fflush(stdout);
        std::string answer;
        std::getline(std::cin, answer);
        if (answer != "y" && answer != "Y" && answer != "yes") return;
    }
    CommandCore core(true);
    core->clearAll();
}

// Exit status 0 when the service ends in the state the command is for.
int serviceCommand(const std::string& action) {
    CommandCore core(action != "status");
    if (action == "install") {
        say(core->installService());
        return core->serviceState() == ServiceState::Running ? 0 : 1;
    }
    if (action == "uninstall") {
        say(core->uninstallService());
        return 0;
    }
    if (action == "update") {
        const std::string message = core->updateService();
        say(message);
        return message == ManagerCore::kServiceUpdated ? 0 : 1;
    }
    if (action == "start") core->startService();
    if (action == "stop") core->stopService();
    const ServiceState state = core->serviceState();
    std::printf("Service: %s\nEvents run by: %s\n", serviceStateName(state), core->serviceMode() ? "Service" : "Application");
    if (action == "start") return state == ServiceState::Running ? 0 : 1;
    if (action == "stop") return state == ServiceState::Running ? 1 : 0;
    return 0;
}

struct StartupOptions {
    bool on = false, off = false, allUsers = false, currentUser = false;
    std::string mode;
};

void startupCommand(const StartupOptions& o) {
    CommandCore core(o.on || o.off || o.allUsers || o.currentUser || !o.mode.empty());
    ManagerSettings s = core->settings();
    if (o.on || o.off || o.allUsers || o.currentUser || !o.mode.empty()) {
        core->setStartupOptions(o.on || (s.appStart && !o.off), o.allUsers || (s.appStartAllUsers && !o.currentUser),
                                o.mode.empty() ? s.appStartMode : (o.mode == "tray" ? 0 : 1));
        s = core->settings();
    }
    std::printf("Start after login: %s\nFor all users: %s\nStartup mode: %s\n", s.appStart ? "yes" : "no",
                s.appStartAllUsers ? "yes" : "no", s.appStartMode == 0 ? "Minimize (tray)" : "Normal");
}

struct MailOptions {
    std::optional<std::string> senderName, sender, login, password, server, resultMail;
    bool passwordStdin = false, test = false;
    bool changes() const { return senderName || sender || login || password || server || passwordStdin || resultMail; }
};

int emailCommand(MailOptions o) {
    if (o.passwordStdin) {
        std::string line;
        std::getline(std::cin, line);
        o.password = line;
    }
    CommandCore core(o.changes() || o.test);
    MailSettings mail = core->settings().mail;
    if (o.senderName) mail.senderName = *o.senderName;
    if (o.sender) mail.senderEmail = *o.sender;
    if (o.login) mail.login = *o.login;
    if (o.password) mail.password = *o.password;
    if (o.server) mail.smtpServer = *o.server;
    if (o.resultMail) core->setResultMail(*resultMailOf(*o.resultMail));
    if (o.test) {
        const std::string outcome = core->saveAndTestMail(mail);
        say(outcome);
        return outcome == ManagerCore::kMailSettingsOk ? 0 : 1;
    }
    if (o.changes()) core->setMailSettings(mail);
    std::printf("Sender name: %s\nSender e-mail adress: %s\nLogin: %s\nPassword: %s\nServer SMTP: %s\nNotify e-mail: %s\n"
                "Result mail: %s\n",
                mail.senderName.c_str(), mail.senderEmail.c_str(), mail.login.c_str(),
                mail.password.empty() ? "" : "********", mail.smtpServer.c_str(), core->settings().notifyEmail.c_str(),
                resultMailName(core->settings().resultMail));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"orvaloctl: Orvalo's commands for terminals and scripts. The event list is L.csv in the "
                 "program folder: ORVALO_HOME when set, else the folder of this program, or ~/.local/share/orvalo "
                 "when that folder is not yours to write in."};
    app.require_subcommand(1);

    bool json = false;
    auto* list = app.add_subcommand("list", "Show every event with the grid's columns");
    list->add_flag("--json", json, "A JSON array with one object per event, every field by its name");

    long long id = 0;
    auto* show = app.add_subcommand("show", "Every field of an event, and its schedule in words");
    show->add_option("ID", id, "The event's ID")->required();

    int count = 10;
    std::string from;
    auto* next = app.add_subcommand("next", "The fire times a time event would have if it were enabled now");
    next->add_option("ID", id, "The event's ID")->required();
    next->add_option("--count", count, "How many fire times (default 10)")->check(CLI::PositiveNumber);
    next->add_option("--from", from, "Activate at this moment, \"YYYY-MM-DD HH:MM:SS\" (default now)");

    EventOptions options;
    auto* addTime = app.add_subcommand("add-time", "Add a time event (disabled); prints its ID");
    addEventOptions(*addTime, options, OptionSet::Time);
    auto* addFile = app.add_subcommand("add-file", "Add a file event (disabled); prints its ID");
    addEventOptions(*addFile, options, OptionSet::File);
    auto* addWeb = app.add_subcommand("add-web", "Add a web event (disabled); prints its ID");
    addEventOptions(*addWeb, options, OptionSet::Web);
    auto* edit = app.add_subcommand("edit", "Change an event; options not given keep their values. The event is "
                                            "disabled afterwards");
    edit->add_option("ID", id, "The event's ID")->required();
    addEventOptions(*edit, options, OptionSet::Edit);

    auto* enable = app.add_subcommand("enable", "Enable an event");
    enable->add_option("ID", id, "The event's ID")->required();
    auto* disable = app.add_subcommand("disable", "Disable an event");
    disable->add_option("ID", id, "The event's ID")->required();
    auto* remove = app.add_subcommand("delete", "Events are not deleted one by one: disable it instead");
    remove->add_option("ID", id, "The event's ID")->required();
    bool yes = false;
    auto* clear = app.add_subcommand("clear", "Delete all events");
    clear->add_flag("--yes", yes, "Do not ask \"Really all delete ?\"");
    auto* test = app.add_subcommand("test", "Run the event's command once and change nothing; with kill minutes, "
                                            "ask it to close after 10 s");
    test->add_option("ID", id, "The event's ID")->required();

    HistoryOptions historyOptions;
    auto* history = app.add_subcommand("history", "The runs of the events, newest first");
    history->add_option("ID", historyOptions.event, "Only this event's runs");
    history->add_option("--limit", historyOptions.limit, "How many runs (default 50)")->check(CLI::PositiveNumber);
    history->add_flag("--failed", historyOptions.failed, "Only runs that failed");
    history->add_option("--since", historyOptions.since, "Only runs started at or after \"YYYY-MM-DD HH:MM:SS\"");
    history->add_flag("--json", historyOptions.json, "A JSON array with one object per run");
    long long runNumber = 0;
    auto* output = app.add_subcommand("output", "The output a run captured (the last bytes of it), as it was");
    output->add_option("RUN", runNumber, "The run's number (see history)")->required();

    std::string serviceAction;
    auto* service = app.add_subcommand("service", "Install, uninstall, update (hand it the list), start, stop the "
                                                  "service, or show its status");
    service->add_option("ACTION", serviceAction, "install, uninstall, update, start, stop or status")
        ->required()
        ->check(CLI::IsMember({"install", "uninstall", "update", "start", "stop", "status"}));

    bool serviceLog = false;
    auto* log = app.add_subcommand("log", "Print the application log (applog.txt)");
    log->add_flag("--service", serviceLog, "Print the service log (slog.txt)");

    StartupOptions startup;
    auto* startupCmd = app.add_subcommand("startup", "Start the Orvalo window with the login; without options, "
                                                     "show the choice");
    auto* on = startupCmd->add_flag("--on", startup.on, "Start after login");
    startupCmd->add_flag("--off", startup.off, "Do not start after login")->excludes(on);
    auto* allUsers = startupCmd->add_flag("--all-users", startup.allUsers, "For all users");
    startupCmd->add_flag("--current-user", startup.currentUser, "For the current user only")->excludes(allUsers);
    startupCmd->add_option("--mode", startup.mode, "tray (start hidden in the tray) or normal")
        ->check(CLI::IsMember({"tray", "normal"}));

    MailOptions mail;
    auto* email = app.add_subcommand("email", "Set the SMTP account of the info e-mails; without options, show it");
    email->add_option("--sender-name", mail.senderName, "Sender name");
    email->add_option("--sender", mail.sender, "Sender e-mail address");
    email->add_option("--login", mail.login, "SMTP login");
    auto* password = email->add_option("--password", mail.password, "SMTP password (visible to other users; see "
                                                                      "--password-stdin)");
    email->add_flag("--password-stdin", mail.passwordStdin, "Read the password from the first line of standard input")
        ->excludes(password);
    email->add_option("--server", mail.server, "SMTP server, host or host:port (port 25 by default)");
    email->add_option("--result-mail", mail.resultMail,
                      "Mail each run's result to the notify address: never (the default), failure or always")
        ->check(CLI::IsMember({"never", "failure", "always"}));
    email->add_flag("--test", mail.test, "Save, then connect to the server: \"Nastavení v pořádku.\" or \"ERROR: \"");

    std::string address;
    auto* notify = app.add_subcommand("notify", "Set the address that receives the info e-mails");
    notify->add_option("ADDRESS", address, "The address (\"\" for none)")->required();

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        // --help is not an error; every other refusal of the command line is status 1.
        return app.exit(e) == 0 ? 0 : 1;
    }
    try {
        if (*list) listEvents(json);
        else if (*show) showEvent(id);
        else if (*next) printNextFires(id, count, from);
        else if (*addTime) std::printf("%lld\n", addEvent("time", options));
        else if (*addFile) std::printf("%lld\n", addEvent("file", options));
        else if (*addWeb) std::printf("%lld\n", addEvent("web", options));
        else if (*edit) editEvent(id, options);
        else if (*enable) enableEvent(*CommandCore(true), id);
        else if (*disable) CommandCore(true)->disable(id);
        else if (*remove) throw Error(ManagerCore::kOnlyDisable);
        else if (*clear) clearAll(yes);
        else if (*test) CommandCore(false)->testAction(id);
        else if (*history) printHistory(historyOptions);
        else if (*output) printOutput(runNumber);
        else if (*service) return serviceCommand(serviceAction);
        else if (*log) {
            if (!printLog(serviceLog)) std::fprintf(stderr, "There is no %s yet\n", serviceLog ? "slog.txt" : "applog.txt");
        } else if (*startupCmd) startupCommand(startup);
        else if (*email) return emailCommand(mail);
        else if (*notify) CommandCore(true)->setNotifyEmail(address);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
