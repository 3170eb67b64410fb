// Small pieces the manager's dialogs share: named widgets, window colours, the
// separator line, the OK/Cancel row, and running a form's check with its error
// shown to the user.
#pragma once

#include <QCheckBox>
#include <QColor>
#include <QDialog>
#include <QFrame>
#include <QHBoxLayout>
#include <exception>
#include <functional>

namespace orvalo {

template <typename W>
W* named(W* widget, const char* name) {
    widget->setObjectName(name);
    return widget;
}

void colour(QWidget* widget, const QColor& background);
QFrame* separator();
// "OK" (the default button) and "Cancel", accepting and rejecting the dialog.
QHBoxLayout* okCancel(QDialog* dialog);
// "Send info e-mail" (CHBEmail) and "Write info to log" (CHBLog), side by side.
QHBoxLayout* infoChecks(QCheckBox*& email, QCheckBox*& log);
// Runs the check; on an error shows its message and returns false.
bool passes(QWidget* parent, const std::function<void()>& check);

}  // namespace orvalo
