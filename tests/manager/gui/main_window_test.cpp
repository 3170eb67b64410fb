// The Orvalo window over a manager core on a temporary program folder.
#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QFontMetrics>
#include <QImage>
#include <QPlainTextEdit>
#include <QTableWidget>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <csignal>
#include <unistd.h>
#include <QTest>
#include <QTimer>
#include <optional>

#include "execution/log_file.h"
#include "manager/gui/event_table_model.h"
#include "manager/gui/loop_bridge.h"
#include "manager/gui/main_window.h"
#include "manager/gui/messages.h"
#include "manager/gui/window_tray.h"
#include "manager/gui/time_event_dialog.h"
#include "schedule/scheduler_thread.h"
#include "support/temp_folder.h"

using namespace orvalo;

class MainWindowTest : public QObject {
    Q_OBJECT

    void open(bool serviceMode) {
        if (serviceMode) {
            ManagerSettings settings;
            settings.serviceActive = true;
            SettingsFile(folder() / "Orvalo.ini").writeManager(settings);
        }
        core_.emplace(folder(), loop_, scheduler_);
        core_->start();
        bridge_.emplace(loop_);
        window_.emplace(*core_);
        window_->show();
    }
    std::filesystem::path folder() const { return home_->path().toStdString(); }
    template <typename W = QWidget>
    W* find(const char* name) {
        W* widget = window_->findChild<W*>(name);
        if (widget == nullptr) qFatal("no control %s", name);
        return widget;
    }
    QColor cellColour(int row, const char* title) {
        EventTableModel& model = window_->model();
        for (int c = 0; c < model.columnCount(); ++c)
            if (model.headerData(c, Qt::Horizontal, Qt::DisplayRole).toString() == title)
                return model.data(model.index(row, c), Qt::BackgroundRole).value<QColor>();
        return {};
    }
    QString cell(int row, int column) { return window_->model().data(window_->model().index(row, column), Qt::DisplayRole).toString(); }
    // Fills the modal dialog that the next command opens.
    void onNextDialog(std::function<void(QDialog&)> fill) {
        QTimer::singleShot(0, this, [fill] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog != nullptr);
            fill(*dialog);
        });
    }

    // Adds a daily event firing every second through the time-event dialog.
    void addEverySecondEvent(const QString& command) {
        onNextDialog([command](QDialog& dialog) {
            dialog.findChild<QLineEdit*>("EAct")->setText(command);
            dialog.findChild<QRadioButton*>("rbDaily")->click();
            dialog.findChild<QRadioButton*>("rbFreqInterval")->click();
            dialog.findChild<QLineEdit*>("edFreqInterval")->setText("1");
            dialog.findChild<QComboBox*>("cbFreqIntervalUnit")->setCurrentIndex(1);  // seconds
            dialog.accept();
        });
        find<QPushButton>("PBAdd")->click();
    }

private slots:
    void init() {
        home_.emplace();
        messages_.clear();
        setMessageHooks({[this](const QString& m) { messages_ << m; }, [this](const QString& q) {
                             messages_ << q;
                             return answer_;
                         }});
    }
    void cleanup() {
        window_.reset();
        bridge_.reset();
        core_.reset();
        setMessageHooks({});
    }

    void addingATimeEventThroughTheDialogShowsItsRow() {
        open(false);
        QCOMPARE(find<QLabel>("LERun")->text(), QString("Application"));
        QCOMPARE(find<QPushButton>("PBInstallS")->text(), QString("Install service"));
        QVERIFY(find("PanelS")->isHidden() && find("LInfo")->isHidden());
        QVERIFY(find("PBSLog")->isHidden() && !find("PBAppLog")->isHidden());
        QCOMPARE(window_->palette().color(QPalette::Window), QColor(152, 180, 209));

        onNextDialog([](QDialog& dialog) {
            QCOMPARE(dialog.windowTitle(), QString("Setting event"));
            QCOMPARE(dialog.findChild<QLineEdit*>("EName")->text(), QString("Event1"));
            dialog.findChild<QLineEdit*>("EAct")->setText("backup.sh");
            dialog.findChild<QRadioButton*>("rbDaily")->click();
            dialog.accept();
        });
        find<QPushButton>("PBAdd")->click();
        QCOMPARE(window_->model().rowCount(), 1);
        QCOMPARE(cell(0, 0), QString("Event1"));
        QCOMPARE(cell(0, 2), QString("backup.sh"));
        QCOMPARE(cell(0, 4), QString("Disabled"));
        QCOMPARE(cellColour(0, "Active"), QColor(255, 153, 128));
        QCOMPARE(cellColour(0, "State"), QColor(247, 251, 143));
        QCOMPARE(core_->engine().events().count(), 1);

        // A cancelled add leaves no trace.
        onNextDialog([](QDialog& dialog) { dialog.reject(); });
        find<QPushButton>("PBAdd")->click();
        QCOMPARE(window_->model().rowCount(), 1);
        QCOMPARE(core_->engine().events().count(), 1);

        window_->selectId("0");
        find<QPushButton>("BEnable")->click();
        QCOMPARE(cell(0, 4), QString("Enabled"));
        QCOMPARE(cellColour(0, "Active"), QColor(174, 252, 173));
        QCOMPARE(core_->engine().events().items(0).state(), eisWaiting);

        find<QPushButton>("PBDel")->click();
        QCOMPARE(messages_, QStringList{"Only disable event."});
        answer_ = false;
        find<QPushButton>("PBClear")->click();
        QCOMPARE(window_->model().rowCount(), 1);
        answer_ = true;
        find<QPushButton>("PBClear")->click();
        QCOMPARE(window_->model().rowCount(), 0);
        QCOMPARE(messages_.last(), QString("Really all delete ?"));
        QVERIFY(find("BTestSave")->isHidden());
    }

    // There is always a current row: the first at start, the new event after an add,
    // the edited one after an edit, so the buttons act on the event in view (once,
    // Enable right after adding Event2 enabled Event1).
    void theCurrentRowFollowsWhatTheUserDid() {
        writeEventListFile(folder() / "L.csv",
                           {makeTimeEvent(0, {"Event1", "a", "Normal", 0}, "d",
                                          "# Schedule: Generic\r\nStart.Date = 2040/01/01\r\nStart.Time = 08:00:00.000\r\n"
                                          "# Schedule: Recurring info\r\nRecur type = srkOneShot\r\n")});
        open(false);
        QCOMPARE(window_->currentId(), QString("0"));
        onNextDialog([](QDialog& dialog) { dialog.accept(); });
        find<QPushButton>("PBAdd")->click();
        QCOMPARE(window_->currentId(), QString("1"));
        find<QPushButton>("BEnable")->click();
        QCOMPARE(cell(0, 4), QString("Disabled"));
        QCOMPARE(cell(1, 4), QString("Enabled"));
        onNextDialog([](QDialog& dialog) { dialog.accept(); });
        find<QPushButton>("PBSetting")->click();  // a file event
        QCOMPARE(window_->currentId(), QString("1000"));
        window_->selectId("0");
        onNextDialog([](QDialog& dialog) {
            dialog.findChild<QLineEdit*>("EName")->setText("Renamed");
            dialog.accept();
        });
        find<QPushButton>("PBEdit")->click();
        QCOMPARE(window_->currentId(), QString("0"));
        QCOMPARE(cell(0, 0), QString("Renamed"));
    }

    // Column widths are minimums: no title, state, date-time or start mode is cut;
    // a long command line is elided and whole in its tool tip.
    void theGridShowsWholeTextsAndKeepsItsColoursWhenSelected() {
        const std::string command = "/usr/local/bin/backup --to /srv/backup/" + std::string(200, 'x') + " --verify";
        EventRecord event = makeTimeEvent(0, {"Nightly backup of the file server", command, "Minimize", 525600},
                                          "12/11/2026 08:59:16 PM", "");
        event.state = "Running";
        event.lastRun = "12/11/2026 08:59:16 PM";
        writeEventListFile(folder() / "L.csv", {event});
        open(false);
        auto* grid = find<QTableView>("Grid1");
        EventTableModel& model = window_->model();
        const QFontMetrics bold = [&] {
            QFont font = grid->font();
            font.setBold(true);
            return QFontMetrics(font);
        }();
        for (int c = 0; c < model.columnCount(); ++c) {
            const QString text = model.data(model.index(0, c), Qt::DisplayRole).toString();
            const QString title = model.headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
            QVERIFY2(grid->columnWidth(c) >= grid->fontMetrics().horizontalAdvance(title), qPrintable(title));
            if (c == 2) {
                QVERIFY(grid->columnWidth(c) < grid->fontMetrics().horizontalAdvance(text));  // elided
                QCOMPARE(model.data(model.index(0, c), Qt::ToolTipRole).toString(), QString::fromStdString(command));
            } else {
                const QFontMetrics& metrics = c <= 1 ? bold : grid->fontMetrics();  // names and dates are bold
                QVERIFY2(grid->columnWidth(c) >= metrics.horizontalAdvance(text), qPrintable(title));
            }
        }
        // Selected, the coloured cells keep their colours (the selection is a frame).
        window_->selectId("0");
        grid->scrollTo(model.index(0, 4));
        QApplication::processEvents();
        const QImage shot = grid->viewport()->grab().toImage();
        const auto share = [&](int column, QColor colour) {
            const QRect r = grid->visualRect(model.index(0, column)) & shot.rect();
            int same = 0;
            for (int y = r.top(); y <= r.bottom(); ++y)
                for (int x = r.left(); x <= r.right(); ++x) same += shot.pixelColor(x, y) == colour ? 1 : 0;
            return double(same) / (r.width() * r.height());
        };
        const QColor highlight = grid->palette().color(QPalette::Highlight);
        QVERIFY(share(4, QColor(255, 153, 128)) > 0.3 && share(4, highlight) < 0.3);  // "Disabled"
        QVERIFY(share(3, QColor(174, 252, 173)) > 0.3 && share(3, highlight) < 0.3);  // "Running"
    }

    // "Test action" is tracked: closing the window during its test time closes the
    // command, as a stop does (once, Exit left it running).
    void closingEndsATestAction() {
        const std::string pidFile = (folder() / "pid").string();
        writeEventListFile(folder() / "L.csv", {makeTimeEvent(0, {"Event1", "echo $$ > " + pidFile + "; exec sleep 60",
                                                                   "Normal", 5},
                                                              "d", "")});
        open(false);
        window_->setStopWait(std::chrono::milliseconds(300));
        find<QPushButton>("BTest")->click();
        QTRY_VERIFY_WITH_TIMEOUT(test::readFile(pidFile).size() > 1, 5000);
        const pid_t pid = std::stoi(test::readFile(pidFile));
        QVERIFY(core_->runsActive());
        window_->close();
        QTRY_VERIFY_WITH_TIMEOUT(!window_->isVisible(), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(::kill(pid, 0) != 0 || test::readFile("/proc/" + std::to_string(pid) + "/stat")
                                                             .find(") Z") != std::string::npos,
                                 5000);
    }

    // A log is shown even where no viewer for text files is installed: in a view of
    // the window's own that follows new lines. A missing log is said, not ignored.
    void theLogsAreShownWithoutADesktopViewer() {
        open(false);
        window_->setDesktopOpener([](const QString&) { return false; });
        find<QPushButton>("PBAppLog")->click();
        QCOMPARE(messages_, QStringList{"There is no applog.txt yet: nothing has been logged."});
        test::writeFile(folder() / "applog.txt", "12/11/26:10:00:00:first\r\n");
        find<QPushButton>("PBAppLog")->click();
        auto* viewer = window_->findChild<QDialog*>("LogViewer");
        QVERIFY(viewer != nullptr && viewer->isVisible());
        auto* text = viewer->findChild<QPlainTextEdit*>("LogText");
        QCOMPARE(text->toPlainText(), QString("12/11/26:10:00:00:first"));
        LogFile(folder() / "applog.txt").writeLog("second");
        QTRY_VERIFY_WITH_TIMEOUT(text->toPlainText().endsWith(":second"), 5000);
        QVERIFY(text->isReadOnly());
    }

    // The service buttons talk to the service manager off the window's thread: the
    // window goes on ticking while a service starts and stops, busy meanwhile.
    void theServiceButtonsKeepTheWindowResponding() {
        QTemporaryDir scm;
        qputenv("ORVALO_SCM", "direct");
        qputenv("ORVALO_SCM_DIR", scm.path().toUtf8());
        open(false);
        core_->setServiceProgram(ORVALO_BIN_DIR "/OrvaloS");
        int ticks = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
        ticker.start(20);
        bool done = false;
        window_->onServiceCommandDone([&] { done = true; });
        find<QPushButton>("PBInstallS")->click();
        QVERIFY(!window_->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(done, 30000);
        QCOMPARE(find<QLabel>("LERun")->text(), QString("Service"));
        QCOMPARE(messages_.last(), QString("Service instaled and running."));
        done = false;
        ticks = 0;
        find<QPushButton>("PBInstallS")->click();  // now "Uninstall service": a six-second stop
        QTRY_VERIFY_WITH_TIMEOUT(done, 30000);
        QVERIFY2(ticks > 100, qPrintable(QString::number(ticks)));  // the window turned all along
        QCOMPARE(find<QLabel>("LERun")->text(), QString("Application"));
        QVERIFY(window_->isEnabled());
        qunsetenv("ORVALO_SCM");
        qunsetenv("ORVALO_SCM_DIR");
    }

    // A run's result in the grid's "Last result" (red when it failed) and its output
    // in the History dialog.
    void theWindowShowsEachRunsResultAndOutput() {
        open(false);
        addEverySecondEvent("echo OUT; echo ERR >&2; exit 7");
        find<QPushButton>("BEnable")->click();
        QTRY_COMPARE_WITH_TIMEOUT(cell(0, 8), QString("exit 7"), 10000);
        QCOMPARE(cellColour(0, "Last result"), QColor(255, 110, 110));
        find<QPushButton>("BDisable")->click();
        find<QPushButton>("PBHistory")->click();
        auto* history = window_->findChild<QDialog*>("HistoryDialog");
        QVERIFY(history != nullptr);
        auto* runs = history->findChild<QTableWidget*>("RunsTable");
        QVERIFY(runs->rowCount() >= 1);
        QCOMPARE(runs->item(0, 4)->text(), QString("exit 7"));
        QCOMPARE(history->findChild<QPlainTextEdit*>("RunOutput")->toPlainText(), QString("OUT\nERR\n"));
    }

    void aRunRefreshesTheGridWithoutBlockingTheWindow() {
        open(false);
        const QString marker = QString::fromStdString((folder() / "ran").string());
        addEverySecondEvent("echo ran >> '" + marker + "'");
        window_->selectId("0");
        find<QPushButton>("BEnable")->click();
        // The run stamps "Last run" in the list; the grid follows without a click.
        QTRY_VERIFY_WITH_TIMEOUT(!cell(0, 5).isEmpty(), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(marker), 10000);
    }

    void serviceModeShowsTheServicePanelRedAfterAChange() {
        open(true);
        FileEventForm file;
        file.condition.path = "/tmp/none";
        core_->addFileEvent(file);
        window_->refresh();
        QCOMPARE(find<QLabel>("LERun")->text(), QString("Service"));
        QCOMPARE(find<QPushButton>("PBInstallS")->text(), QString("Uninstall service"));
        QVERIFY(!find("PanelS")->isHidden() && !find("LInfo")->isHidden());
        QVERIFY(!find("PBSLog")->isHidden() && find("PBAppLog")->isHidden());
        QCOMPARE(window_->palette().color(QPalette::Window), QColor(150, 222, 139));
        window_->selectId("1000");
        find<QPushButton>("BEnable")->click();
        QCOMPARE(find("PanelS")->palette().color(QPalette::Window), QColor(255, 0, 0));
        QCOMPARE(core_->watcher().rows()[0].enable, 1);
    }

    void theMailDialogKeepsWhatWasTypedEvenOnCancel() {
        open(false);
        onNextDialog([](QDialog& dialog) {
            QCOMPARE(dialog.windowTitle(), QString("Setting e-mail"));
            auto* password = dialog.findChild<QLineEdit*>("Passw");
            QCOMPARE(password->echoMode(), QLineEdit::Password);
            password->setText("new secret");
            dialog.findChild<QLineEdit*>("EESMTP")->setText("127.0.0.1:1");
            dialog.findChild<QPushButton*>("PBSaveTest")->click();
            // The test runs off the window's thread; the dialog takes no input meanwhile.
            QVERIFY(!dialog.isEnabled());
            QTRY_VERIFY_WITH_TIMEOUT(dialog.isEnabled(), 10000);
            dialog.reject();
        });
        find<QPushButton>("PBSetEmail")->click();
        QCOMPARE(messages_.size(), 1);
        QVERIFY2(messages_[0].startsWith("ERROR: "), qPrintable(messages_[0]));
        const ManagerSettings saved = SettingsFile(folder() / "Orvalo.ini").readManager();
        QCOMPARE(saved.mail.password, std::string("new secret"));
        QCOMPARE(saved.mail.smtpServer, std::string("127.0.0.1:1"));
    }

    void closingLetsRunsFinishWithTheWindowResponsive() {
        open(false);
        window_->setStopWait(std::chrono::milliseconds(300));
        window_->close();
        QVERIFY(window_->isVisible());
        QVERIFY(!find("LStopping")->isHidden());
        QTRY_VERIFY_WITH_TIMEOUT(!window_->isVisible(), 5000);
        QVERIFY(std::filesystem::exists(folder() / "Orvalo.ini"));  // the settings are saved
    }

    void withoutATrayHidingMinimisesAndSaysSoOnce() {
        open(false);
        if (QSystemTrayIcon::isSystemTrayAvailable()) QSKIP("this platform has a tray");
        window_->tray().hideToTray();
        window_->tray().hideToTray();
        QCOMPARE(messages_, QStringList{"There is no system tray here: Orvalo is minimised instead."});
    }

    void aSecondWindowBringsTheFirstToTheFrontAndEnds() {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        environment.insert("ORVALO_HOME", home_->path());
        QDir(home_->path()).mkdir("run");
        QFile::setPermissions(home_->path() + "/run", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        environment.insert("XDG_RUNTIME_DIR", home_->path() + "/run");
        QProcess first;
        first.setProcessEnvironment(environment);
        first.start(ORVALO_BIN_DIR "/Orvalo", {});
        QVERIFY(first.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(home_->path() + "/Orvalo.lock"), 10000);
        // The instance's socket is in the user's private folder, where no one else can take its name.
        QVERIFY(QFile::exists(home_->path() + QStringLiteral("/run/Orvalo-%1.socket").arg(::getuid())));
        QProcess second;
        second.setProcessEnvironment(environment);
        second.start(ORVALO_BIN_DIR "/Orvalo", {"-tray"});
        QVERIFY(second.waitForFinished(10000));
        QCOMPARE(second.exitCode(), 0);
        QCOMPARE(first.state(), QProcess::Running);
        first.terminate();
        first.waitForFinished(10000);
    }

private:
    std::optional<QTemporaryDir> home_;
    MainLoop loop_;
    SchedulerThread scheduler_;
    std::optional<ManagerCore> core_;
    std::optional<LoopBridge> bridge_;
    std::optional<MainWindow> window_;
    QStringList messages_;
    bool answer_ = true;
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
