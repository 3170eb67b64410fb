// "Setting e-mail": the SMTP account. Every way of closing it (OK, Cancel, the
// close box) keeps what was typed and saves it; "Save and Test" saves, then tries
// the server off the window's thread (busy meanwhile) and says how that went.
#pragma once

#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <functional>

#include "eventlist/settings_file.h"

namespace orvalo {

class ManagerCore;

class EmailDialog : public QDialog {
public:
    EmailDialog(ManagerCore& core, QWidget* parent = nullptr);
    MailSettings fields() const;
    void done(int result) override;
    // Called once a server test has been answered (tests).
    void onTested(std::function<void()> handler) { tested_ = std::move(handler); }

private:
    void saveAndTest();

    ManagerCore& core_;
    QLineEdit* fromName_;
    QLineEdit* from_;
    QLineEdit* login_;
    QLineEdit* password_;
    QLineEdit* server_;
    QComboBox* resultMail_;
    std::function<void()> tested_;
};

}  // namespace orvalo
