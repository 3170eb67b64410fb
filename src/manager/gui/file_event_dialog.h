// "Settings for file event": the file dialog over a FileEventForm. It applies its
// rules (the "Loop" group and "Infinity") as the choices change and closes with OK
// only when the form's check accepts every field.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLineEdit>
#include <QRadioButton>

#include "manager/core/event_forms.h"

namespace orvalo {

class ActionFieldsBox;

class FileEventDialog : public QDialog {
public:
    explicit FileEventDialog(QWidget* parent = nullptr);
    void setForm(const FileEventForm& form);
    FileEventForm form() const;
    void accept() override;

private:
    void gb1Click();
    void gbxClick();

    ActionFieldsBox* action_;
    QLineEdit* fname_;
    QComboBox* cbr_;
    QGroupBox* gbx_;
    QRadioButton* rbExist_;
    QRadioButton* rbChange_;
    QGroupBox* gb1_;
    QRadioButton* rbOnlyOne_;
    QRadioButton* rbLoop_;
    QGroupBox* gb2_;
    QRadioButton* rbInf_;
    QRadioButton* rbNumCycles_;
    QLineEdit* eNum_;
    QLineEdit* eMin_;
    QCheckBox* email_;
    QCheckBox* log_;
};

}  // namespace orvalo
