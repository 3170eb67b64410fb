#include "execution/web_page_fetch.h"

#include <atomic>
#include <fstream>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "support/python_server.h"
#include "support/silent_server.h"
#include "support/temp_folder.h"

namespace orvalo {
namespace {

using namespace std::chrono_literals;

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

// The page comes through the network helper; run by root, the helper gives up root
// for "nobody" before it touches the network, and a stop ends it at once.
TEST_F(WebPageFetchTest, RootFetchesAsNobodyAndAStopEndsTheFetch) {
    if (::geteuid() != 0) GTEST_SKIP() << "giving up root needs root";
    test::SilentServer silent;
    std::atomic<bool> abort{false};
    std::thread fetch([&] {
        EXPECT_EQ(fetchPage("http://127.0.0.1:" + std::to_string(silent.port()) + "/", folder_ / "tmp10005.web", "OrvaloS",
                            {}, &abort),
                  FetchResult::Failed);
    });
    // The helper is our child while it waits for the silent server (it starts as
    // root, for the moment until it gives root up).
    const std::string nobody = std::to_string(::getpwnam("nobody") ? ::getpwnam("nobody")->pw_uid : 65534);
    std::string uid;
    for (int i = 0; i < 500 && uid != nobody; ++i) {
        std::this_thread::sleep_for(10ms);
        for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
            std::ifstream children(task.path() / "children");
            for (pid_t pid; children >> pid;) {
                const std::string status = test::readFile("/proc/" + std::to_string(pid) + "/status");
                if (status.find("Name:\torvalo-net") == std::string::npos) continue;
                const auto at = status.find("Uid:\t");
                uid = status.substr(at + 5, status.find('\t', at + 5) - at - 5);
            }
        }
    }
    const auto aborted = std::chrono::steady_clock::now();
    abort = true;
    fetch.join();
    EXPECT_LT(std::chrono::steady_clock::now() - aborted, 2s);
    EXPECT_EQ(uid, nobody);
}

}  // namespace
}  // namespace orvalo
