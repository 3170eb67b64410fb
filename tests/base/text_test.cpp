#include "base/text.h"

#include <gtest/gtest.h>

#include "base/error.h"

namespace orvalo {
namespace {

TEST(ParseInteger, AcceptsOnlyWholeDecimalNumbers) {
    struct Case {
        const char* text;
        std::optional<std::int64_t> expected;
    };
    const Case cases[] = {
        {"0", 0},          {"42", 42},     {" 7\t", 7},    {"-3", -3},  {"+5", 5},
        {"", std::nullopt}, {" ", std::nullopt}, {"1.5", std::nullopt}, {"12a", std::nullopt},
        {"0x10", std::nullopt}, {"99999999999999999999", std::nullopt}, {"--1", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(parseInteger(c.text), c.expected) << '"' << c.text << '"';
}

TEST(ParseInteger, ToIntegerNamesTheBadText) {
    EXPECT_EQ(toInteger("15"), 15);
    try {
        toInteger("abc");
        FAIL();
    } catch (const ConvertError& e) {
        EXPECT_STREQ(e.what(), "'abc' is not a valid integer value");
    }
}

TEST(CutToWidth, NeverSplitsAUtf8Character) {
    EXPECT_EQ(cutToWidth("abcdef", 3), "abc");
    EXPECT_EQ(cutToWidth("ab", 3), "ab");
    // "ř" is two bytes: a cut inside it drops the character whole.
    EXPECT_EQ(cutToWidth("ařb", 2), "a");
    EXPECT_EQ(cutToWidth("ařb", 3), "ař");
    // "€" is three bytes.
    EXPECT_EQ(cutToWidth("€€", 4), "€");
    // Bytes that are not UTF-8 are cut where asked.
    EXPECT_EQ(cutToWidth("a\xA3\xA3\xA3", 2), "a\xA3");
}

TEST(PrintableExcerpt, KeepsUtf8AndMasksWhatATerminalWouldMisread) {
    EXPECT_EQ(printableExcerpt("Název"), "Název");
    EXPECT_EQ(printableExcerpt("a\x1b[2Jb\tc\x7f"), "a?[2Jb?c?");
    EXPECT_EQ(printableExcerpt("\xA3\xC5x\xE2\x82"), "??x??");  // stray and cut-off sequences
    EXPECT_EQ(printableExcerpt("abcdef", 4), "abcd...");
    EXPECT_EQ(printableExcerpt("ař€", 4), "ař...");  // never half a character
}

TEST(Text, CaseFoldingAndTrimming) {
    EXPECT_TRUE(equalsIgnoreCase("Kill_after_mins", "KILL_AFTER_MINS"));
    EXPECT_FALSE(equalsIgnoreCase("ID", "IDX"));
    EXPECT_EQ(toUpperAscii("cfg_save"), "CFG_SAVE");
    EXPECT_EQ(trimBlanks(" \t a b \t"), "a b");
    EXPECT_EQ(trimBlanks("\r x \n"), "\r x \n");
    EXPECT_EQ(trimWhitespace("\r x \n"), "x");
}

}  // namespace
}  // namespace orvalo
