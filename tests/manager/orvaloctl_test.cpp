// orvaloctl run as a program on a temporary program folder.
#include <cstdio>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include "eventlist/event_record.h"
#include "support/temp_folder.h"

namespace orvalo {
namespace {

const std::string kHourly =
    "# Schedule: Generic\r\nStart.Date = 2026/12/01\r\nStart.Time = 08:00:00.000\r\n# Schedule: Recurring info\r\n"
    "Recur type = srkDaily\r\n# Schedule: End info\r\nEnd type = sekNone\r\n# Schedule: Day frequency\r\n"
    "Frequency start = 08:00:00.000\r\nFrequency end = 17:00:00.000\r\nFrequency interval = 01:00:00.000\r\n"
    "# Schedule: Daily info\r\nDaily interval = 1\r\n";

class OrvaloctlTest : public ::testing::Test {
protected:
    OrvaloctlTest() {
        EventRecord time = makeTimeEvent(0, {"Hourly \"job\"", "backup;now", "Normal", 5}, "12/01/26 08:00:00", kHourly);
        FileCondition file;
        file.path = "/srv/in.csv";
        writeEventListFile(home_ / "L.csv", {time, makeFileEvent(1000, {"Watch", "import", "Hide", 0}, file)});
    }
    std::pair<int, std::string> run(const std::string& arguments) {
        const std::string command = "ORVALO_HOME=" + home_.path().string() + " " + ORVALO_BIN_DIR + "/orvaloctl " +
                                    arguments + " 2>&1";
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
              "ID\tEvent name\tStart Date-time\tCommand to execute\tState\tActive\tLast run\tStart mode\tKill after(min)\n"
              "0\tHourly \"job\"\t12/01/26 08:00:00\tbackup;now\tWaiting\tDisabled\t\tNormal\t5\n"
              "1000\tWatch\t[File on create]: /srv/in.csv\timport\tWaiting\tDisabled\t\tHide\t0\n");
}

TEST_F(OrvaloctlTest, ListAsJsonGivesEveryFieldAsTheTableReadsIt) {
    const auto [status, output] = run("list --json");
    EXPECT_EQ(status, 0);
    EXPECT_NE(output.find("{\"ID\": \"0\", \"NAME\": \"Hourly \\\"job\\\"\", "), std::string::npos) << output;
    EXPECT_NE(output.find("\"CFG_SAVE\": \"# Schedule: Generic\\\\r\\\\nStart.Date"), std::string::npos) << output;
    EXPECT_NE(output.find("\"W_CHECK_CNT\": \"0\"}\n]\n"), std::string::npos) << output;
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
    EXPECT_NE(run("list").second.find("\tWaiting\tEnabled\t\tNormal\t5\n"), std::string::npos);
    EXPECT_EQ(run("disable 0").first, 0);
    EXPECT_NE(run("list").second.find("\tWaiting\tDisabled\t\tNormal\t5\n"), std::string::npos);
    EXPECT_EQ(run("enable 7"), (std::pair<int, std::string>{1, "There is no event 7\n"}));
    EXPECT_EQ(run("delete 0"), (std::pair<int, std::string>{1, "Only disable event.\n"}));
    EXPECT_EQ(run("clear < /dev/null").first, 1);  // no terminal and no --yes: nothing is deleted
    EXPECT_NE(run("list").second.find("1000\t"), std::string::npos);
    EXPECT_EQ(run("clear --yes"), (std::pair<int, std::string>{0, ""}));
    EXPECT_EQ(run("list").second,
              "ID\tEvent name\tStart Date-time\tCommand to execute\tState\tActive\tLast run\tStart mode\tKill after(min)\n");
}

}  // namespace
}  // namespace orvalo
