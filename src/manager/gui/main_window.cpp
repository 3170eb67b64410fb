#include "manager/gui/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QDesktopServices>
#include <QUrl>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMenu>
#include <QPointer>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>
#include <filesystem>
#include <thread>

#include "manager/core/test_action.h"
#include "manager/gui/background_task.h"
#include "manager/gui/dialog_parts.h"
#include "manager/gui/email_dialog.h"
#include "manager/gui/event_table_model.h"
#include "manager/gui/file_event_dialog.h"
#include "manager/gui/history_dialog.h"
#include "manager/gui/log_viewer.h"
#include "manager/gui/messages.h"
#include "manager/gui/status_cell_delegate.h"
#include "manager/gui/time_event_dialog.h"
#include "manager/gui/web_event_dialog.h"
#include "manager/gui/window_colors.h"
#include "manager/gui/window_tray.h"
#include "platform/atomic_file.h"
#include "schedule/schedule_text_store.h"

namespace orvalo {

namespace {

// The grid's column widths are minimums: a column grows to fit its title and its
// texts, except the command line, which is elided (its tool tip holds it whole).
constexpr int kColumnWidths[] = {110, 123, 194, 49, 53, 100, 66, 80, 90};
constexpr int kCommandColumn = 2;
constexpr int kLongestCommandWidth = 320;

QPushButton* button(const char* caption, const char* name) { return named(new QPushButton(caption), name); }

QLabel* clockLabel(const char* name) {
    auto* label = named(new QLabel, name);
    QFont font("Arial");
    font.setPixelSize(16);
    font.setBold(true);
    font.setItalic(true);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Qt::white);
    label->setPalette(palette);
    return label;
}

}  // namespace

MainWindow::MainWindow(ManagerCore& core, QWidget* parent)
    : QWidget(parent),
      core_(core),
      openWithDesktop_([](const QString& path) { return QDesktopServices::openUrl(QUrl::fromLocalFile(path)); }) {
    setObjectName("Form1");
    tray_ = new WindowTray(*this);
    setWindowTitle("Orvalo");
    auto* title = named(new QLabel("Orvalo"), "LTitle");
    QFont titleFont = title->font();
    titleFont.setPointSize(titleFont.pointSize() * 2);
    titleFont.setBold(true);
    title->setFont(titleFont);
    auto* clockFrame = named(new QFrame, "PanelClock");
    clockFrame->setFrameShape(QFrame::Panel);
    clockFrame->setFrameShadow(QFrame::Raised);
    date_ = clockLabel("LDate");
    time_ = clockLabel("LTime");
    auto* clockLayout = new QHBoxLayout(clockFrame);
    clockLayout->addWidget(date_);
    clockLayout->addWidget(time_);
    auto* top = new QHBoxLayout;
    top->addWidget(title);
    top->addStretch();
    top->addWidget(clockFrame);

    stopping_ = named(new QLabel("Stopping: running events get their time to finish..."), "LStopping");
    stopping_->setHidden(true);

    auto* middle = new QHBoxLayout;
    middle->addWidget(buildGrid(), 1);
    middle->addWidget(buildCommands());
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(new QLabel("List of events"));
    layout->addLayout(middle, 1);
    layout->addWidget(buildServicePanel());
    layout->addWidget(buildStartupGroup());
    layout->addWidget(stopping_);
    setAutoFillBackground(true);

    const ManagerSettings& s = core_.settings();
    startWithLogin_->setChecked(s.appStart);
    allUsers_->setChecked(s.appStartAllUsers);
    startupMode_->setCurrentIndex(s.appStartMode == 0 || s.appStartMode == 1 ? static_cast<int>(s.appStartMode) : -1);
    notify_->setText(QString::fromStdString(s.notifyEmail));

    core_.onListChanged([this] {
        model_->refresh();
        ensureCurrentRow();
    });
    connect(&clock_, &QTimer::timeout, this, [this] { showClock(); });
    clock_.start(1000);
    showClock();
    applyRunMode();
    resize(1000, 640);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

QWidget* MainWindow::buildGrid() {
    model_ = new EventTableModel(core_, this);
    grid_ = named(new QTableView, "Grid1");
    grid_->setModel(model_);
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid_->setSelectionMode(QAbstractItemView::SingleSelection);
    grid_->verticalHeader()->setVisible(false);
    grid_->verticalHeader()->setDefaultSectionSize(20);
    grid_->setTextElideMode(Qt::ElideRight);
    grid_->setItemDelegate(new StatusCellDelegate(grid_));
    grid_->horizontalHeader()->setStretchLastSection(true);
    fitColumns();
    ensureCurrentRow();
    connect(grid_, &QTableView::doubleClicked, this, [this] { editEvent(); });
    return grid_;
}

void MainWindow::fitColumns() {
    for (int c = 0; c < EventTableModel::kColumns; ++c) {
        grid_->resizeColumnToContents(c);  // the title and the texts in view
        const int fit = grid_->columnWidth(c);
        const int widest = c == kCommandColumn ? std::max(kColumnWidths[c], kLongestCommandWidth) : fit;
        grid_->setColumnWidth(c, std::clamp(fit, kColumnWidths[c], widest));
    }
}

void MainWindow::ensureCurrentRow() {
    if (model_->rowCount() == 0 || grid_->currentIndex().isValid()) return;
    selectRow(0);
}

void MainWindow::selectRow(int row) {
    grid_->setCurrentIndex(model_->index(row, 0));
    grid_->selectRow(row);
}

QWidget* MainWindow::buildCommands() {
    auto* box = new QWidget;
    auto* layout = new QVBoxLayout(box);
    const auto add = [&](const char* caption, const char* name, auto slot) {
        QPushButton* b = button(caption, name);
        connect(b, &QPushButton::clicked, this, slot);
        layout->addWidget(b);
        return b;
    };
    add("Add Time event", "PBAdd", [this] { addTimeEvent(); });
    add("Add File event", "PBSetting", [this] { addFileEvent(); });
    add("Add Web event", "PBWebAdd", [this] { addWebEvent(); });
    add("Edit && Info about Event", "PBEdit", [this] { editEvent(); });
    layout->addSpacing(8);
    add("Delete Event", "PBDel", [this] { showMessage(this, ManagerCore::kOnlyDisable); });
    add("Enable", "BEnable", [this] { setActive(true); });
    add("Disable", "BDisable", [this] { setActive(false); });
    add("Test action", "BTest", [this] { testAction(); });
    add("History", "PBHistory", [this] { showHistory(); });
    add("Deleter all events", "PBClear", [this] { clearAll(); });
    add("Test save", "BTestSave", [this] { testSave(); })->setVisible(false);
    layout->addSpacing(8);
    add("Set e-mail config", "PBSetEmail", [this] { editMail(); });
    layout->addStretch();
    add("Hide to tray", "BHide", [this] { tray_->hideToTray(); });
    add("Exit", "BExit", [this] { close(); });
    return box;
}

QWidget* MainWindow::buildServicePanel() {
    auto* box = new QWidget;
    auto* layout = new QHBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    runMode_ = named(new QLabel, "LERun");
    runMode_->setAutoFillBackground(true);
    QPalette lime = runMode_->palette();
    lime.setColor(QPalette::Window, colors::kRunLabel);
    runMode_->setPalette(lime);
    info_ = named(new QLabel("(Application only for manage service)"), "LInfo");
    installButton_ = button("Install service", "PBInstallS");
    connect(installButton_, &QPushButton::clicked, this, [this] { installOrUninstall(); });
    servicePanel_ = named(new QFrame, "PanelS");
    servicePanel_->setAutoFillBackground(true);
    servicePanel_->setFrameShape(QFrame::Panel);
    auto* panelLayout = new QHBoxLayout(servicePanel_);
    QPushButton* update = button("Update service", "PBUpdateService");
    connect(update, &QPushButton::clicked, this, [this] { updateService(); });
    panelLayout->addWidget(update);
    serviceLog_ = button("View service log", "PBSLog");
    appLog_ = button("View application log", "PBAppLog");
    connect(serviceLog_, &QPushButton::clicked, this, [this] { viewLog(true); });
    connect(appLog_, &QPushButton::clicked, this, [this] { viewLog(false); });
    notify_ = named(new QLineEdit, "Notiemail");
    connect(notify_, &QLineEdit::editingFinished, this, [this] { notifyChanged(); });

    layout->addWidget(new QLabel("Events will run now from :"));
    layout->addWidget(runMode_);
    layout->addWidget(info_);
    layout->addWidget(installButton_);
    layout->addWidget(servicePanel_);
    layout->addWidget(serviceLog_);
    layout->addWidget(appLog_);
    layout->addStretch();
    layout->addWidget(new QLabel("Notify e-mail"));
    layout->addWidget(notify_);
    return box;
}

QWidget* MainWindow::buildStartupGroup() {
    auto* group = named(new QGroupBox("Settings for application startup"), "GBStartup");
    startWithLogin_ = named(new QCheckBox("Start after reboot windows"), "CHBReb");
    allUsers_ = named(new QCheckBox("For all users"), "CHBRebU");
    startupMode_ = named(new QComboBox, "CBReb");
    startupMode_->addItems({"Minimize (tray)", "Normal"});
    auto* layout = new QHBoxLayout(group);
    layout->addWidget(startWithLogin_);
    layout->addWidget(allUsers_);
    layout->addWidget(new QLabel("Startup mode:"));
    layout->addWidget(startupMode_);
    layout->addStretch();
    connect(startWithLogin_, &QCheckBox::clicked, this, [this] { startupChanged(); });
    connect(allUsers_, &QCheckBox::clicked, this, [this] { startupChanged(); });
    connect(startupMode_, &QComboBox::activated, this, [this] { startupChanged(); });
    return group;
}

void MainWindow::showClock() {
    // Results change without the list (a run without a kill time ends later): the
    // last-result column is looked at with the clock, every other second.
    if (++clockTicks_ % 2 == 0 && isVisible()) model_->refreshResults();
    const QDateTime now = QDateTime::currentDateTime();
    date_->setText(now.toString("dd.MM.yyyy"));
    time_->setText(now.toString("HH:mm:ss"));
}

void MainWindow::applyRunMode() {
    const bool service = core_.serviceMode();
    installButton_->setText(service ? "Uninstall service" : "Install service");
    runMode_->setText(service ? "Service" : "Application");
    info_->setVisible(service);
    servicePanel_->setVisible(service);
    serviceLog_->setVisible(service);
    appLog_->setVisible(!service);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, service ? colors::kServiceWindow : colors::kApplicationWindow);
    setPalette(palette);
    QPalette panel = servicePanel_->palette();
    panel.setColor(QPalette::Window, core_.changesPending() ? colors::kChangesPending : colors::kNoChanges);
    servicePanel_->setPalette(panel);
}

void MainWindow::refresh() {
    // The event a command has just made or changed, else the one that was current.
    const QString id = pendingCurrent_.isEmpty() ? currentId() : pendingCurrent_;
    pendingCurrent_.clear();
    model_->refresh();
    fitColumns();
    if (!id.isEmpty()) selectId(id);
    ensureCurrentRow();
    applyRunMode();
}

QString MainWindow::currentId() const { return model_->idAt(grid_->currentIndex().row()); }

void MainWindow::selectId(const QString& id) {
    const int row = model_->rowOf(id);
    if (row >= 0) selectRow(row);
}

template <typename F>
void MainWindow::command(F&& body, bool dialog) {
    if (dialog) core_.pauseWatching(true);
    try {
        body();
    } catch (const std::exception& e) {
        showMessage(this, QString::fromStdString(e.what()));
    }
    // The watcher rests only while the dialog is open, whatever happened.
    if (dialog) core_.pauseWatching(false);
    refresh();
}

void MainWindow::addTimeEvent() {
    command(
        [this] {
            TimeEventDialog dialog(this);
            const LocalDateTime now = toLocalDateTime(nowStamp(SystemClock::instance()));
            TimeEventForm form = TimeEventForm::defaults(now);
            form.startTimeMs = ((now.hour * 60 + now.minute) * 60 + now.second) * 1000;
            ActionFields action;
            action.name = core_.proposedName(EventKind::Time);
            dialog.setValues(action, form);
            if (dialog.exec() != QDialog::Accepted) return;
            pendingCurrent_ = QString::number(core_.addTimeEvent(dialog.action(), dialog.form()));
        },
        true);
}

void MainWindow::addFileEvent() {
    command(
        [this] {
            FileEventDialog dialog(this);
            FileEventForm form;
            form.action.name = core_.proposedName(EventKind::File);
            dialog.setForm(form);
            if (dialog.exec() != QDialog::Accepted) return;
            pendingCurrent_ = QString::number(core_.addFileEvent(dialog.form()));
        },
        true);
}

void MainWindow::addWebEvent() {
    command(
        [this] {
            WebEventDialog dialog(this);
            WebEventForm form;
            form.action.name = core_.proposedName(EventKind::Web);
            dialog.setForm(form);
            if (dialog.exec() != QDialog::Accepted) return;
            pendingCurrent_ = QString::number(core_.addWebEvent(dialog.form()));
        },
        true);
}

void MainWindow::editEvent() {
    const QString text = currentId();
    if (text.isEmpty()) return;
    command(
        [this, id = text.toLongLong()] {
            const std::optional<EventKind> kind = core_.record(id).kind();
            if (kind == EventKind::Time) {
                TimeEventDialog dialog(this);
                const auto [action, form] = core_.timeEventForm(id);
                dialog.setValues(action, form);
                if (dialog.exec() == QDialog::Accepted) core_.editTimeEvent(id, dialog.action(), dialog.form());
            } else if (kind == EventKind::File) {
                FileEventDialog dialog(this);
                dialog.setForm(core_.fileEventForm(id));
                if (dialog.exec() == QDialog::Accepted) core_.editFileEvent(id, dialog.form());
            } else if (kind == EventKind::Web) {
                WebEventDialog dialog(this);
                dialog.setForm(core_.webEventForm(id));
                if (dialog.exec() == QDialog::Accepted) core_.editWebEvent(id, dialog.form());
            }
        },
        true);
}

void MainWindow::setActive(bool enabled) {
    const QString id = currentId();
    if (id.isEmpty()) return;
    command([&] { enabled ? core_.enable(id.toLongLong()) : core_.disable(id.toLongLong()); });
}

void MainWindow::clearAll() {
    if (!askYesNo(this, ManagerCore::kClearQuestion)) return;
    command([this] { core_.clearAll(); });
}

void MainWindow::testAction() {
    const QString id = currentId();
    if (id.isEmpty()) return;
    command([&] {
        // The test time would freeze the window: the core runs it on a thread of its
        // own and closes it when the window closes.
        QPointer<MainWindow> window(this);
        core_.startTestAction(id.toLongLong(), [window](const std::string& error) {
            const QString message = QString::fromStdString(error);
            QMetaObject::invokeMethod(qApp, [window, message] {
                if (window) showMessage(window, message);
            });
        });
    });
}

void MainWindow::showHistory() {
    const QString id = currentId();
    RunHistory* history = core_.history();
    if (id.isEmpty() || history == nullptr) return;
    const int row = model_->rowOf(id);
    auto* dialog = new HistoryDialog(*history, id.toLongLong(), model_->data(model_->index(row, 0), Qt::DisplayRole).toString(), this);
    dialog->show();
}

void MainWindow::testSave() {
    command([this] {
        ScheduledEvents& engine = core_.engine();
        if (engine.events().count() == 0) return;
        EventCollectionItem& first = engine.events().items(0);
        first.deactivate();
        writeFileAtomically(std::filesystem::current_path() / "SingleEventSaved.evt", scheduleToText(first.schedule()));
    });
}

void MainWindow::serviceCommand(ServiceCommand which) {
    // The service manager may take seconds (a stop takes six): the window keeps
    // responding meanwhile, busy, and switches its run mode once the work is done.
    runInBackground<ServiceOutcome>(
        this, [this, which] { return core_.serviceWork(which); },
        [this](const TaskOutcome<ServiceOutcome>& outcome) {
            if (!outcome.value) return showMessage(this, QString::fromStdString(outcome.error));
            command([&] { core_.finishServiceCommand(*outcome.value); });
            if (!outcome.value->message.empty()) showMessage(this, QString::fromStdString(outcome.value->message));
            if (serviceCommandDone_) serviceCommandDone_();
        });
}

void MainWindow::installOrUninstall() {
    serviceCommand(core_.serviceMode() ? ServiceCommand::Uninstall : ServiceCommand::Install);
}

void MainWindow::updateService() { serviceCommand(ServiceCommand::Update); }

void MainWindow::viewLog(bool service) {
    const std::filesystem::path log = core_.logFile(service);
    if (!std::filesystem::exists(log)) {
        showMessage(this, QString("There is no %1 yet: nothing has been logged.").arg(QString::fromStdString(log.filename().string())));
        return;
    }
    const QString path = QString::fromStdString(log.string());
    // The user's viewer for text files, or, where there is none, a view of our own.
    if (openWithDesktop_(path)) return;
    auto* viewer = new LogViewer(path, this);
    viewer->show();
}

void MainWindow::startupChanged() {
    command([this] {
        core_.setStartupOptions(startWithLogin_->isChecked(), allUsers_->isChecked(), startupMode_->currentIndex());
    });
}

void MainWindow::notifyChanged() {
    if (notify_->text().toStdString() == core_.settings().notifyEmail) return;
    command([this] { core_.setNotifyEmail(notify_->text().toStdString()); });
}

void MainWindow::editMail() {
    EmailDialog dialog(core_, this);
    dialog.exec();
}

void MainWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::WindowStateChange) tray_->windowStateChanged();
    QWidget::changeEvent(event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (stopped_) return event->accept();
    event->ignore();
    if (stopStarted_) return;
    stopStarted_ = true;
    stopping_->setVisible(true);
    setEnabled(false);
    core_.beginStop();
    // The runner's stop sequence runs off the window's thread, so the window keeps
    // responding while running events get their time; its end comes back here.
    const auto until = std::chrono::steady_clock::now() + stopWait_;
    stopThread_ = std::thread([this, until] {
        core_.stopRuns(until);
        QMetaObject::invokeMethod(this, [this] { finishClosing(); }, Qt::QueuedConnection);
    });
}

void MainWindow::finishClosing() {
    if (stopThread_.joinable()) stopThread_.join();
    try {
        core_.finishStop();
    } catch (const std::exception& e) {
        showMessage(this, QString::fromStdString(e.what()));
    }
    stopped_ = true;
    close();
    if (onStopped_) onStopped_();
}

MainWindow::~MainWindow() {
    // A window destroyed while closing waits for the stop it began.
    if (stopThread_.joinable()) stopThread_.join();
}

}  // namespace orvalo
