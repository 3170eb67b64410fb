// Message boxes and the Yes/No question of the manager. Tests replace the boxes
// with a recorder, since a modal box would wait for a click.
#pragma once

#include <QString>
#include <QWidget>
#include <functional>

namespace orvalo {

void showMessage(QWidget* parent, const QString& text);
bool askYesNo(QWidget* parent, const QString& question);

struct MessageHooks {
    std::function<void(const QString&)> message;
    std::function<bool(const QString&)> question;
};
// Replaces the boxes while set; returns the hooks it replaced.
MessageHooks setMessageHooks(MessageHooks hooks);

}  // namespace orvalo
