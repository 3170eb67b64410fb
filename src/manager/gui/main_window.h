// The Orvalo window: the grid of events, the command buttons, the service panel,
// the startup options and the notification address. It draws what the manager
// core holds and calls its commands; runs that change the list refresh the grid.
// Closing runs the stop sequence while the window keeps responding.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <functional>
#include <thread>

#include "manager/core/manager_core.h"

namespace orvalo {

class EventTableModel;
class WindowTray;

class MainWindow : public QWidget {
public:
    explicit MainWindow(ManagerCore& core, QWidget* parent = nullptr);
    ~MainWindow() override;

    EventTableModel& model() { return *model_; }
    // "Hide to tray", Show, minimising, another start: see WindowTray.
    WindowTray& tray() { return *tray_; }
    // How long closing lets running events finish (six seconds; tests shorten it).
    void setStopWait(std::chrono::milliseconds wait) { stopWait_ = wait; }
    // The ID of the grid's current row; empty when the grid is empty.
    QString currentId() const;
    void selectId(const QString& id);
    // Re-reads the list and applies the run mode's column (colours, captions).
    void refresh();
    // How a log is opened with the user's viewer; false when there is none (tests
    // replace it).
    void setDesktopOpener(std::function<bool(const QString& path)> open) { openWithDesktop_ = std::move(open); }
    // Called once a service command has finished (tests).
    void onServiceCommandDone(std::function<void()> handler) { serviceCommandDone_ = std::move(handler); }
    // Called once closing has stopped everything (the program ends then, even when
    // the window was hidden in the tray).
    void onStopped(std::function<void()> handler) { onStopped_ = std::move(handler); }

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QWidget* buildGrid();
    QWidget* buildCommands();
    QWidget* buildServicePanel();
    QWidget* buildStartupGroup();
    // Columns at their minimum widths or wider, to fit their texts.
    void fitColumns();
    // Makes the first row current when the list has rows and none is.
    void ensureCurrentRow();
    void selectRow(int row);
    void showClock();
    void applyRunMode();
    // Back on the window's thread once the stop sequence has ended.
    void finishClosing();

    // The commands behind the buttons.
    void addTimeEvent();
    void addFileEvent();
    void addWebEvent();
    void editEvent();
    void setActive(bool enabled);
    void clearAll();
    void testAction();
    // "History": the current event's runs, following new ones.
    void showHistory();
    void testSave();
    void installOrUninstall();
    void updateService();
    // Runs a service command off the window's thread and shows its message.
    void serviceCommand(ServiceCommand which);
    void viewLog(bool service);
    void startupChanged();
    void notifyChanged();
    void editMail();
    // Runs a command with the watcher resting, errors in a message box.
    template <typename F>
    void command(F&& body, bool dialog = false);

    ManagerCore& core_;
    EventTableModel* model_;
    QTableView* grid_;
    QLabel* date_;
    QLabel* time_;
    QLabel* runMode_;
    QLabel* info_;
    QLabel* stopping_;
    QFrame* servicePanel_;
    QPushButton* installButton_;
    QPushButton* serviceLog_;
    QPushButton* appLog_;
    QLineEdit* notify_;
    QCheckBox* startWithLogin_;
    QCheckBox* allUsers_;
    QComboBox* startupMode_;
    QTimer clock_;
    int clockTicks_ = 0;
    WindowTray* tray_;
    bool stopStarted_ = false;
    bool stopped_ = false;
    std::chrono::milliseconds stopWait_{6000};
    std::function<void()> onStopped_;
    QString pendingCurrent_;
    std::function<bool(const QString& path)> openWithDesktop_;
    std::thread stopThread_;
    std::function<void()> serviceCommandDone_;  // the event a command made current, until the next refresh
};

}  // namespace orvalo
