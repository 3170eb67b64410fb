#include "execution/web_page_fetch.h"

#include <gtest/gtest.h>

#include "support/python_server.h"
#include "support/temp_folder.h"

namespace orvalo {
namespace {

class WebPageFetchTest : public ::testing::Test {
protected:
    WebPageFetchTest() { test::writeFile(site_ / "page.html", "<html>\nstatus: READY\n</html>\n"); }
    test::TempFolder site_;
    test::TempFolder folder_;
    test::PythonServer server_{"http_server.py", {site_.path().string()}};
};

TEST_F(WebPageFetchTest, SavesWhateverBodyTheServerAnswers) {
    const auto file = folder_ / "tmp10000.web";
    EXPECT_TRUE(downloadFile(server_.url("/page.html"), file, "OrvaloS"));
    EXPECT_EQ(test::readFile(file), "<html>\nstatus: READY\n</html>\n");

    EXPECT_TRUE(downloadFile(server_.url("/redirect"), file, "OrvaloS"));
    EXPECT_EQ(test::readFile(file), "<html>\nstatus: READY\n</html>\n");

    // An error page is a page too.
    EXPECT_TRUE(downloadFile(server_.url("/error"), file, "OrvaloS"));
    EXPECT_EQ(test::readFile(file), "server error page: DOWN\n");
    EXPECT_TRUE(downloadFile(server_.url("/missing.html"), file, "OrvaloS"));
}

TEST_F(WebPageFetchTest, AnAddressThatCannotBeFetchedLeavesNoFile) {
    const auto file = folder_ / "tmp10001.web";
    EXPECT_FALSE(downloadFile("http://127.0.0.1:1/", file, "OrvaloS"));
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_FALSE(downloadFile(server_.url("/garbage"), file, "OrvaloS"));  // not HTTP at all
    EXPECT_FALSE(downloadFile("not a url at all", file, "OrvaloS"));
    EXPECT_FALSE(downloadFile("", file, "OrvaloS"));
    EXPECT_FALSE(std::filesystem::exists(file));
}

TEST_F(WebPageFetchTest, AHangingServerIsGivenUpAfterTheTimeLimit) {
    const auto file = folder_ / "tmp10002.web";
    FetchLimits limits;
    limits.total = std::chrono::seconds(1);
    EXPECT_FALSE(downloadFile(server_.url("/hang"), file, "OrvaloS", limits));
    EXPECT_FALSE(std::filesystem::exists(file));
}

}  // namespace
}  // namespace orvalo
