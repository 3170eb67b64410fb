#include "manager/gui/messages.h"

#include <QMessageBox>

namespace orvalo {

namespace {
MessageHooks& hooks() {
    static MessageHooks instance;
    return instance;
}
}  // namespace

MessageHooks setMessageHooks(MessageHooks replacement) {
    MessageHooks old = std::move(hooks());
    hooks() = std::move(replacement);
    return old;
}

void showMessage(QWidget* parent, const QString& text) {
    if (hooks().message) return hooks().message(text);
    QMessageBox::information(parent, "Orvalo", text);
}

bool askYesNo(QWidget* parent, const QString& question) {
    if (hooks().question) return hooks().question(question);
    return QMessageBox::question(parent, "Orvalo", question, QMessageBox::Yes | QMessageBox::No, QMessageBox::No) ==
           QMessageBox::Yes;
}

}  // namespace orvalo
