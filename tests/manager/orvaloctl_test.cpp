// orvaloctl run as a program on a temporary program folder.
#include <cstdio>
#include <gtest/gtest.h>
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>
#include <vector>

#include "eventlist/csv_data_set.h"
#include "eventlist/event_record.h"
#include "eventlist/settings_file.h"
#include "platform/folder_lock.h"
#include "support/temp_folder.h"

namespace orvalo {
namespace {

const std::string kHourly =
    "# Schedule: Generic\r\nStart.Date = 2026/12/01\r\nStart.Time = 08:00:00.000\r\n# Schedule: Recurring info\r\n"
    "Recur type = srkDaily\r\n# Schedule: End info\r\nEnd type = sekNone\r\n# Schedule: Day frequency\r\n"
    "Frequency start = 08:00:00.000\r\nFrequency end = 17:00:00.000\r\nFrequency interval = 01:00:00.000\r\n"
    "# Schedule: Daily info\r\nDaily interval = 1\r\n";

// The events of a list file without the fields a run changes (STATE, LASTRUN).
std::vector<EventRecord> eventsOf(const std::filesystem::path& file) {
    CsvDataSet table;
    configureEventListTable(table, file.string(), false);
    table.open();
    std::vector<EventRecord> events;
    for (table.first(); !table.eof(); table.next()) {
        EventRecord record = readEventRecord(table);
        record.state.clear();
        record.lastRun.clear();
        events.push_back(record);
    }
    return events;
}

class OrvaloctlTest : public ::testing::Test {
protected:
    OrvaloctlTest() {
        EventRecord time = makeTimeEvent(0, {"Hourly \"job\"", "backup;now", "Normal", 5}, "12/01/26 08:00:00", kHourly);
        FileCondition file;
        file.path = "/srv/in.csv";
        writeEventListFile(home_ / "L.csv", {time, makeFileEvent(1000, {"Watch", "import", "Hide", 0}, file)});
    }
    std::pair<int, std::string> run(const std::string& arguments, const std::string& environment = "") {
        // The service backend and the autostart folder stay inside the test's folder.
        const std::string command = environment + " ORVALO_HOME=" + home_.path().string() + " ORVALO_SCM=direct ORVALO_SCM_DIR=" +
                                    (home_ / "scm").string() + " XDG_CONFIG_HOME=" + (home_ / "config").string() +
                                    " " + ORVALO_BIN_DIR + "/orvaloctl " + arguments + " 2>&1";
        std::FILE* pipe = ::popen(command.c_str(), "r");
        std::string output;
        char buffer[512];
        while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) output += buffer;
        return {WEXITSTATUS(::pclose(pipe)), output};
    }
    test::TempFolder home_;
};

TEST_F(OrvaloctlTest, ListShowsTheGridColumns) {
    const auto [status, output] = run("list");
    EXPECT_EQ(status, 0);
    EXPECT_EQ(output,
              "ID\tEvent name\tStart Date-time\tCommand to execute\tState\tActive\tLast run\tStart mode\tKill after(min)\t"
              "Last result\n"
              "0\tHourly \"job\"\t12/01/26 08:00:00\tbackup;now\tWaiting\tDisabled\t\tNormal\t5\t\n"
              "1000\tWatch\t[File on create]: /srv/in.csv\timport\tWaiting\tDisabled\t\tHide\t0\t\n");
}

TEST_F(OrvaloctlTest, ListAsJsonGivesEveryFieldAsTheTableReadsIt) {
    const auto [status, output] = run("list --json");
    EXPECT_EQ(status, 0);
    EXPECT_NE(output.find("{\"ID\": \"0\", \"NAME\": \"Hourly \\\"job\\\"\", "), std::string::npos) << output;
    EXPECT_NE(output.find("\"CFG_SAVE\": \"# Schedule: Generic\\\\r\\\\nStart.Date"), std::string::npos) << output;
    EXPECT_NE(output.find("\"W_CHECK_CNT\": \"0\", \"last_result\": \"\"}\n]\n"), std::string::npos) << output;
}

TEST_F(OrvaloctlTest, NextPrintsTheFireTimesFromAMoment) {
    EXPECT_EQ(run("next 0 --count 3 --from \"2026-12-11 16:30:00\""),
              (std::pair<int, std::string>{0, "2026-12-11 17:00:00.000\n2026-12-12 08:00:00.000\n2026-12-12 09:00:00.000\n"}));
    EXPECT_EQ(run("next 1000"), (std::pair<int, std::string>{1, "Event 1000 is not a time event\n"}));
    EXPECT_EQ(run("next 5"), (std::pair<int, std::string>{1, "There is no event 5\n"}));
    EXPECT_EQ(run("next 0 --from tomorrow").first, 1);
    EXPECT_NE(run("next").first, 0);  // the ID is required
}

TEST_F(OrvaloctlTest, ShowGivesEveryFieldAndTheScheduleInWords) {
    const auto [status, output] = run("show 0");
    EXPECT_EQ(status, 0);
    EXPECT_NE(output.find("NAME:            Hourly \"job\"\n"), std::string::npos) << output;
    EXPECT_NE(output.find("KILL_AFTER_MINS: 5\n"), std::string::npos) << output;
    EXPECT_EQ(output.find("CFG_SAVE"), std::string::npos);
    EXPECT_NE(output.find("Schedule:        every day, every hour from 08:00:00 to 17:00:00; from 2026-12-01 08:00:00; "
                          "no end\n"),
              std::string::npos)
        << output;
    EXPECT_EQ(run("show 1000").second.find("Schedule:"), std::string::npos);
}

TEST_F(OrvaloctlTest, EnableDisableDeleteAndClear) {
    EXPECT_EQ(run("enable 0"), (std::pair<int, std::string>{0, ""}));
    EXPECT_EQ(run("enable 1000"), (std::pair<int, std::string>{0, ""}));
    EXPECT_NE(run("list").second.find("\tWaiting\tEnabled\t\tNormal\t5\t\n"), std::string::npos);
    EXPECT_EQ(run("disable 0").first, 0);
    EXPECT_NE(run("list").second.find("\tWaiting\tDisabled\t\tNormal\t5\t\n"), std::string::npos);
    EXPECT_EQ(run("enable 7"), (std::pair<int, std::string>{1, "There is no event 7\n"}));
    EXPECT_EQ(run("delete 0"), (std::pair<int, std::string>{1, "Only disable event.\n"}));
    EXPECT_EQ(run("clear < /dev/null").first, 1);  // no terminal and no --yes: nothing is deleted
    EXPECT_NE(run("list").second.find("1000\t"), std::string::npos);
    EXPECT_EQ(run("clear --yes"), (std::pair<int, std::string>{0, ""}));
    EXPECT_EQ(run("list").second,
              "ID\tEvent name\tStart Date-time\tCommand to execute\tState\tActive\tLast run\tStart mode\tKill after(min)\t"
              "Last result\n");
}

TEST_F(OrvaloctlTest, AddsFollowTheDialogsControls) {
    struct Case {
        std::string arguments;
        std::string id;
        std::vector<std::string> expected;  // lines of "show"
    };
    const std::vector<Case> cases = {
        {"add-time --command 'run.sh' --kill 3 --mode Hide --start '2026-12-01 06:00:00' --type daily --every-days 2 "
         "--once-at 07:15:00 --end-count 4",
         "1",
         {"NAME:            Event2", "COMMANDLINE:     run.sh", "START_MODE:      Hide", "KILL_AFTER_MINS: 3",
          "ACTIVE:          Disabled",
          "Schedule:        every 2 days, once at 07:15:00; from 2026-12-01 06:00:00; ends after 4 runs"}},
        {"add-time --name Reports --command r --start '2026-12-01 00:00:00' --type weekly --weeks 2 --days mon,wed,sun --every 30 "
         "--unit min --between 08:00:00 --and 12:00:00",
         "2",
         {"NAME:            Reports",
          "Schedule:        every 2 weeks on Monday, Wednesday, Sunday, every 30 minutes from 08:00:00 to 12:00:00; "
          "from 2026-12-01 00:00:00; no end"}},
        {"add-time --command m --start '2026-12-01 00:00:00' --type monthly --index last --kind friday --months 3 --once-at 18:00:00",
         "3", {"Schedule:        the last Friday of every 3 months, once at 18:00:00; from 2026-12-01 00:00:00; no end"}},
        {"add-time --command y --start '2026-12-01 00:00:00' --type yearly --day 24 --month dec --end-date '2030-12-31 23:00:00'",
         "4", {"Schedule:        day 24 of December, every year, once at 00:00:00; from 2026-12-01 00:00:00; until "
               "2030-12-31 23:00:00"}},
        {"add-file --command f --path /srv/drop.csv --run every --when changes --cycles 3 --wait 2 --email --log", "1001",
         {"NAME:            Event1002", "DATE:            [File change]: /srv/drop.csv", "F_RUNMODE:       1",
          "F_EXIST:         0", "F_ENUMEND:       3", "F_LOOPWAIT:      2", "EMAIL:           1", "LOG:             1"}},
        {"add-file --command f --path /srv/flag --infinite", "1002", {"F_EXIST:         1", "F_INFINITY:      1", "F_ONE_EXEC:      0"}},
        {"add-web --command w --url http://example.org/ --every 5 --when not-exists --string ready --log", "10000",
         {"NAME:            Event10001", "DATE:            [WebRequest]:5 http://example.org/", "W_URL:           "
          "http://example.org/", "W_EXIST:         0", "W_STR:           ready", "W_CHECK:         5", "LOG:             1"}},
    };
    for (const Case& c : cases) {
        const auto [status, output] = run(c.arguments);
        EXPECT_EQ(status, 0) << c.arguments << "\n" << output;
        EXPECT_EQ(output, c.id + "\n") << c.arguments;
        const std::string shown = run("show " + c.id).second;
        for (const std::string& line : c.expected)
            EXPECT_NE(shown.find(line + "\n"), std::string::npos) << c.arguments << "\nwants: " << line << "\n" << shown;
    }
}

TEST_F(OrvaloctlTest, EditKeepsWhatIsNotGivenAndLeavesTheEventDisabled) {
    ASSERT_EQ(run("enable 0").first, 0);
    EXPECT_EQ(run("edit 0 --once-at 06:30:00 --command nightly.sh"),
              (std::pair<int, std::string>{0, "Event 0 is now Disabled, as every edited event is; \"orvaloctl enable 0\" "
                                              "(or --enable) enables it again\n"}));
    const std::string shown = run("show 0").second;
    EXPECT_NE(shown.find("NAME:            Hourly \"job\"\n"), std::string::npos) << shown;
    EXPECT_NE(shown.find("COMMANDLINE:     nightly.sh\n"), std::string::npos) << shown;
    EXPECT_NE(shown.find("KILL_AFTER_MINS: 5\n"), std::string::npos) << shown;
    EXPECT_NE(shown.find("ACTIVE:          Disabled\n"), std::string::npos) << shown;
    EXPECT_NE(shown.find("Schedule:        every day, once at 06:30:00; from 2026-12-01 08:00:00; no end\n"),
              std::string::npos)
        << shown;
    EXPECT_EQ(run("edit 1000 --when changes --no-log --wait 4").first, 0);
    const std::string file = run("show 1000").second;
    EXPECT_NE(file.find("DATE:            [File change]: /srv/in.csv\n"), std::string::npos) << file;
    EXPECT_NE(file.find("F_LOOPWAIT:      4\n"), std::string::npos) << file;
    EXPECT_NE(file.find("NAME:            Watch\n"), std::string::npos) << file;
}

// An event that will not fire again says so, with the reason, where a user looks:
// "next" and "enable".
TEST_F(OrvaloctlTest, AnEventThatWillNotFireAgainSaysWhy) {
    ASSERT_EQ(run("add-time --command true --start '2020-01-01 08:00:00'").second, "1\n");
    const std::string oneShot = "Event 1 will not fire again: it is a one-shot event whose moment, 2020-01-01 08:00:00, "
                                "has passed\n";
    EXPECT_EQ(run("next 1"), (std::pair<int, std::string>{0, oneShot}));
    EXPECT_EQ(run("enable 1"), (std::pair<int, std::string>{0, oneShot}));
    ASSERT_EQ(run("add-time --command true --start '2020-01-01 08:00:00' --type daily --end-date '2021-01-01 00:00:00'")
                  .second,
              "2\n");
    EXPECT_EQ(run("next 2").second, "Event 2 will not fire again: its end, 2021-01-01 00:00:00, has passed\n");
    ASSERT_EQ(run("add-time --command true --start '2020-01-01 08:00:00' --type daily --end-count 3").second, "3\n");
    EXPECT_EQ(run("next 3").second, "Event 3 will not fire again: its 3 events since its start, 2020-01-01 08:00:00, "
                                    "have all fallen due\n");
    EXPECT_EQ(run("enable 0").second, "");  // hourly, no end
}

// --enable leaves an added or edited event enabled in one step; an edit says that
// the event is disabled otherwise.
TEST_F(OrvaloctlTest, AddAndEditCanEnableInOneStep) {
    ASSERT_EQ(run("add-time --command true --type daily --once-at 06:00:00 --enable").second, "1\n");
    EXPECT_NE(run("show 1").second.find("ACTIVE:          Enabled\n"), std::string::npos);
    EXPECT_EQ(run("edit 1 --name Morning --enable"), (std::pair<int, std::string>{0, ""}));
    EXPECT_NE(run("show 1").second.find("ACTIVE:          Enabled\n"), std::string::npos);
    EXPECT_NE(run("edit 1 --name Again").second.find("Event 1 is now Disabled"), std::string::npos);
    ASSERT_EQ(run("add-file --command true --path /srv/x --enable").second, "1001\n");
    EXPECT_NE(run("show 1001").second.find("ACTIVE:          Enabled\n"), std::string::npos);
}

TEST_F(OrvaloctlTest, BadValuesAreRefusedBeforeAnythingIsWritten) {
    const std::string before = test::readFile(home_ / "L.csv");
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"add-time --command true --type daily --weeks 2", "--weeks/--days applies only to weekly events\n"},
        {"add-time --command true --type hourly", "--type: 'hourly' is not one of one-shot, daily, weekly, monthly, yearly\n"},
        {"add-time --command true --start '2026-02-30 00:00:00'", "'2026-02-30 00:00:00' is not a date of the calendar\n"},
        {"add-time --command true --type daily --every-days 0x2", "Every ... day(s): '0x2' is not a whole number from 0 to 4294967295\n"},
        {"add-time --command true --kill 1.5", "Kill event after: '1.5' is not a whole number of minutes from 0 to 525600 (one year)\n"},
        {"add-time --command true --kill 525601", "Kill event after: '525601' is not a whole number of minutes from 0 to 525600 (one year)\n"},
        {"add-time --command " + std::string(301, 'c'), "Execute command: at most 300 bytes fit, this text has 301\n"},
        {"add-time --command true --once-at 25:00:00", "'25:00:00' is not a time of day of the form HH:MM:SS\n"},
        {"add-time --command true --type weekly --days mon,funday", "--days: 'funday' is not one of mon, tue, wed, thu, fri, sat, sun\n"},
        {"add-time --path /x", "The following arguments were not expected: /x --path\nRun with --help for more information.\n"},
        {"edit 0 --path /x", "File and web event options do not apply to a time event\n"},
        {"add-file --command true --when changes --infinite", "--infinite applies only with --when exists\n"},
        {"add-file --command true --cycles many", "Number of cycles to end: 'many' is not a whole number from 0 to 2147483647\n"},
        {"add-web --command true --every 0x", "Check every: '0x' is not a whole number from 0 to 2147483647\n"},
        {"edit 1000 --every 5", "Time and web event options do not apply to a file event\n"},
        {"edit 0 --end-count -1", "Event count: '-1' is not a whole number from 0 to 4294967295\n"},
        {"edit 42 --name x", "There is no event 42\n"},
        {"add-time --name x", "--command is required: the command line the event runs\n"},
        {"add-time --command true --once-at 06:00:00",
         "--once-at, --every, --unit, --between and --and set the times of day of a recurring event; a one-shot event "
         "fires once, at --start \"YYYY-MM-DD HH:MM:SS\" (or give --type daily)\n"},
        {"add-time --command true --every 5 --unit s",
         "--once-at, --every, --unit, --between and --and set the times of day of a recurring event; a one-shot event "
         "fires once, at --start \"YYYY-MM-DD HH:MM:SS\" (or give --type daily)\n"},
        {"add-time --command true --end-count 3", "A one-shot event has no end: it fires once, at --start\n"},
        {"add-time --command true --type daily --every 0", "--every: 0 is no interval; give a whole number above 0 (and --unit)\n"},
        {"add-web --command true --every 0", "--every: 0 minutes would never check the page; give 1 or more\n"},
        {"add-file --command true --path /tmp", "Path and full filename: /tmp is a folder; a file event watches one file\n"},
        {"add-file --command true --path /dev/null",
         "Path and full filename: /dev/null is not a regular file (a FIFO, socket or device); a file event watches one "
         "file\n"},
    };
    for (const auto& [arguments, message] : cases) {
        const auto [status, output] = run(arguments);
        EXPECT_EQ(status, 1) << arguments;
        EXPECT_EQ(output, message) << arguments;
    }
    EXPECT_EQ(test::readFile(home_ / "L.csv"), before);
}

TEST_F(OrvaloctlTest, ChangesWaitForNoWindowButAreRefusedWhileOneHoldsTheList) {
    const std::string before = test::readFile(home_ / "L.csv");
    {
        FolderLock window;
        ASSERT_TRUE(window.take(home_.path(), std::chrono::milliseconds(0)));
        EXPECT_EQ(run("enable 0"),
                  (std::pair<int, std::string>{1, "The event list is in use by a running Orvalo window; make the change "
                                                  "there, or close the window first\n"}));
        EXPECT_EQ(run("list").first, 0);  // reading needs no lock
    }
    EXPECT_EQ(test::readFile(home_ / "L.csv"), before);
    EXPECT_EQ(run("enable 0").first, 0);
}

TEST_F(OrvaloctlTest, StartupEmailAndNotifyGoToTheSettings) {
    EXPECT_EQ(run("startup --on --mode tray"),
              (std::pair<int, std::string>{0, "Start after login: yes\nFor all users: no\nStartup mode: Minimize (tray)\n"}));
    const std::string entry = test::readFile(home_ / "config" / "autostart" / "Orvalo.desktop");
    // The window started with the login opens the same folder.
    EXPECT_NE(entry.find("Exec=env ORVALO_HOME=" + home_.path().string() + " " + ORVALO_BIN_DIR + "/Orvalo -tray\n"),
              std::string::npos)
        << entry;
    EXPECT_EQ(run("startup --off").first, 0);
    EXPECT_FALSE(std::filesystem::exists(home_ / "config" / "autostart" / "Orvalo.desktop"));

    EXPECT_EQ(run("notify ops@example.org").first, 0);
    test::writeFile(home_ / "password", "s3cret\n");
    EXPECT_EQ(run("email --server 127.0.0.1:1 --login bot --password-stdin < " + (home_ / "password").string()).first, 0);
    const auto [status, output] = run("email --test");
    EXPECT_EQ(status, 1);
    EXPECT_EQ(output.rfind("ERROR: ", 0), 0u) << output;
    const ManagerSettings saved = SettingsFile(home_ / "Orvalo.ini").readManager();
    EXPECT_EQ(saved.notifyEmail, "ops@example.org");
    EXPECT_EQ(saved.mail.smtpServer, "127.0.0.1:1");
    EXPECT_EQ(saved.mail.password, "s3cret");
    EXPECT_EQ(run("email").second.find("s3cret"), std::string::npos);
}

TEST_F(OrvaloctlTest, TheServiceRunsTheListItIsHanded) {
    const auto ran = home_ / "ran.txt";
    std::filesystem::create_directories(home_ / "scm");
    ASSERT_EQ(run("clear --yes").first, 0);
    ASSERT_EQ(run("add-time --type daily --every 1 --unit s --command 'echo tick >> " + ran.string() + "'").second, "0\n");
    ASSERT_EQ(run("enable 0").first, 0);
    EXPECT_EQ(run("service install"), (std::pair<int, std::string>{0, "Service instaled and running.\n"}));
    EXPECT_TRUE(SettingsFile(home_ / "Orvalo.ini").readManager().serviceActive);
    // The service may already have run the every-second event and stamped its copy.
    EXPECT_EQ(eventsOf(home_ / "sl.csv"), eventsOf(home_ / "L.csv"));
    const auto seen = [&](const std::string& text) {
        for (int i = 0; i < 200; ++i) {
            if (test::readFile(home_ / "slog.txt").find(text) != std::string::npos) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    };
    EXPECT_TRUE(seen("Active event 0 (echo tick"));

    // A second event reaches the service with the update.
    ASSERT_EQ(run("add-time --name Second --type daily --every 1 --unit s --command true").second, "1\n");
    ASSERT_EQ(run("enable 1").first, 0);
    EXPECT_EQ(run("service update"), (std::pair<int, std::string>{0, "Service update succesfully.\n"}));
    EXPECT_TRUE(seen("Active event 1 (true"));
    EXPECT_EQ(run("service status").second, "Service: running\nEvents run by: Service\n");

    const auto [status, output] = run("service uninstall");
    EXPECT_EQ(status, 0);
    EXPECT_EQ(output, "Service uninstaled.\n");
    EXPECT_FALSE(SettingsFile(home_ / "Orvalo.ini").readManager().serviceActive);
    EXPECT_EQ(run("service status").second, "Service: not installed\nEvents run by: Application\n");
}

// A service that does not stop (here: frozen) makes update, install and uninstall
// fail with the reason and change nothing: no list is copied while it still runs.
TEST_F(OrvaloctlTest, AServiceThatDoesNotStopLeavesTheListsAsTheyWere) {
    std::filesystem::create_directories(home_ / "scm");
    ASSERT_EQ(run("service install").first, 0);
    const pid_t pid = std::stoi(test::readFile(home_ / "scm" / "Orvalo.pid"));
    ASSERT_EQ(::kill(pid, SIGSTOP), 0);
    ASSERT_EQ(run("add-time --name New --command true").first, 0);
    const std::string list = test::readFile(home_ / "L.csv");
    const std::string serviceList = test::readFile(home_ / "sl.csv");
    ASSERT_NE(list, serviceList);
    const std::string reason = "The service did not stop within 2 s; it still runs as process " + std::to_string(pid) + "\n";
    for (const char* command : {"update", "install", "uninstall"}) {
        const auto [status, output] = run(std::string("service ") + command, "ORVALO_SCM_STOP_SECONDS=2");
        EXPECT_EQ(status, 1) << command;
        EXPECT_EQ(output, std::string("The service did not stop, so the ") + command + " changed nothing: " + reason);
        EXPECT_EQ(test::readFile(home_ / "L.csv"), list) << command;
        EXPECT_EQ(test::readFile(home_ / "sl.csv"), serviceList) << command;
        EXPECT_TRUE(SettingsFile(home_ / "Orvalo.ini").readManager().serviceActive) << command;
    }
    ::kill(pid, SIGCONT);  // it takes the stop requests it got meanwhile
    for (int i = 0; i < 400 && run("service status").second.find("stopped") == std::string::npos; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(run("service update"), (std::pair<int, std::string>{0, "Service update succesfully.\n"}));
    EXPECT_EQ(test::readFile(home_ / "sl.csv"), list);
}

// Root hands no list to the service that another user could have written: install
// and update refuse, naming the path, its owner and its mode, and change nothing.
TEST_F(OrvaloctlTest, RootHandsTheServiceNoFilesOthersCouldChange) {
    if (::geteuid() != 0) GTEST_SKIP() << "handing files to another user needs root";
    std::filesystem::create_directories(home_ / "scm");
    ASSERT_EQ(::chown((home_ / "L.csv").c_str(), 65534, 65534), 0);
    for (const char* command : {"install", "update"}) {
        const auto [status, output] = run(std::string("service ") + command);
        EXPECT_EQ(status, 1) << command;
        EXPECT_EQ(output, "The service runs as root, so " + (home_ / "L.csv").string() +
                              " must belong to root and be writable by its owner only; it belongs to nobody (uid "
                              "65534) with mode 0600\n")
            << command;
        EXPECT_FALSE(std::filesystem::exists(home_ / "sl.csv")) << command;
    }
    EXPECT_EQ(run("service status").second, "Service: not installed\nEvents run by: Application\n");
}

// What a job did, from the shell: a service run's exit status in the history and
// both of its output streams, byte for byte.
TEST_F(OrvaloctlTest, AServiceRunsResultAndOutputAreInTheHistory) {
    std::filesystem::create_directories(home_ / "scm");
    ASSERT_EQ(run("clear --yes").first, 0);
    ASSERT_EQ(run("add-time --name Job --type daily --every 1 --unit s --command 'echo OUT; echo ERR >&2; exit 7' "
                  "--enable")
                  .second,
              "0\n");
    ASSERT_EQ(run("service install").first, 0);
    std::string history;
    for (int i = 0; i < 200 && history.find("\"exit_code\": 7") == std::string::npos; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        history = run("history 0 --limit 5 --json").second;
    }
    EXPECT_NE(history.find("\"event\": 0, \"name\": \"Job\", \"trigger\": \"time\""), std::string::npos) << history;
    EXPECT_NE(history.find("\"exit_code\": 7, \"signal\": null, \"killed\": false, \"stopped\": false"),
              std::string::npos)
        << history;
    const auto at = history.find("{\"run\": ");
    ASSERT_NE(at, std::string::npos);
    const long long number = std::stoll(history.substr(at + 8));
    EXPECT_EQ(run("output " + std::to_string(number)), (std::pair<int, std::string>{0, "OUT\nERR\n"}));
    EXPECT_EQ(run("output 999999"), (std::pair<int, std::string>{1, "There is no run 999999\n"}));
    EXPECT_NE(run("history --failed").second.find("\tJob\ttime\t"), std::string::npos);
    EXPECT_NE(run("show 0").second.find("Last result:     exit 7\n"), std::string::npos);
    EXPECT_EQ(run("service uninstall").first, 0);
}

// A NUL byte is a read error that names its line; the list is not written back
// (once, "enable 0" on such a list rewrote it with the rows before the NUL).
TEST_F(OrvaloctlTest, AListWithANulByteIsRefusedAndKept) {
    std::string text = test::readFile(home_ / "L.csv");
    const auto secondRow = text.find("\r\n", text.find("\r\n") + 2) + 2;
    text.insert(secondRow + 3, 1, '\0');
    test::writeFile(home_ / "L.csv", text);
    const auto [status, output] = run("enable 0");
    EXPECT_EQ(status, 1);
    EXPECT_EQ(output, (home_ / "L.csv").string() + ": The list holds a NUL byte in line 3\n");
    EXPECT_EQ(test::readFile(home_ / "L.csv"), text);
}

// What an interrupted save left is removed by the next command that changes the list.
TEST_F(OrvaloctlTest, LeftoversOfInterruptedSavesAreRemoved) {
    for (const char* name : {".L.csv.Ab12Cd", ".Orvalo.ini.x1Y2z3", ".L.csv.toolong1", ".sl.csv.Ab12Cd"})
        test::writeFile(home_ / name, "x");
    ASSERT_EQ(run("list").first, 0);  // reading takes no lock and removes nothing
    EXPECT_TRUE(std::filesystem::exists(home_ / ".L.csv.Ab12Cd"));
    ASSERT_EQ(run("enable 0").first, 0);
    EXPECT_FALSE(std::filesystem::exists(home_ / ".L.csv.Ab12Cd"));
    EXPECT_FALSE(std::filesystem::exists(home_ / ".Orvalo.ini.x1Y2z3"));
    EXPECT_TRUE(std::filesystem::exists(home_ / ".L.csv.toolong1"));
    EXPECT_TRUE(std::filesystem::exists(home_ / ".sl.csv.Ab12Cd"));  // the service's own
}

}  // namespace
}  // namespace orvalo
