#include "execution/net_request.h"

#include <gtest/gtest.h>

namespace orvalo {
namespace {

TEST(NetRequest, EveryByteOfAValueGoesThrough) {
    const NetRequest request{{"message", std::string("line one\r\nline two\n\0 end", 25)},
                             {"empty", ""},
                             {"url", "http://127.0.0.1:8080/a b"},
                             {"password", "p@ss 12\n"}};
    EXPECT_EQ(decodeNetRequest(encodeNetRequest(request)), request);
    EXPECT_EQ(decodeNetRequest(""), NetRequest{});
}

TEST(NetRequest, AnythingButAWholeRequestIsRefused) {
    const std::string whole = encodeNetRequest({{"url", "http://x/"}});
    for (const std::string& text : {whole.substr(0, whole.size() - 1),  // cut short
                                    std::string("url 9\nhttp://x/"),     // no closing line break
                                    std::string("url 99\nhttp://x/\n"),  // longer than what follows
                                    std::string("url 3\nhttp://x/\n"),   // shorter than the value
                                    std::string("url -1\n\n"), std::string("url x\nabc\n"), std::string(" 3\nabc\n"),
                                    std::string("url\n"), std::string("garbage")})
        EXPECT_EQ(decodeNetRequest(text), std::nullopt) << text;
    EXPECT_EQ(decodeNetRequest(whole, whole.size() - 1), std::nullopt);  // beyond the size limit
}

}  // namespace
}  // namespace orvalo
