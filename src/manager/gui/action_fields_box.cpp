#include "manager/gui/action_fields_box.h"

#include <QGridLayout>
#include <QLabel>
#include <QRegularExpressionValidator>

namespace orvalo {

QWidget* boldLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

ActionFieldsBox::ActionFieldsBox(QWidget* parent)
    : QWidget(parent), name_(new QLineEdit), command_(new QLineEdit), minutes_(new QLineEdit), startMode_(new QComboBox) {
    name_->setObjectName("EName");
    command_->setObjectName("EAct");
    minutes_->setObjectName("CMin");
    startMode_->setObjectName("CBStart");
    minutes_->setMaxLength(10);
    minutes_->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]{0,10}"), minutes_));
    minutes_->setText("0");
    minutes_->setMaximumWidth(110);
    startMode_->addItems({"Normal", "Hide", "Minimize"});

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->addWidget(boldLabel("Action name"), 0, 0);
    grid->addWidget(name_, 0, 1, 1, 3);
    grid->addWidget(boldLabel("Execute command"), 1, 0);
    grid->addWidget(command_, 1, 1, 1, 3);
    grid->addWidget(boldLabel("Kill event after"), 2, 0);
    auto* minutesRow = new QHBoxLayout;
    minutesRow->addWidget(minutes_);
    minutesRow->addWidget(boldLabel("minutes "));
    minutesRow->addStretch();
    grid->addLayout(minutesRow, 2, 1);
    grid->addWidget(boldLabel("Mode start as :"), 2, 2, Qt::AlignRight);
    grid->addWidget(startMode_, 2, 3);
    grid->addWidget(new QLabel(" 0 - never ending, ends only before starts new event time"), 3, 1, 1, 3);
    grid->setColumnStretch(1, 1);
}

void ActionFieldsBox::setFields(const ActionFields& fields) {
    name_->setText(QString::fromStdString(fields.name));
    command_->setText(QString::fromStdString(fields.commandLine));
    minutes_->setText(QString::fromStdString(fields.killMinutes));
    // A stored mode that is not in the list leaves the list without a choice.
    startMode_->setCurrentIndex(startMode_->findText(QString::fromStdString(fields.startMode), Qt::MatchFixedString));
}

ActionFields ActionFieldsBox::fields() const {
    ActionFields fields;
    fields.name = name_->text().toStdString();
    fields.commandLine = command_->text().toStdString();
    fields.killMinutes = minutes_->text().isEmpty() ? "0" : minutes_->text().toStdString();
    fields.startMode = startMode_->currentIndex() < 0 ? "" : startMode_->currentText().toStdString();
    return fields;
}

}  // namespace orvalo
