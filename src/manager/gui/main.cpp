// Orvalo: the manager's window.
#include <QApplication>
#include <QMessageBox>
#include <chrono>

#include "manager/core/manager_core.h"
#include "manager/gui/loop_bridge.h"
#include "manager/gui/main_window.h"
#include "manager/gui/single_instance.h"
#include "manager/gui/window_tray.h"
#include "platform/folder_lock.h"
#include "platform/program_folder.h"
#include "schedule/scheduler_thread.h"

int main(int argc, char** argv) {
    using namespace orvalo;
    QApplication app(argc, argv);
    QApplication::setApplicationName("Orvalo");
    try {
        // A second window only brings the first to the front, before any file is read.
        SingleInstance instance;
        if (!instance.claim()) return 0;
        const std::filesystem::path folder = programFolder();
        FolderLock lock;
        // orvaloctl holds the folder only for the moment of one command.
        if (!lock.take(folder, std::chrono::seconds(5)))
            throw Error("The event list in " + folder.string() + " is in use by another program; try again");
        MainLoop loop;
        loop.setErrorHandler([](std::exception_ptr error) {
            QMessageBox::warning(nullptr, "Orvalo", QString::fromStdString(errorText(error)));
        });
        SchedulerThread scheduler;
        ManagerCore core(folder, loop, scheduler);
        core.removeLeftoverTemporaryFiles();
        core.start();
        LoopBridge bridge(loop);
        MainWindow window(core);
        instance.onAnotherStart([&window] { window.tray().bringToFront(); });
        window.onStopped([] { QApplication::quit(); });
        if (!core.loadReports().empty()) {
            QString reports;
            for (const std::string& report : core.loadReports()) reports += QString::fromStdString(report) + "\n";
            QMessageBox::warning(nullptr, "Orvalo", reports.trimmed());
        }
        // Exactly "-tray" as the first argument starts hidden; the rest are not used.
        const QStringList arguments = QApplication::arguments();
        if (arguments.size() > 1 && arguments[1] == "-tray") window.tray().hideToTray();
        else window.show();
        return QApplication::exec();
    } catch (const std::exception& e) {
        QMessageBox::critical(nullptr, "Orvalo", QString::fromStdString(e.what()));
        return 1;
    }
}
