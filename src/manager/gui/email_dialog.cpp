#include "manager/gui/email_dialog.h"

#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "execution/mail_notifier.h"
#include "manager/core/manager_core.h"
#include "manager/gui/background_task.h"
#include "manager/gui/dialog_parts.h"
#include "manager/gui/messages.h"

namespace orvalo {

EmailDialog::EmailDialog(ManagerCore& core, QWidget* parent)
    : QDialog(parent),
      core_(core),
      fromName_(named(new QLineEdit, "FromName")),
      from_(named(new QLineEdit, "From")),
      login_(named(new QLineEdit, "Login")),
      password_(named(new QLineEdit, "Passw")),
      server_(named(new QLineEdit, "EESMTP")) {
    setObjectName("TFSetEml");
    setWindowTitle("Setting e-mail");
    resize(335, 347);
    password_->setEchoMode(QLineEdit::Password);
    const MailSettings& mail = core_.settings().mail;
    fromName_->setText(QString::fromStdString(mail.senderName));
    from_->setText(QString::fromStdString(mail.senderEmail));
    login_->setText(QString::fromStdString(mail.login));
    password_->setText(QString::fromStdString(mail.password));
    server_->setText(QString::fromStdString(mail.smtpServer));

    resultMail_ = named(new QComboBox, "CBResultMail");
    resultMail_->addItems({"never", "after a failure", "after every run"});
    resultMail_->setCurrentIndex(static_cast<int>(core_.settings().resultMail));

    auto* form = new QFormLayout;
    form->addRow("Sender name", fromName_);
    form->addRow("Sender e-mail adress", from_);
    form->addRow("Login", login_);
    form->addRow("Password", password_);
    form->addRow("Server SMTP", server_);
    form->addRow("Mail each run's result", resultMail_);
    auto* test = named(new QPushButton("Save and Test"), "PBSaveTest");
    connect(test, &QPushButton::clicked, this, [this] { saveAndTest(); });
    auto* buttons = okCancel(this);
    buttons->insertWidget(0, test);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addStretch();
    layout->addLayout(buttons);
}

MailSettings EmailDialog::fields() const {
    MailSettings mail;
    mail.senderName = fromName_->text().toStdString();
    mail.senderEmail = from_->text().toStdString();
    mail.login = login_->text().toStdString();
    mail.password = password_->text().toStdString();
    mail.smtpServer = server_->text().toStdString();
    return mail;
}

void EmailDialog::saveAndTest() {
    const MailSettings mail = fields();
    if (!passes(this, [&] { core_.setMailSettings(mail); })) return;
    // A server that does not answer takes its time limits: the dialog stays alive.
    runInBackground<std::string>(
        this, [mail] { return MailNotifier::testConnection(mail); },
        [this](const TaskOutcome<std::string>& outcome) {
            showMessage(this, QString::fromStdString(outcome.value ? *outcome.value : outcome.error));
            if (tested_) tested_();
        });
}

void EmailDialog::done(int result) {
    // Cancel keeps what was typed, as OK does.
    passes(this, [this] {
        core_.setMailSettings(fields());
        core_.setResultMail(static_cast<ResultMail>(resultMail_->currentIndex()));
    });
    QDialog::done(result);
}

}  // namespace orvalo
