#include "manager/gui/dialog_parts.h"

#include <QPushButton>

#include "manager/gui/messages.h"

namespace orvalo {

void colour(QWidget* widget, const QColor& background) {
    widget->setAutoFillBackground(true);
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, background);
    widget->setPalette(palette);
}

QFrame* separator() {
    auto* line = new QFrame;
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

QHBoxLayout* okCancel(QDialog* dialog) {
    auto* ok = named(new QPushButton("OK"), "BOK");
    auto* cancel = named(new QPushButton("Cancel"), "BCancel");
    ok->setDefault(true);
    QObject::connect(ok, &QPushButton::clicked, dialog, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(ok);
    row->addWidget(cancel);
    return row;
}

QHBoxLayout* infoChecks(QCheckBox*& email, QCheckBox*& log) {
    email = named(new QCheckBox("Send info e-mail"), "CHBEmail");
    log = named(new QCheckBox("Write info to log"), "CHBLog");
    auto* row = new QHBoxLayout;
    row->addWidget(email);
    row->addWidget(log);
    row->addStretch();
    return row;
}

bool passes(QWidget* parent, const std::function<void()>& check) {
    try {
        check();
        return true;
    } catch (const std::exception& e) {
        showMessage(parent, QString::fromStdString(e.what()));
        return false;
    }
}

}  // namespace orvalo
