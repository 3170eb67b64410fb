// "Settings for WebPage-Activity event": the web dialog over a WebEventForm. It has
// no rules of its own and closes with OK only when the form's check accepts it.
#pragma once

#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QRadioButton>

#include "manager/core/event_forms.h"

namespace orvalo {

class ActionFieldsBox;

class WebEventDialog : public QDialog {
public:
    explicit WebEventDialog(QWidget* parent = nullptr);
    void setForm(const WebEventForm& form);
    WebEventForm form() const;
    void accept() override;

private:
    ActionFieldsBox* action_;
    QLineEdit* eMins_;
    QLineEdit* webPath_;
    QRadioButton* rbExists_;
    QRadioButton* rbNotExists_;
    QLineEdit* eStr_;
    QCheckBox* email_;
    QCheckBox* log_;
};

}  // namespace orvalo
