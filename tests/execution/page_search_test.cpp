#include "execution/page_search.h"

#include <gtest/gtest.h>

namespace orvalo {
namespace {

TEST(PageSearch, FindsPlainCaseSensitiveTextWithinOneLine) {
    using namespace std::string_literals;
    struct Case {
        std::string page;
        std::string text;
        bool found;
    };
    const Case cases[] = {
        {"status: READY\n", "READY", true},
        {"status: ready\n", "READY", false},
        {"first\r\nsecond line\r\n", "second", true},
        {"old\rnew", "new", true},
        {"spl\nit", "split", false},          // across two lines
        {"spl\r\nit", "split", false},
        {"before\0READY"s, "READY", false},   // nothing after a zero byte counts
        {"READY\0after"s, "READY", true},
        {"anything", "", false},              // an empty string is never found
        {"", "x", false},
        {"a*b.c", "*b.", true},               // no patterns, only text
    };
    for (const auto& c : cases) EXPECT_EQ(pageContains(c.page, c.text), c.found) << c.page << " / " << c.text;
}

TEST(PageSearch, TheConditionFollowsWExist) {
    // fetched, found, W_EXIST -> run
    EXPECT_TRUE(webConditionMet(true, true, 1));
    EXPECT_FALSE(webConditionMet(true, false, 1));
    EXPECT_FALSE(webConditionMet(true, true, 0));
    EXPECT_TRUE(webConditionMet(true, false, 0));
    EXPECT_TRUE(webConditionMet(true, false, 7));
    EXPECT_FALSE(webConditionMet(false, false, 1));  // no page: "exists" cannot hold
    EXPECT_TRUE(webConditionMet(false, false, 0));
}

}  // namespace
}  // namespace orvalo
