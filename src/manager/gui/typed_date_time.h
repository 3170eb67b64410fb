// Typing over a whole time or date. With all of a QTimeEdit's text selected, Qt
// takes the first digit typed as the whole text and keeps only what fits it, so
// "02:30:00" typed over "00:00:00" becomes 00:30:00. Here a digit typed over the
// whole text starts the first section instead, and the rest follows section by
// section, as a user expects.
#pragma once

#include <QDateTimeEdit>

namespace orvalo {

// Installs the behaviour on the edit (a QTimeEdit, QDateEdit or QDateTimeEdit).
void typeOverWholeText(QDateTimeEdit* edit);

}  // namespace orvalo
