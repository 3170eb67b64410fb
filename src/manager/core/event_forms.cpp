#include "manager/core/event_forms.h"

#include "base/error.h"
#include "base/text.h"
#include "eventlist/csv_column.h"
#include "platform/file_status.h"

namespace orvalo {

namespace {

// The width of an event-list field, as its definition gives it.
std::size_t fieldWidth(std::string_view name) {
    static const std::vector<CsvColumn> columns = parseCsvFieldDef(kEventListFieldDef, ';');
    return columns.at(static_cast<std::size_t>(findColumn(columns, name))).size;
}

// A text field is stored whole or refused: the list would cut it at its width
// (a command line cut short is another command), and a line break would start a
// second command or a second address.
void checkText(const std::string& text, std::string_view column, const char* field, bool oneLine) {
    if (oneLine && text.find_first_of("\r\n") != std::string::npos)
        throw Error(std::string(field) + ": a line break cannot be part of it");
    const std::size_t width = fieldWidth(column);
    if (text.size() > width)
        throw Error(std::string(field) + ": at most " + std::to_string(width) + " bytes fit, this text has " +
                    std::to_string(text.size()));
}

// A number field as the watcher and the runner will read it: a whole number from 0.
void checkCount(const std::string& text, const char* field) {
    const auto value = parseInteger(text);
    if (!value || *value < 0 || *value > 2'147'483'647)
        throw Error(std::string(field) + ": '" + text + "' is not a whole number from 0 to 2147483647");
}

}  // namespace

EventAction ActionFields::action() const {
    checkText(name, "NAME", "Action name", false);
    checkText(commandLine, "COMMANDLINE", "Execute command", true);
    const auto minutes = parseInteger(killMinutes);
    if (!minutes || *minutes < 0 || *minutes > kMaxKillMinutes)
        throw Error("Kill event after: '" + killMinutes + "' is not a whole number of minutes from 0 to " +
                    std::to_string(kMaxKillMinutes) + " (one year)");
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
    checkText(condition.path, "FILENAME", "Path and full filename", true);
    // A file event watches one file; a folder or a FIFO there would never count as it.
    const PathKind kind = condition.path.empty() ? PathKind::Missing : pathKind(condition.path);
    if (kind == PathKind::Folder)
        throw Error("Path and full filename: " + condition.path + " is a folder; a file event watches one file");
    if (kind == PathKind::Other)
        throw Error("Path and full filename: " + condition.path +
                    " is not a regular file (a FIFO, socket or device); a file event watches one file");
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
    checkText(condition.url, "W_URL", "Web url path to check for string on web page", true);
    checkText(condition.searchText, "W_STR", "Checked String", false);
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
