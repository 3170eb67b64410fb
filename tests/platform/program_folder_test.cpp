#include "platform/program_folder.h"

#include <cstdlib>
#include <gtest/gtest.h>

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

}  // namespace
}  // namespace orvalo
