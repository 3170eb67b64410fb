#include "manager/gui/web_event_dialog.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "manager/gui/action_fields_box.h"
#include "manager/gui/dialog_parts.h"
#include "manager/gui/window_colors.h"

namespace orvalo {

WebEventDialog::WebEventDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("TFWebSet");
    setWindowTitle("Settings for WebPage-Activity event");
    colour(this, colors::kWebDialog);
    action_ = new ActionFieldsBox;
    eMins_ = named(new QLineEdit, "EMins");
    eMins_->setMaximumWidth(80);
    webPath_ = named(new QLineEdit, "FWebPath");
    auto* group = named(new QGroupBox("Execute when string on web page"), "GBWeb");
    rbExists_ = named(new QRadioButton("Exists"), "RB1");
    rbNotExists_ = named(new QRadioButton("Not Exists"), "RB2");
    eStr_ = named(new QLineEdit, "EStr");
    auto* groupLayout = new QGridLayout(group);
    groupLayout->addWidget(rbExists_, 0, 0);
    groupLayout->addWidget(rbNotExists_, 1, 0);
    groupLayout->addWidget(new QLabel("Checked String :"), 2, 0);
    groupLayout->addWidget(eStr_, 2, 1);

    auto* every = new QHBoxLayout;
    every->addWidget(new QLabel("Check every "));
    every->addWidget(eMins_);
    every->addWidget(new QLabel("min."));
    every->addStretch();
    QHBoxLayout* checks = infoChecks(email_, log_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(action_);
    layout->addLayout(checks);
    layout->addWidget(separator());
    layout->addWidget(boldLabel("Set trigerred condition for WebPage  activity event"));
    layout->addLayout(every);
    layout->addWidget(new QLabel("Web url path to check for string on web page :"));
    layout->addWidget(webPath_);
    layout->addWidget(group);
    layout->addStretch();
    layout->addLayout(okCancel(this));
    setForm(WebEventForm{});
}

void WebEventDialog::setForm(const WebEventForm& form) {
    action_->setFields(form.action);
    const WebCondition& c = form.condition;
    eMins_->setText(QString::fromStdString(c.checkMinutes));
    webPath_->setText(QString::fromStdString(c.url));
    (c.whenExists ? rbExists_ : rbNotExists_)->setChecked(true);
    eStr_->setText(QString::fromStdString(c.searchText));
    email_->setChecked(c.email);
    log_->setChecked(c.log);
}

WebEventForm WebEventDialog::form() const {
    WebEventForm form;
    form.action = action_->fields();
    WebCondition& c = form.condition;
    c.checkMinutes = eMins_->text().toStdString();
    c.url = webPath_->text().toStdString();
    c.whenExists = rbExists_->isChecked();
    c.searchText = eStr_->text().toStdString();
    c.email = email_->isChecked();
    c.log = log_->isChecked();
    return form;
}

void WebEventDialog::accept() {
    if (passes(this, [this] { form().check(); })) QDialog::accept();
}

}  // namespace orvalo
