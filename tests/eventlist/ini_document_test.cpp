#include "eventlist/ini_document.h"

#include <gtest/gtest.h>

#include "base/error.h"

namespace orvalo {
namespace {

TEST(IniDocument, ReadsSectionsAndKeysWithoutRegardToCase) {
    const auto ini = IniDocument::parse(
        "; comment\r\n[main]\r\n Service_Active = 1 \r\nemail=a=b@c\nflag=yes\r[MAIL]\nESMTP=smtp.local\nESMTP=second\n");
    EXPECT_EQ(ini.readString("MAIN", "service_active", "x"), "1");
    EXPECT_EQ(ini.readString("Main", "EMAIL", ""), "a=b@c");  // only the first "=" splits
    EXPECT_EQ(ini.readString("mail", "esmtp", ""), "smtp.local");  // the first of two wins
    EXPECT_EQ(ini.readString("MAIL", "EMAIL", "none"), "none");    // keys belong to their section
    EXPECT_EQ(ini.readString("OTHER", "x", "fallback"), "fallback");
}

TEST(IniDocument, NumbersAndBooleans) {
    const auto ini = IniDocument::parse("[S]\nzero=0\ntwo=2\nneg=-1\nword=yes\nempty=\n");
    EXPECT_FALSE(ini.readBool("S", "zero", true));
    EXPECT_TRUE(ini.readBool("S", "two", false));
    EXPECT_TRUE(ini.readBool("S", "neg", false));
    EXPECT_TRUE(ini.readBool("S", "word", true));  // not a number: the fallback
    EXPECT_FALSE(ini.readBool("S", "word", false));
    EXPECT_EQ(ini.readInteger("S", "empty", 7), 7);
    EXPECT_EQ(ini.readInteger("S", "two", 7), 2);
}

TEST(IniDocument, WritesInPlaceAndKeepsOtherLines) {
    auto ini = IniDocument::parse("; keep me\r\n[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n");
    ini.writeString("a", "X", "10");
    ini.writeString("A", "z", "3");
    ini.writeString("C", "w", "4");
    EXPECT_EQ(ini.text(), "; keep me\r\n[A]\r\nx=10\r\nz=3\r\n\r\n[B]\r\ny=2\r\n[C]\r\nw=4\r\n");
    EXPECT_EQ(IniDocument::parse(ini.text()).readString("C", "w", ""), "4");
}

TEST(IniDocument, RefusesLineBreaksThatWouldForgeKeys) {
    IniDocument ini;
    EXPECT_THROW(ini.writeString("MAIL", "EPSW", "pw\r\nService_Active=1"), Error);
    EXPECT_EQ(ini.text(), "");
}

}  // namespace
}  // namespace orvalo
