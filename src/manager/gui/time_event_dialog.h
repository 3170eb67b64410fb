// "Setting event": the time-event editor. It shows a TimeEventForm and the action
// fields, applies the enabling rules whenever a choice changes, and closes with OK
// only when every value can be stored (checked on a scratch schedule); otherwise
// it names the field and stays open.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDialog>
#include <QStackedWidget>
#include <QGroupBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTimeEdit>
#include <array>

#include "manager/core/event_forms.h"
#include "manager/core/time_event_form.h"

namespace orvalo {

class ActionFieldsBox;

class TimeEventDialog : public QDialog {
public:
    explicit TimeEventDialog(QWidget* parent = nullptr);
    void setValues(const ActionFields& action, const TimeEventForm& form);
    ActionFields action() const;
    TimeEventForm form() const;
    void accept() override;

private:
    void applyRules();

    ActionFieldsBox* action_;
    QDateEdit* startDate_;
    QTimeEdit* startTime_;
    std::array<QRadioButton*, 5> types_{};
    QGroupBox* dailyBox_;
    QRadioButton* dailyEveryWeekDay_;
    QRadioButton* dailyInterval_;
    QLineEdit* edDailyInterval_;
    QGroupBox* weeklyBox_;
    QLineEdit* edWeeklyInterval_;
    std::array<QCheckBox*, 7> weekDays_{};
    QGroupBox* monthlyBox_;
    QRadioButton* monthlyDay_;
    QRadioButton* monthlyIndex_;
    QLineEdit* edMonthlyDay_;
    QLineEdit* edMonthlyEveryMonth_;
    QComboBox* cbMonthlyIndexValue_;
    QComboBox* cbMonthlyIndexType_;
    QLineEdit* edMonthlyIndexInterval_;
    QGroupBox* yearlyBox_;
    QStackedWidget* recurrence_;
    QRadioButton* yearlyDate_;
    QRadioButton* yearlyIndex_;
    QLineEdit* edYearlyDateDay_;
    QComboBox* cbYearlyDateMonth_;
    QLineEdit* edYearlyDateInterval_;
    QComboBox* cbYearlyIndexValue_;
    QComboBox* cbYearlyIndexKind_;
    QComboBox* cbYearlyIndexMonth_;
    QLineEdit* edYearlyIndexInterval_;
    QGroupBox* frequencyBox_;
    QRadioButton* freqOnce_;
    QRadioButton* freqInterval_;
    QTimeEdit* dtpDayFreqOneshot_;
    QLineEdit* edFreqInterval_;
    QComboBox* cbFreqIntervalUnit_;
    QTimeEdit* dtpFreqFrom_;
    QTimeEdit* dtpFreqTo_;
    QGroupBox* endBox_;
    std::array<QRadioButton*, 4> ends_{};
    QLineEdit* edEventCount_;
    QLineEdit* edDayCount_;
    QDateEdit* dtpEndDate_;
    QTimeEdit* dtpEndTime_;
};

}  // namespace orvalo
