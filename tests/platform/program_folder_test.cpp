#include "platform/program_folder.h"

#include <cstdlib>
#include <gtest/gtest.h>

#include "support/temp_folder.h"

namespace orvalo {
namespace {

class ProgramFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* home = std::getenv("ORVALO_HOME")) saved_ = home;
    }
    void TearDown() override {
        if (saved_) ::setenv("ORVALO_HOME", saved_->c_str(), 1);
        else ::unsetenv("ORVALO_HOME");
    }
    std::optional<std::string> saved_;
};

TEST_F(ProgramFolderTest, IsTheExecutablesFolderUnlessOrvaloHomeIsSet) {
    ::unsetenv("ORVALO_HOME");
    EXPECT_EQ(programFolder(), executableFolder());
    EXPECT_TRUE(std::filesystem::exists(executableFolder() / "platform_test"));

    ::setenv("ORVALO_HOME", "", 1);
    EXPECT_EQ(programFolder(), executableFolder());

    ::setenv("ORVALO_HOME", "/srv/orvalo-data", 1);
    EXPECT_EQ(programFolder(), std::filesystem::path("/srv/orvalo-data"));
}

// An installed copy keeps its data out of its bin/ folder, whoever runs it; a build
// tree's programs keep theirs beside them.
TEST_F(ProgramFolderTest, AnInstalledCopyKeepsItsDataOutOfBin) {
    ::unsetenv("ORVALO_HOME");
    test::TempFolder root;
    std::filesystem::create_directories(root / "build" / "bin");
    test::writeFile(root / "build" / "CMakeCache.txt", "");
    std::filesystem::create_directories(root / "usr" / "bin");
    const char* savedData = std::getenv("XDG_DATA_HOME");
    const std::optional<std::string> data = savedData ? std::optional<std::string>(savedData) : std::nullopt;
    ::setenv("XDG_DATA_HOME", (root / "data").c_str(), 1);
    EXPECT_EQ(programFolderFor(root / "build" / "bin", FolderUser::Manager, 1000), root / "build" / "bin");
    EXPECT_EQ(programFolderFor(root / "build" / "bin", FolderUser::Service, 0), root / "build" / "bin");
    EXPECT_EQ(programFolderFor(root / "usr" / "bin", FolderUser::Manager, 1000), root / "data" / "orvalo");
    EXPECT_EQ(programFolderFor(root / "usr" / "bin", FolderUser::Manager, 0), root / "data" / "orvalo");
    EXPECT_EQ(programFolderFor(root / "usr" / "bin", FolderUser::Service, 1000), root / "data" / "orvalo");
    EXPECT_EQ(programFolderFor(root / "usr" / "bin", FolderUser::Service, 0), std::filesystem::path("/var/lib/orvalo"));
    ::setenv("ORVALO_HOME", "/srv/orvalo-data", 1);
    EXPECT_EQ(programFolderFor(root / "usr" / "bin", FolderUser::Service, 0), std::filesystem::path("/srv/orvalo-data"));
    if (data) ::setenv("XDG_DATA_HOME", data->c_str(), 1);
    else ::unsetenv("XDG_DATA_HOME");
}

}  // namespace
}  // namespace orvalo
