#include "manager/core/event_forms.h"

#include "base/error.h"
#include "base/text.h"

namespace orvalo {

namespace {

// A number field as the watcher and the runner will read it: a whole number from 0.
void checkCount(const std::string& text, const char* field) {
    const auto value = parseInteger(text);
    if (!value || *value < 0 || *value > 2'147'483'647)
        throw Error(std::string(field) + ": '" + text + "' is not a whole number from 0 to 2147483647");
}

}  // namespace

EventAction ActionFields::action() const {
    const auto minutes = parseInteger(killMinutes);
    if (!minutes || *minutes < 0 || *minutes > 9'999'999'999LL)
        throw Error("Kill event after: '" + killMinutes + "' is not a whole number of minutes from 0 to 9999999999");
    return {name, commandLine, startMode, static_cast<double>(*minutes)};
}

ActionFields actionFromRecord(const EventRecord& record) {
    ActionFields fields;
    fields.name = record.name;
    fields.commandLine = record.commandLine;
    fields.killMinutes = record.killAfterMins.empty() ? "0" : record.killAfterMins;
    fields.startMode = record.startMode;
    return fields;
}

void FileEventForm::chooseChange() {
    condition.onExist = false;
    condition.infinity = false;
}

void FileEventForm::check() const {
    action.action();
    checkCount(condition.cycles, "Number of cycles to end");
    checkCount(condition.loopWaitMinutes, "Loop - wait between cykles");
}

FileEventForm FileEventForm::fromRecord(const EventRecord& record) {
    FileEventForm form;
    form.action = actionFromRecord(record);
    FileCondition& c = form.condition;
    c.path = record.fileName;
    c.runEvery = record.fRunMode == "1";
    c.onExist = record.fExist == "1";
    c.oneExecution = record.fOneExec == "1";
    c.infinity = record.fInfinity == "1";
    c.cycles = record.fEnumEnd;
    c.loopWaitMinutes = record.fLoopWait;
    c.email = record.email == "1";
    c.log = record.log == "1";
    // Loading runs the same rule as a click on "change date/time/size".
    if (!c.onExist) form.chooseChange();
    return form;
}

void WebEventForm::check() const {
    action.action();
    checkCount(condition.checkMinutes, "Check every");
}

WebEventForm WebEventForm::fromRecord(const EventRecord& record) {
    WebEventForm form;
    form.action = actionFromRecord(record);
    WebCondition& c = form.condition;
    c.url = record.wUrl;
    c.checkMinutes = record.wCheckCnt.empty() ? record.wCheck : record.wCheckCnt;
    c.whenExists = record.wExist == "1";
    c.searchText = record.wStr;
    c.email = record.email == "1";
    c.log = record.log == "1";
    return form;
}

}  // namespace orvalo
