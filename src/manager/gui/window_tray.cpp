#include "manager/gui/window_tray.h"

#include <QMenu>
#include <QStyle>
#include <QTimer>

#include "manager/gui/messages.h"

namespace orvalo {

WindowTray::WindowTray(QWidget& window) : QObject(&window), window_(window) {}

void WindowTray::hideToTray() {
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        if (!missingSaid_) {
            missingSaid_ = true;
            showMessage(&window_, "There is no system tray here: Orvalo is minimised instead.");
        }
        window_.showMinimized();
        return;
    }
    if (icon_ == nullptr) {
        icon_ = new QSystemTrayIcon(window_.style()->standardIcon(QStyle::SP_ComputerIcon), this);
        icon_->setToolTip("Orvalo");
        auto* menu = new QMenu(&window_);
        menu->addAction("Show", this, [this] { bringToFront(); });
        menu->addAction("Exit", &window_, [this] { window_.close(); });
        icon_->setContextMenu(menu);
        connect(icon_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
            if (reason == QSystemTrayIcon::DoubleClick || reason == QSystemTrayIcon::Trigger) bringToFront();
        });
    }
    icon_->show();
    hidden_ = true;
    window_.hide();
}

void WindowTray::bringToFront() {
    window_.showNormal();
    window_.raise();
    window_.activateWindow();
}

void WindowTray::windowStateChanged() {
    if (hidden_ && window_.isMinimized() && icon_ != nullptr) QTimer::singleShot(0, this, [this] { hideToTray(); });
}

}  // namespace orvalo
