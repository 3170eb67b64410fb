// The window's life beside the system tray: "Hide to tray" hides the window behind
// a tray icon (Show, Exit), or minimises it where there is no tray and says so
// once; once hidden there, minimising hides there again; another start of the
// program brings the window to the front. Owned by the window, on its thread.
#pragma once

#include <QObject>
#include <QSystemTrayIcon>
#include <QWidget>

namespace orvalo {

class WindowTray : public QObject {
public:
    explicit WindowTray(QWidget& window);

    void hideToTray();
    void bringToFront();
    // The window's state changed (minimised, restored).
    void windowStateChanged();

private:
    QWidget& window_;
    QSystemTrayIcon* icon_ = nullptr;
    bool missingSaid_ = false;
    bool hidden_ = false;
};

}  // namespace orvalo
