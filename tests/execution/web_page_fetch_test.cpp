#include "execution/web_page_fetch.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

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

// Only http and https are fetched, also across redirects: a page file must never
// hold a local file the service can read and its users cannot.
TEST_F(WebPageFetchTest, OnlyHttpAndHttpsAreFetched) {
    const auto file = folder_ / "tmp10003.web";
    for (const std::string& url : {std::string("file:///etc/passwd"), server_.url("/to-file"),
                                   std::string("dict://127.0.0.1:1/x"), std::string("gopher://127.0.0.1:1/")}) {
        EXPECT_EQ(fetchPage(url, file, "OrvaloS"), FetchResult::Failed) << url;
        EXPECT_FALSE(std::filesystem::exists(file)) << url;
    }
}

TEST_F(WebPageFetchTest, ThePageFileIsPrivateAndALinkInItsPlaceIsNotFollowed) {
    const auto file = folder_ / "tmp10004.web";
    EXPECT_TRUE(downloadFile(server_.url("/page.html"), file, "OrvaloS"));
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    std::filesystem::remove(file);
    test::writeFile(folder_ / "target", "precious");
    std::filesystem::create_symlink(folder_ / "target", file);
    EXPECT_FALSE(downloadFile(server_.url("/page.html"), file, "OrvaloS"));
    EXPECT_EQ(test::readFile(folder_ / "target"), "precious");
}

}  // namespace
}  // namespace orvalo
