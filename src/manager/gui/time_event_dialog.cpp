#include "manager/gui/time_event_dialog.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "base/error.h"
#include "manager/gui/action_fields_box.h"
#include "manager/gui/dialog_parts.h"
#include "manager/gui/typed_date_time.h"
#include "manager/gui/window_colors.h"

namespace orvalo {

namespace {

const QStringList kIndexValues{"1st", "2nd", "3rd", "4th", "Last"};
const QStringList kIndexKinds{"day",      "weekday",  "weekendday", "monday",   "tuesday",
                              "wednesday", "thursday", "friday",     "saturday", "sunday"};
const QStringList kMonths{"januari", "february", "march",     "april",   "may",      "june",
                          "july",    "august",   "september", "october", "november", "december"};
const QStringList kUnits{"Milliseconds", "Seconds", "Minutes", "Hours"};
const char* const kDayNames[7] = {"Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday"};
const char* const kDayControls[7] = {"cbWeeklyMon", "cbWeeklyTue", "cbWeeklyWed", "cbWeeklyThu",
                                     "cbWeeklyFri", "cbWeeklySat", "cbWeeklySun"};

QLineEdit* numberField(const char* name) {
    auto* field = named(new QLineEdit("1"), name);
    field->setMaximumWidth(70);
    return field;
}

QComboBox* list(const char* name, const QStringList& entries, int chosen, bool editable = false) {
    auto* box = named(new QComboBox, name);
    box->addItems(entries);
    box->setEditable(editable);
    box->setCurrentIndex(chosen);
    return box;
}

QTimeEdit* timeField(const char* name, QTime time) {
    auto* field = named(new QTimeEdit(time), name);
    field->setDisplayFormat("HH:mm:ss");
    typeOverWholeText(field);
    return field;
}

QDateEdit* dateField(const char* name) {
    auto* field = named(new QDateEdit(QDate::currentDate()), name);
    field->setDisplayFormat("dd-MM-yyyy");
    field->setCalendarPopup(true);
    typeOverWholeText(field);
    return field;
}

QGroupBox* panel(const QString& title) {
    auto* box = new QGroupBox(title);
    colour(box, colors::kDialogPanel);
    return box;
}

QHBoxLayout* row(std::initializer_list<QWidget*> widgets) {
    auto* layout = new QHBoxLayout;
    for (QWidget* w : widgets) layout->addWidget(w);
    layout->addStretch();
    return layout;
}

QLabel* text(const char* t) { return new QLabel(t); }

int msOf(const QTime& t) { return t.msecsSinceStartOfDay(); }
QTime timeOf(int ms) { return QTime::fromMSecsSinceStartOfDay(ms); }
QDate dateOf(const CalendarDay& d) { return QDate(d.year, d.month, d.day); }
CalendarDay dayOf(const QDate& d) { return {d.year(), d.month(), d.day()}; }

// The value lists: an entry, or a typed number with no entry chosen.
void showIndex(QComboBox* box, int position, const std::string& typed) {
    if (position >= 0) {
        box->setCurrentIndex(position);
    } else {
        box->setCurrentIndex(-1);
        box->setEditText(QString::fromStdString(typed));
    }
}
void readIndex(const QComboBox* box, int& position, std::string& typed) {
    const int chosen = box->findText(box->currentText(), Qt::MatchFixedString);
    position = chosen >= 0 ? chosen : TimeEventForm::kTypedIndexValue;
    typed = chosen >= 0 ? std::string() : box->currentText().toStdString();
}

}  // namespace

TimeEventDialog::TimeEventDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("TFrmScheduleEditor");
    setWindowTitle("Setting event");
    setWindowFlags(Qt::Dialog | Qt::WindowCloseButtonHint);
    colour(this, colors::kApplicationWindow);

    action_ = new ActionFieldsBox;

    // Start and type
    auto* startBox = panel("Start timed condition");
    startDate_ = dateField("dtpStartDate");
    startTime_ = timeField("dtpStartTime", QTime(0, 0));
    startBox->setLayout(row({text("Date:"), startDate_, text("Time:"), startTime_}));
    auto* typeBox = panel("Schedule type");
    auto* typeLayout = new QVBoxLayout(typeBox);
    const char* typeNames[5] = {"rbSingleShot", "rbDaily", "rbWeekly", "rbMonthly", "rbYearly"};
    const char* typeTitles[5] = {"One-shot", "Daily", "Weekly", "Monthly", "Yearly"};
    for (int i = 0; i < 5; ++i) {
        types_[i] = named(new QRadioButton(typeTitles[i]), typeNames[i]);
        typeLayout->addWidget(types_[i]);
    }

    // Daily
    dailyBox_ = panel("Daily");
    dailyEveryWeekDay_ = named(new QRadioButton("Every weekday"), "rbDailyEveryWeekDay");
    dailyInterval_ = named(new QRadioButton("Every"), "rbDailyInterval");
    edDailyInterval_ = numberField("edDailyInterval");
    auto* dailyLayout = new QVBoxLayout(dailyBox_);
    dailyLayout->addWidget(dailyEveryWeekDay_);
    dailyLayout->addLayout(row({dailyInterval_, edDailyInterval_, text("day(s)")}));

    // Weekly
    weeklyBox_ = panel("Weekly");
    edWeeklyInterval_ = numberField("edWeeklyInterval");
    auto* weeklyLayout = new QGridLayout(weeklyBox_);
    weeklyLayout->addLayout(row({text("Every"), edWeeklyInterval_, text("week(s) on:")}), 0, 0, 1, 4);
    for (int i = 0; i < 7; ++i) {
        weekDays_[i] = named(new QCheckBox(kDayNames[i]), kDayControls[i]);
        weeklyLayout->addWidget(weekDays_[i], 1 + i / 4, i % 4);
    }

    // Monthly
    monthlyBox_ = panel("Monthly");
    monthlyDay_ = named(new QRadioButton("Day"), "rbMonthlyDay");
    monthlyIndex_ = named(new QRadioButton("The"), "rbMonthlyEveryIndex");
    edMonthlyDay_ = numberField("edMonthlyDay");
    edMonthlyEveryMonth_ = numberField("edMonthlyEveryMonth");
    cbMonthlyIndexValue_ = list("cbMonthlyIndexValue", kIndexValues, 0, true);
    cbMonthlyIndexType_ = list("cbMonthlyIndexType", kIndexKinds, 1);
    edMonthlyIndexInterval_ = numberField("edMonthlyIndexInterval");
    auto* monthlyLayout = new QVBoxLayout(monthlyBox_);
    monthlyLayout->addLayout(row({monthlyDay_, edMonthlyDay_, text("of every"), edMonthlyEveryMonth_, text("month(s)")}));
    monthlyLayout->addLayout(row({monthlyIndex_, cbMonthlyIndexValue_, cbMonthlyIndexType_, text("of every"),
                                  edMonthlyIndexInterval_, text("month(s)")}));

    // Yearly
    yearlyBox_ = panel("Yearly");
    yearlyDate_ = named(new QRadioButton("On"), "rbYearlyDate");
    yearlyIndex_ = named(new QRadioButton("The"), "rbYearlyIndex");
    edYearlyDateDay_ = numberField("edYearlyDateDay");
    cbYearlyDateMonth_ = list("cbYearlyDateMonth", kMonths, 0);
    edYearlyDateInterval_ = numberField("edYearlyDateInterval");
    cbYearlyIndexValue_ = list("cbYearlyIndexValue", kIndexValues, 0, true);
    cbYearlyIndexKind_ = list("cbYearlyIndexKind", kIndexKinds, 1);
    cbYearlyIndexMonth_ = list("cbYearlyIndexMonth", kMonths, 0);
    edYearlyIndexInterval_ = numberField("edYearlyIndexInterval");
    auto* yearlyLayout = new QVBoxLayout(yearlyBox_);
    yearlyLayout->addLayout(row({yearlyDate_, edYearlyDateDay_, text("of"), cbYearlyDateMonth_, text("of every"),
                                 edYearlyDateInterval_, text("year(s)")}));
    yearlyLayout->addLayout(row({yearlyIndex_, cbYearlyIndexValue_, cbYearlyIndexKind_, text("of"), cbYearlyIndexMonth_,
                                 text("of every"), edYearlyIndexInterval_, text("year(s)")}));

    // Daily frequency
    frequencyBox_ = panel("Daily frequency");
    freqOnce_ = named(new QRadioButton("Occurs once at"), "rbFreqOneshot");
    freqInterval_ = named(new QRadioButton("Occurs every"), "rbFreqInterval");
    dtpDayFreqOneshot_ = timeField("dtpDayFreqOneshot", QTime(0, 0));
    edFreqInterval_ = numberField("edFreqInterval");
    cbFreqIntervalUnit_ = list("cbFreqIntervalUnit", kUnits, 2);
    dtpFreqFrom_ = timeField("dtpFreqFrom", QTime(0, 0));
    dtpFreqTo_ = timeField("dtpFreqTo", QTime(23, 59, 59));
    auto* frequencyLayout = new QVBoxLayout(frequencyBox_);
    frequencyLayout->addLayout(row({freqOnce_, dtpDayFreqOneshot_}));
    frequencyLayout->addLayout(row({freqInterval_, edFreqInterval_, cbFreqIntervalUnit_}));
    frequencyLayout->addLayout(row({text("between"), dtpFreqFrom_, text("and"), dtpFreqTo_}));

    // End
    endBox_ = panel("End");
    ends_[TimeEventForm::Never] = named(new QRadioButton("Never"), "rbInfinite");
    ends_[TimeEventForm::Date] = named(new QRadioButton("Date:"), "rbDate");
    ends_[TimeEventForm::EventCount] = named(new QRadioButton("Event count"), "rbTriggerCount");
    ends_[TimeEventForm::DayCount] = named(new QRadioButton("Day count"), "rbDayCount");
    edEventCount_ = numberField("edEventCount");
    edDayCount_ = numberField("edDayCount");
    dtpEndDate_ = dateField("dtpEndDate");
    dtpEndTime_ = timeField("dtpEndTime", QTime(23, 59, 59));
    auto* endLayout = new QVBoxLayout(endBox_);
    endLayout->addWidget(ends_[TimeEventForm::Never]);
    endLayout->addLayout(row({ends_[TimeEventForm::EventCount], edEventCount_}));
    endLayout->addLayout(row({ends_[TimeEventForm::DayCount], edDayCount_}));
    endLayout->addLayout(row({ends_[TimeEventForm::Date], dtpEndDate_, text("Time:"), dtpEndTime_}));

    // Each choice is one group of radio buttons.
    const auto group = [this](std::initializer_list<QRadioButton*> buttons) {
        auto* g = new QButtonGroup(this);
        for (QRadioButton* b : buttons) {
            g->addButton(b);
            connect(b, &QRadioButton::toggled, this, [this] { applyRules(); });
        }
    };
    group({types_[0], types_[1], types_[2], types_[3], types_[4]});
    group({dailyEveryWeekDay_, dailyInterval_});
    group({monthlyDay_, monthlyIndex_});
    group({yearlyDate_, yearlyIndex_});
    group({freqOnce_, freqInterval_});
    group({ends_[0], ends_[1], ends_[2], ends_[3]});

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Ok)->setObjectName("btnOk");
    buttons->button(QDialogButtonBox::Ok)->setText("OK");
    buttons->button(QDialogButtonBox::Cancel)->setObjectName("btnCancel");
    buttons->button(QDialogButtonBox::Cancel)->setText("Cancel");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    // One size whatever is chosen: the recurrence panels share one place as big as
    // the biggest, and the panels a one-shot event has no use for keep theirs.
    recurrence_ = new QStackedWidget;
    recurrence_->addWidget(new QWidget);  // one-shot
    for (QWidget* box : {dailyBox_, weeklyBox_, monthlyBox_, yearlyBox_}) {
        auto* page = new QWidget;
        auto* pageLayout = new QVBoxLayout(page);
        pageLayout->setContentsMargins(0, 0, 0, 0);
        pageLayout->addWidget(box);
        pageLayout->addStretch();
        recurrence_->addWidget(page);
    }
    for (QWidget* box : {static_cast<QWidget*>(frequencyBox_), static_cast<QWidget*>(endBox_)}) {
        QSizePolicy policy = box->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        box->setSizePolicy(policy);
    }
    auto* grid = new QGridLayout;
    grid->addWidget(startBox, 0, 0, 1, 2);
    grid->addWidget(typeBox, 1, 0);
    grid->addWidget(recurrence_, 1, 1);
    grid->addWidget(frequencyBox_, 2, 0, 1, 2);
    grid->addWidget(endBox_, 3, 0, 1, 2);
    grid->setColumnStretch(1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(action_);
    layout->addLayout(grid);
    layout->addWidget(buttons);

    setValues(ActionFields{}, TimeEventForm::defaults({QDate::currentDate().year(), QDate::currentDate().month(),
                                                       QDate::currentDate().day(), 0, 0, 0, 0}));
}

void TimeEventDialog::setValues(const ActionFields& action, const TimeEventForm& f) {
    action_->setFields(action);
    startDate_->setDate(dateOf(f.startDate));
    startTime_->setTime(timeOf(f.startTimeMs));
    types_[f.type]->setChecked(true);
    (f.dailyEveryWeekDay ? dailyEveryWeekDay_ : dailyInterval_)->setChecked(true);
    edDailyInterval_->setText(QString::fromStdString(f.dailyInterval));
    edWeeklyInterval_->setText(QString::fromStdString(f.weeklyInterval));
    for (std::size_t i = 0; i < 7; ++i) weekDays_[i]->setChecked(f.weeklyDays[i]);
    (f.monthlyByDay ? monthlyDay_ : monthlyIndex_)->setChecked(true);
    edMonthlyDay_->setText(QString::fromStdString(f.monthlyDay));
    edMonthlyEveryMonth_->setText(QString::fromStdString(f.monthlyEveryMonth));
    showIndex(cbMonthlyIndexValue_, f.monthlyIndexValue, f.monthlyIndexText);
    cbMonthlyIndexType_->setCurrentIndex(f.monthlyIndexType);
    edMonthlyIndexInterval_->setText(QString::fromStdString(f.monthlyIndexInterval));
    (f.yearlyByDate ? yearlyDate_ : yearlyIndex_)->setChecked(true);
    edYearlyDateDay_->setText(QString::fromStdString(f.yearlyDateDay));
    cbYearlyDateMonth_->setCurrentIndex(f.yearlyDateMonth);
    edYearlyDateInterval_->setText(QString::fromStdString(f.yearlyDateInterval));
    showIndex(cbYearlyIndexValue_, f.yearlyIndexValue, f.yearlyIndexText);
    cbYearlyIndexKind_->setCurrentIndex(f.yearlyIndexKind);
    cbYearlyIndexMonth_->setCurrentIndex(f.yearlyIndexMonth);
    edYearlyIndexInterval_->setText(QString::fromStdString(f.yearlyIndexInterval));
    (f.freqOnce ? freqOnce_ : freqInterval_)->setChecked(true);
    dtpDayFreqOneshot_->setTime(timeOf(f.freqOnceTimeMs));
    edFreqInterval_->setText(QString::fromStdString(f.freqInterval));
    cbFreqIntervalUnit_->setCurrentIndex(f.freqIntervalUnit);
    dtpFreqFrom_->setTime(timeOf(f.freqFromMs));
    dtpFreqTo_->setTime(timeOf(f.freqToMs));
    ends_[f.end]->setChecked(true);
    edEventCount_->setText(QString::fromStdString(f.eventCount));
    edDayCount_->setText(QString::fromStdString(f.dayCount));
    dtpEndDate_->setDate(dateOf(f.endDate));
    dtpEndTime_->setTime(timeOf(f.endTimeMs));
    applyRules();
}

ActionFields TimeEventDialog::action() const { return action_->fields(); }

TimeEventForm TimeEventDialog::form() const {
    TimeEventForm f;
    f.startDate = dayOf(startDate_->date());
    f.startTimeMs = msOf(startTime_->time());
    for (int i = 0; i < 5; ++i)
        if (types_[i]->isChecked()) f.type = static_cast<TimeEventForm::Type>(i);
    f.dailyEveryWeekDay = dailyEveryWeekDay_->isChecked();
    f.dailyInterval = edDailyInterval_->text().toStdString();
    f.weeklyInterval = edWeeklyInterval_->text().toStdString();
    for (std::size_t i = 0; i < 7; ++i) f.weeklyDays[i] = weekDays_[i]->isChecked();
    f.monthlyByDay = monthlyDay_->isChecked();
    f.monthlyDay = edMonthlyDay_->text().toStdString();
    f.monthlyEveryMonth = edMonthlyEveryMonth_->text().toStdString();
    readIndex(cbMonthlyIndexValue_, f.monthlyIndexValue, f.monthlyIndexText);
    f.monthlyIndexType = cbMonthlyIndexType_->currentIndex();
    f.monthlyIndexInterval = edMonthlyIndexInterval_->text().toStdString();
    f.yearlyByDate = yearlyDate_->isChecked();
    f.yearlyDateDay = edYearlyDateDay_->text().toStdString();
    f.yearlyDateMonth = cbYearlyDateMonth_->currentIndex();
    f.yearlyDateInterval = edYearlyDateInterval_->text().toStdString();
    readIndex(cbYearlyIndexValue_, f.yearlyIndexValue, f.yearlyIndexText);
    f.yearlyIndexKind = cbYearlyIndexKind_->currentIndex();
    f.yearlyIndexMonth = cbYearlyIndexMonth_->currentIndex();
    f.yearlyIndexInterval = edYearlyIndexInterval_->text().toStdString();
    f.freqOnce = freqOnce_->isChecked();
    f.freqOnceTimeMs = msOf(dtpDayFreqOneshot_->time());
    f.freqInterval = edFreqInterval_->text().toStdString();
    f.freqIntervalUnit = static_cast<TimeEventForm::Unit>(cbFreqIntervalUnit_->currentIndex());
    f.freqFromMs = msOf(dtpFreqFrom_->time());
    f.freqToMs = msOf(dtpFreqTo_->time());
    for (int i = 0; i < 4; ++i)
        if (ends_[i]->isChecked()) f.end = static_cast<TimeEventForm::End>(i);
    f.eventCount = edEventCount_->text().toStdString();
    f.dayCount = edDayCount_->text().toStdString();
    f.endDate = dayOf(dtpEndDate_->date());
    f.endTimeMs = msOf(dtpEndTime_->time());
    return f;
}

void TimeEventDialog::applyRules() {
    const bool oneShot = types_[TimeEventForm::OneShot]->isChecked();
    for (int type = 0; type < 5; ++type)
        if (types_[type]->isChecked()) recurrence_->setCurrentIndex(type);
    edDailyInterval_->setEnabled(dailyInterval_->isChecked());
    for (QWidget* w : std::initializer_list<QWidget*>{edMonthlyDay_, edMonthlyEveryMonth_})
        w->setEnabled(monthlyDay_->isChecked());
    for (QWidget* w : std::initializer_list<QWidget*>{cbMonthlyIndexValue_, cbMonthlyIndexType_, edMonthlyIndexInterval_})
        w->setEnabled(monthlyIndex_->isChecked());
    for (QWidget* w : std::initializer_list<QWidget*>{edYearlyDateDay_, cbYearlyDateMonth_, edYearlyDateInterval_})
        w->setEnabled(yearlyDate_->isChecked());
    for (QWidget* w : std::initializer_list<QWidget*>{cbYearlyIndexValue_, cbYearlyIndexKind_, cbYearlyIndexMonth_,
                                                       edYearlyIndexInterval_})
        w->setEnabled(yearlyIndex_->isChecked());
    frequencyBox_->setVisible(!oneShot);
    endBox_->setVisible(!oneShot);
    dtpDayFreqOneshot_->setEnabled(freqOnce_->isChecked());
    for (QWidget* w : std::initializer_list<QWidget*>{edFreqInterval_, cbFreqIntervalUnit_, dtpFreqFrom_, dtpFreqTo_})
        w->setEnabled(freqInterval_->isChecked());
    edEventCount_->setEnabled(ends_[TimeEventForm::EventCount]->isChecked());
    edDayCount_->setEnabled(ends_[TimeEventForm::DayCount]->isChecked());
    dtpEndDate_->setEnabled(ends_[TimeEventForm::Date]->isChecked());
    dtpEndTime_->setEnabled(ends_[TimeEventForm::Date]->isChecked());
}

void TimeEventDialog::accept() {
    if (passes(this, [this] {
            action().action();
            Schedule scratch(SystemClock::instance());
            controlsToSchedule(form(), scratch);
        }))
        QDialog::accept();
}

}  // namespace orvalo
