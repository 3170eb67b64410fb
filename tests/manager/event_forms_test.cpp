#include "manager/core/event_forms.h"

#include <functional>
#include <gtest/gtest.h>

#include "support/test_helpers.h"

namespace orvalo {
namespace {

TEST(FileEventForm, OpensWithTheDialogsDefaultsAndFollowsItsRules) {
    FileEventForm form;
    EXPECT_FALSE(form.condition.runEvery);
    EXPECT_TRUE(form.condition.onExist);
    EXPECT_FALSE(form.condition.oneExecution);
    EXPECT_FALSE(form.condition.infinity);
    EXPECT_EQ(form.condition.cycles, "1");
    EXPECT_EQ(form.condition.loopWaitMinutes, "1");
    EXPECT_TRUE(form.loopGroupVisible());
    EXPECT_TRUE(form.infinityVisible());

    form.condition.infinity = true;
    form.chooseChange();
    EXPECT_FALSE(form.infinityVisible());
    EXPECT_FALSE(form.condition.infinity);  // "Number of cycles to end" is the choice now
    form.chooseExist();
    EXPECT_TRUE(form.infinityVisible());
    EXPECT_FALSE(form.condition.infinity);  // shown again, not chosen

    form.condition.oneExecution = true;
    EXPECT_FALSE(form.loopGroupVisible());
}

TEST(FileEventForm, ALoadedRecordShowsWhatItStores) {
    FileCondition stored;
    stored.path = "/srv/in.csv";
    stored.onExist = false;
    stored.oneExecution = true;
    stored.infinity = true;  // cannot stand with "change": the dialog clears it
    stored.cycles = "4";
    const EventRecord record = makeFileEvent(1000, {"F", "cmd", "Hide", 3}, stored);
    const FileEventForm form = FileEventForm::fromRecord(record);
    EXPECT_FALSE(form.infinityVisible());
    EXPECT_FALSE(form.loopGroupVisible());
    EXPECT_FALSE(form.condition.infinity);
    EXPECT_EQ(form.condition.cycles, "4");
    EXPECT_EQ(form.action.killMinutes, "3");
    EXPECT_EQ(form.action.startMode, "Hide");
}

TEST(EventForms, BadNumbersAreRefusedWithTheFieldsName) {
    FileEventForm file;
    file.condition.cycles = "many";
    EXPECT_EQ(test::errorOf([&] { file.check(); }),
              "Number of cycles to end: 'many' is not a whole number from 0 to 2147483647");
    file.condition.cycles = "2";
    file.condition.loopWaitMinutes = "-1";
    EXPECT_EQ(test::errorOf([&] { file.check(); }),
              "Loop - wait between cykles: '-1' is not a whole number from 0 to 2147483647");
    file.condition.loopWaitMinutes = "0";
    file.action.killMinutes = "1.5";
    EXPECT_EQ(test::errorOf([&] { file.check(); }),
              "Kill event after: '1.5' is not a whole number of minutes from 0 to 525600 (one year)");
    file.action.killMinutes = "525600";
    EXPECT_NO_THROW(file.check());
    // Once a wait this long overflowed and killed the command at once.
    file.action.killMinutes = "9999999999";
    EXPECT_EQ(test::errorOf([&] { file.check(); }),
              "Kill event after: '9999999999' is not a whole number of minutes from 0 to 525600 (one year)");

    WebEventForm web;
    EXPECT_EQ(web.condition.url, "http://");
    EXPECT_EQ(web.condition.checkMinutes, "1");
    web.condition.checkMinutes = "";
    EXPECT_EQ(test::errorOf([&] { web.check(); }), "Check every: '' is not a whole number from 0 to 2147483647");
}

// Texts are stored whole or refused: the list would cut a long one at its width.
TEST(EventForms, TextsTooLongForTheirFieldOrHoldingALineBreakAreRefused) {
    const std::string command400 = std::string(380, 'x') + " && rm -rf /tmp/x/y";
    struct Case {
        std::function<void(FileEventForm&, WebEventForm&)> set;
        std::string message;
    };
    const Case cases[] = {
        {[](auto& f, auto&) { f.action.name = std::string(201, 'n'); },
         "Action name: at most 200 bytes fit, this text has 201"},
        {[&](auto& f, auto&) { f.action.commandLine = command400; },
         "Execute command: at most 300 bytes fit, this text has 399"},
        {[](auto& f, auto&) { f.action.commandLine = "true\nrm -rf /"; },
         "Execute command: a line break cannot be part of it"},
        {[](auto& f, auto&) { f.condition.path = "/tmp/a\r"; },
         "Path and full filename: a line break cannot be part of it"},
        {[](auto& f, auto&) { f.condition.path = "/" + std::string(300, 'p'); },
         "Path and full filename: at most 300 bytes fit, this text has 301"},
        {[](auto&, auto& w) { w.condition.url = "http://a/\nb"; },
         "Web url path to check for string on web page: a line break cannot be part of it"},
        {[](auto&, auto& w) { w.condition.url = "http://" + std::string(294, 'u'); },
         "Web url path to check for string on web page: at most 300 bytes fit, this text has 301"},
        {[](auto&, auto& w) { w.condition.searchText = std::string(301, 's'); },
         "Checked String: at most 300 bytes fit, this text has 301"},
    };
    for (const Case& c : cases) {
        FileEventForm file;
        WebEventForm web;
        c.set(file, web);
        const std::string fileError = test::errorOf([&] { file.check(); });
        const std::string webError = test::errorOf([&] { web.check(); });
        EXPECT_TRUE(fileError == c.message || webError == c.message) << fileError << " / " << webError;
    }
    FileEventForm exact;
    exact.action.name = std::string(200, 'n');
    exact.action.commandLine = std::string(300, 'c');
    exact.condition.path = std::string(300, 'p');
    EXPECT_NO_THROW(exact.check());
}

}  // namespace
}  // namespace orvalo
