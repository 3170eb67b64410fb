// Takes the pictures in docs/screenshots: the main window in both run modes, the
// grid with long texts, the three event dialogs, and the time-event dialog on a
// whole 1366x768 screen, over a small example list. Run it through
// scripts/screenshots.sh, which starts it under Xvfb with that screen.
#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QScrollBar>
#include <QScreen>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <optional>

#include "eventlist/event_record.h"
#include "execution/run_history.h"
#include "manager/core/manager_core.h"
#include "manager/gui/file_event_dialog.h"
#include "manager/gui/history_dialog.h"
#include "manager/gui/loop_bridge.h"
#include "manager/gui/main_window.h"
#include "manager/gui/time_event_dialog.h"
#include "manager/gui/web_event_dialog.h"
#include "schedule/scheduler_thread.h"

namespace {

using namespace orvalo;

void settle() {
    for (int i = 0; i < 20; ++i) QApplication::processEvents(QEventLoop::AllEvents, 10);
}

bool save(QWidget& widget, const QString& file, bool wholeScreen = false) {
    widget.show();
    settle();
    QScreen* screen = widget.screen();
    const QPixmap picture = wholeScreen && screen != nullptr ? screen->grabWindow(0) : widget.grab();
    const bool saved = picture.save(file);
    std::printf("%s %s (%dx%d)\n", saved ? "wrote" : "could not write", qPrintable(file), picture.width(),
                picture.height());
    widget.hide();
    return saved;
}

ActionFields action(const char* name, const char* command, const char* kill, const char* mode) {
    ActionFields fields;
    fields.name = name;
    fields.commandLine = command;
    fields.killMinutes = kill;
    fields.startMode = mode;
    return fields;
}

TimeEventForm nightly() {
    TimeEventForm form = TimeEventForm::defaults({2026, 12, 11, 0, 0, 0, 0});
    form.type = TimeEventForm::Daily;
    form.freqOnceTimeMs = 2 * 3'600'000 + 30 * 60'000;
    return form;
}

// A few events of every kind, some enabled.
void fill(ManagerCore& core) {
    core.addTimeEvent(action("Nightly backup", "/usr/local/bin/backup --home", "30", "Hide"), nightly());
    TimeEventForm reports = nightly();
    reports.type = TimeEventForm::Weekly;
    reports.weeklyDays = {true, false, true, false, true, false, false};
    core.addTimeEvent(action("Weekly report", "make -C /srv/reports", "0", "Normal"), reports);
    FileEventForm file;
    file.action = action("Import orders", "/opt/shop/import /srv/drop/orders.csv", "5", "Normal");
    file.condition.path = "/srv/drop/orders.csv";
    file.condition.runEvery = true;
    core.addFileEvent(file);
    WebEventForm web;
    web.action = action("Site down alert", "notify-send 'shop is down'", "0", "Normal");
    web.condition.url = "https://shop.example.org/health";
    web.condition.searchText = "OK";
    web.condition.whenExists = false;
    web.condition.checkMinutes = "5";
    core.addWebEvent(web);
    core.enable(0);
    core.enable(1000);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString out = argc > 1 ? argv[1] : "docs/screenshots";
    QDir().mkpath(out);
    QTemporaryDir home;
    const std::filesystem::path folder = home.path().toStdString();
    bool ok = true;
    for (const bool serviceMode : {false, true}) {
        ManagerSettings settings;
        settings.serviceActive = serviceMode;
        settings.notifyEmail = "ops@example.org";
        SettingsFile(folder / "Orvalo.ini").writeManager(settings);
        std::filesystem::remove(folder / "L.csv");
        MainLoop loop;
        SchedulerThread scheduler;
        ManagerCore core(folder, loop, scheduler);
        core.start(false);
        fill(core);
        LoopBridge bridge(loop);
        MainWindow window(core);
        window.resize(1060, 560);
        window.refresh();
        window.selectId("1");
        ok = save(window, out + (serviceMode ? "/main-window-service.png" : "/main-window-application.png")) && ok;
        if (serviceMode) continue;

        TimeEventDialog time(&window);
        time.setValues(action("Nightly backup", "/usr/local/bin/backup --home", "30", "Hide"), nightly());
        ok = save(time, out + "/time-event-dialog.png") && ok;
        // The largest recurrence, on a small laptop's screen: OK and Cancel in view.
        TimeEventForm yearly = nightly();
        yearly.type = TimeEventForm::Yearly;
        TimeEventDialog onScreen;
        onScreen.setValues(action("New year", "/usr/local/bin/archive-year", "60", "Normal"), yearly);
        onScreen.adjustSize();
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            onScreen.move(screen->availableGeometry().center() - onScreen.rect().center());
        ok = save(onScreen, out + "/time-event-dialog-1366x768.png", true) && ok;
        FileEventDialog file(&window);
        file.setForm(core.fileEventForm(1000));
        ok = save(file, out + "/file-event-dialog.png") && ok;
        WebEventDialog web(&window);
        web.setForm(core.webEventForm(10000));
        ok = save(web, out + "/web-event-dialog.png") && ok;
        core.beginStop();
    }

    // Long texts: every title, state and date-time whole, the command line cut with
    // its tool tip, the colours kept on the selected row.
    std::filesystem::remove(folder / "L.csv");
    SettingsFile(folder / "Orvalo.ini").writeManager(ManagerSettings{});
    EventRecord longOne = makeTimeEvent(
        0,
        {"Nightly backup of the file server and the mail archive",
         "/usr/local/bin/backup --source /srv/files --source /srv/mail --target backup@vault.example.org:/pool/nightly "
         "--compress zstd --verify",
         "Minimize", 525600},
        "12/11/2026 08:59:16 PM", "");
    longOne.state = "Running";
    longOne.active = "Enabled";
    longOne.lastRun = "12/11/2026 08:59:16 PM";
    EventRecord second = makeTimeEvent(1, {"Reports", "make -C /srv/reports", "Normal", 0}, "12/11/2026 06:00:00 AM", "");
    writeEventListFile(folder / "L.csv", {longOne, second});
    {
        // A few runs in the history: a nightly backup that failed last night, reports that ran.
        RunHistory history(folder / RunHistory::kFileName, true);
        const std::int64_t day = 86'400'000;
        const std::int64_t start = RunHistory::nowMs() - 3 * day;
        for (int i = 0; i < 3; ++i) {
            const std::int64_t at = start + i * day;
            const long long run = history.begin({0, "Nightly backup of the file server and the mail archive",
                                                 RunTrigger::Time, at, at, longOne.commandLine});
            RunEnd end;
            end.endMs = at + 754'000 + i * 31'000;
            end.exitCode = i == 2 ? 7 : 0;
            end.output = i == 2 ? "backup: sending /srv/mail\nbackup: vault.example.org: connection refused\nbackup: giving up\n"
                                : "backup: sending /srv/files\nbackup: sending /srv/mail\nbackup: verified 18,204 files\n";
            history.finish(run, end);
        }
        const long long reports = history.begin({1, "Reports", RunTrigger::Time, start, start + day / 2, "make -C /srv/reports"});
        RunEnd done;
        done.endMs = start + day / 2 + 4'200;
        done.exitCode = 0;
        history.finish(reports, done);
    }
    {
        MainLoop loop;
        SchedulerThread scheduler;
        ManagerCore core(folder, loop, scheduler);
        core.start(false);
        LoopBridge bridge(loop);
        MainWindow window(core);
        window.resize(1340, 600);
        window.refresh();
        window.selectId("0");
        ok = save(window, out + "/main-window-long-texts.png") && ok;
        // The grid scrolled to its end, where the "Last result" column is.
        if (auto* grid = window.findChild<QTableView*>("Grid1")) {
            grid->horizontalScrollBar()->setValue(grid->horizontalScrollBar()->maximum());
            ok = save(window, out + "/main-window-last-result.png") && ok;
            grid->horizontalScrollBar()->setValue(0);
        }
        HistoryDialog history(*core.history(), 0, "Nightly backup of the file server and the mail archive", &window);
        history.setAttribute(Qt::WA_DeleteOnClose, false);
        ok = save(history, out + "/history-dialog.png") && ok;
        core.beginStop();
    }
    return ok ? 0 : 1;
}
