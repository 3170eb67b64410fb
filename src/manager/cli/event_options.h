// orvaloctl's options for the event dialogs' controls. Options given on the command
// line change the form they are applied to; the others leave it as it is, so add
// commands start from the dialogs' defaults and edit from the event's values.
// Values are checked when applied, before anything is written (Error naming the
// option), or by the forms' own checks.
#pragma once

#include <CLI/CLI.hpp>
#include <optional>
#include <string>

#include "manager/core/event_forms.h"
#include "manager/core/time_event_form.h"

namespace orvalo {

struct EventOptions {
    // every dialog
    std::optional<std::string> name, command, kill, mode;
    bool enable = false;  // leave the added or edited event enabled
    // time events
    std::optional<std::string> start, type, everyDays, weeks, days, day, months, index, kind, month, years;
    std::optional<std::string> onceAt, every, unit, between, andTime, endDate, endCount, endDays;
    bool everyWeekday = false, noEnd = false;
    // file events
    std::optional<std::string> path, run, when, cycles, wait;
    bool onlyOne = false, infinite = false;
    // file and web events
    bool email = false, noEmail = false, log = false, noLog = false;
    // web events
    std::optional<std::string> url, searchText;
};

enum class OptionSet { Time, File, Web, Edit };
// Adds the options of the dialog to the command; Edit adds those of all three.
void addEventOptions(CLI::App& command, EventOptions& options, OptionSet set);

void applyActionOptions(const EventOptions& options, ActionFields& action);
void applyTimeOptions(const EventOptions& options, TimeEventForm& form);
void applyFileOptions(const EventOptions& options, FileEventForm& form);
void applyWebOptions(const EventOptions& options, WebEventForm& form);

}  // namespace orvalo
