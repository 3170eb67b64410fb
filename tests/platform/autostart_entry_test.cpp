#include "platform/autostart_entry.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "support/temp_folder.h"

namespace orvalo {
namespace {

class AutostartEntryTest : public ::testing::Test {
protected:
    AutostartEntryTest() {
        folders_.currentUser = home_ / "config" / "autostart";  // missing: made when needed
        folders_.allUsers = home_ / "xdg-autostart";
        std::filesystem::create_directory(folders_.allUsers);
    }
    bool exists(const std::filesystem::path& folder) { return std::filesystem::exists(folder / "Orvalo.desktop"); }
    test::TempFolder home_;
    AutostartFolders folders_;
};

TEST_F(AutostartEntryTest, OneEntryAfterEveryChange) {
    EXPECT_TRUE(writeRunEntry(false, "/opt/orvalo/Orvalo", "-tray", folders_));
    EXPECT_EQ(test::readFile(folders_.currentUser / "Orvalo.desktop"),
              "[Desktop Entry]\nType=Application\nName=Orvalo\nComment=Starts the Orvalo manager\n"
              "Exec=/opt/orvalo/Orvalo -tray\nTerminal=false\nX-GNOME-Autostart-enabled=true\n");
    removeRunEntries(folders_);
    EXPECT_TRUE(writeRunEntry(true, "/opt/orvalo/Orvalo", "", folders_));
    EXPECT_FALSE(exists(folders_.currentUser));
    EXPECT_TRUE(exists(folders_.allUsers));
    removeRunEntries(folders_);
    EXPECT_FALSE(exists(folders_.allUsers));
    removeRunEntries(folders_);  // nothing to remove is no error
}

TEST_F(AutostartEntryTest, AFolderThatCannotBeWrittenIsPassedOver) {
    std::filesystem::remove(folders_.allUsers);
    test::writeFile(folders_.allUsers, "not a folder");
    EXPECT_FALSE(writeRunEntry(true, "/opt/orvalo/Orvalo", "-tray", folders_));
    EXPECT_NO_THROW(removeRunEntries(folders_));
}

TEST(AutostartEntryText, QuotesPathsThatNeedIt) {
    const std::string text = autostartEntryText("/home/a b/Orvalo$1", "-tray");
    EXPECT_NE(text.find("Exec=\"/home/a b/Orvalo\\$1\" -tray\n"), std::string::npos) << text;
    EXPECT_NE(autostartEntryText("/opt/orvalo/bin/Orvalo", "", "/home/a b/lists").find(
                  "Exec=env \"ORVALO_HOME=/home/a b/lists\" /opt/orvalo/bin/Orvalo\n"),
              std::string::npos);
}

}  // namespace
}  // namespace orvalo
