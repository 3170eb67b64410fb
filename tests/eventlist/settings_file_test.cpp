#include "eventlist/settings_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "base/error.h"
#include "support/temp_folder.h"

namespace orvalo {
namespace {

ManagerSettings sample() {
    ManagerSettings s;
    s.serviceActive = true;
    s.appStart = true;
    s.appStartAllUsers = false;
    s.appStartMode = 1;
    s.notifyEmail = "ops@example.org";
    s.mail = {"orvalo@example.org", "p=ss;word", "Orvalo Bot", "bot", "127.0.0.1"};
    return s;
}

TEST(SettingsFile, MissingFileGivesDefaults) {
    test::TempFolder folder;
    const SettingsFile file(folder / "Orvalo.ini");
    EXPECT_EQ(file.readManager(), ManagerSettings{});
    EXPECT_EQ(file.readService(), ServiceMailSettings{});
}

TEST(SettingsFile, WritesTheTenKeysInOrderOwnerOnly) {
    test::TempFolder folder;
    const SettingsFile file(folder / "Orvalo.ini");
    file.writeManager(sample());
    EXPECT_EQ(test::readFile(file.path()),
              "[MAIN]\r\nService_Active=1\r\nApp_start=1\r\nApp_startu=0\r\nApp_start_t=1\r\nemail=ops@example.org\r\n"
              "[MAIL]\r\nEEmail=orvalo@example.org\r\nEPSW=p=ss;word\r\nEJm=Orvalo Bot\r\nELogin=bot\r\nESMTP=127.0.0.1\r\n");
    struct stat st {};
    ASSERT_EQ(::stat(file.path().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    EXPECT_EQ(file.readManager(), sample());
    EXPECT_EQ(file.readService(), (ServiceMailSettings{"ops@example.org", sample().mail, ResultMail::Never, {}}));

    ManagerSettings uninstalled = sample();
    uninstalled.serviceActive = false;
    file.writeManager(uninstalled);
    EXPECT_NE(test::readFile(file.path()).find("\r\nService_Active=0\r\n"), std::string::npos);
}

TEST(SettingsFile, HandEditedFilesAreReadLeniently) {
    test::TempFolder folder;
    test::writeFile(folder / "Orvalo.ini", "[main]\nservice_active=5\napp_start_t=7\n[Mail]\nesmtp = mail.local \nextra=kept\n");
    const SettingsFile file(folder / "Orvalo.ini");
    const ManagerSettings s = file.readManager();
    EXPECT_TRUE(s.serviceActive);
    EXPECT_EQ(s.appStartMode, 7);
    EXPECT_EQ(s.mail.smtpServer, "mail.local");
    file.writeManager(s);
    EXPECT_NE(test::readFile(file.path()).find("extra=kept"), std::string::npos);
}

TEST(SettingsFile, UnwritableFileSaysWhereAndKeepsTheOldOne) {
    test::TempFolder folder;
    test::writeFile(folder / "blocker", "a file where a folder should be");
    const SettingsFile file(folder / "blocker" / "Orvalo.ini");
    try {
        file.writeManager(sample());
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), "Unable to write to " + file.path().string());
    }
    EXPECT_EQ(test::readFile(folder / "blocker"), "a file where a folder should be");
}

}  // namespace
}  // namespace orvalo
