// The watch-table rows the manager's add and edit commands write for file and web
// events. Numbers come from the dialog's fields, which FileEventForm::check() and
// WebEventForm::check() have accepted. An added or edited event is inactive.
#pragma once

#include "execution/condition_watcher.h"
#include "manager/core/event_forms.h"

namespace orvalo {

// editing: the pause under way is cleared (the pause length stays that of the form).
WatchRow fileWatchRow(long long id, const FileEventForm& form, bool editing, LocalMoment now);
// editing: the first page check comes at the next tick (the period stays the form's).
WatchRow webWatchRow(long long id, const WebEventForm& form, bool editing, LocalMoment now);

}  // namespace orvalo
