#include "manager/core/event_forms.h"

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
              "Kill event after: '1.5' is not a whole number of minutes from 0 to 9999999999");
    file.action.killMinutes = "9999999999";
    EXPECT_NO_THROW(file.check());

    WebEventForm web;
    EXPECT_EQ(web.condition.url, "http://");
    EXPECT_EQ(web.condition.checkMinutes, "1");
    web.condition.checkMinutes = "";
    EXPECT_EQ(test::errorOf([&] { web.check(); }), "Check every: '' is not a whole number from 0 to 2147483647");
}

}  // namespace
}  // namespace orvalo
