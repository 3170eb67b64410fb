// The fields every event dialog has at its top: "Action name", "Execute command",
// "Kill event after" and "Mode start as :".
#pragma once

#include <QComboBox>
#include <QLineEdit>
#include <QWidget>

#include "manager/core/event_forms.h"

namespace orvalo {

class ActionFieldsBox : public QWidget {
public:
    explicit ActionFieldsBox(QWidget* parent = nullptr);
    void setFields(const ActionFields& fields);
    ActionFields fields() const;

private:
    QLineEdit* name_;
    QLineEdit* command_;
    QLineEdit* minutes_;
    QComboBox* startMode_;
};

// A bold label, as the dialogs show their captions.
QWidget* boldLabel(const QString& text, QWidget* parent = nullptr);

}  // namespace orvalo
