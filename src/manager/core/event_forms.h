// The values of the file-event and web-event dialogs as plain data, with the file
// dialog's enabling rules, the checks made before anything is written, and the
// exchange with an event record. Pure functions; errors are Error naming the field.
#pragma once

#include "eventlist/event_record.h"

namespace orvalo {

// The fields every event dialog shares.
struct ActionFields {
    std::string name;                 // "Action name"
    std::string commandLine;          // "Execute command"
    std::string killMinutes = "0";    // "Kill event after": a whole number, at most 10 digits
    std::string startMode = "Normal"; // "Mode start as :"

    // The action as a record takes it; Error when the kill minutes are no whole number.
    EventAction action() const;
};

struct FileEventForm {
    ActionFields action;
    FileCondition condition;  // defaults as the dialog opens: "One time", "exist file", "Loop", 1 cycle, 1 min.

    // "Loop" group: shown unless "Only one executing event" is chosen.
    bool loopGroupVisible() const { return !condition.oneExecution; }
    // "Infinity": shown only while "exist file" is chosen.
    bool infinityVisible() const { return condition.onExist; }
    // Choosing "change date/time/size" hides and clears "Infinity".
    void chooseChange();
    void chooseExist() { condition.onExist = true; }

    // Refuses a bad number field before anything is written.
    void check() const;
    static FileEventForm fromRecord(const EventRecord& record);
};

struct WebEventForm {
    ActionFields action;
    WebCondition condition;  // "http://", every "1" min., "Exists"

    void check() const;
    static WebEventForm fromRecord(const EventRecord& record);
};

ActionFields actionFromRecord(const EventRecord& record);

}  // namespace orvalo
