// The event dialogs: their defaults, enabling rules, and refusal of bad values.
#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QSet>
#include <QTimeEdit>
#include <QGroupBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

#include "manager/gui/file_event_dialog.h"
#include "manager/gui/messages.h"
#include "manager/gui/time_event_dialog.h"
#include "manager/gui/web_event_dialog.h"

using namespace orvalo;

class DialogsTest : public QObject {
    Q_OBJECT

    template <typename W = QWidget>
    static W* find(QWidget& parent, const char* name) {
        W* widget = parent.findChild<W*>(name);
        if (widget == nullptr) qFatal("no control %s", name);
        return widget;
    }

private slots:
    void init() {
        messages_.clear();
        setMessageHooks({[this](const QString& m) { messages_ << m; }, [](const QString&) { return true; }});
    }
    void cleanup() { setMessageHooks({}); }

    void timeEditorShowsOnlyThePanelsOfTheChosenType() {
        TimeEventDialog dialog;
        QVERIFY(find<QRadioButton>(dialog, "rbSingleShot")->isChecked());
        for (const char* panel : {"Daily", "Weekly", "Monthly", "Yearly", "Daily frequency", "End"}) {
            bool hidden = true;
            for (QGroupBox* box : dialog.findChildren<QGroupBox*>())
                if (box->title() == panel) hidden = !box->isVisibleTo(&dialog);
            QVERIFY2(hidden, panel);
        }
        find<QRadioButton>(dialog, "rbMonthly")->click();
        QVERIFY(find(dialog, "edMonthlyDay")->isVisibleTo(&dialog));
        QVERIFY(find(dialog, "edMonthlyDay")->isEnabled());
        QVERIFY(!find(dialog, "cbMonthlyIndexValue")->isEnabled());
        find<QRadioButton>(dialog, "rbMonthlyEveryIndex")->click();
        QVERIFY(!find(dialog, "edMonthlyDay")->isEnabled());
        QVERIFY(find(dialog, "cbMonthlyIndexType")->isEnabled());
        QVERIFY(!find(dialog, "edDailyInterval")->isVisibleTo(&dialog));
        QVERIFY(!find(dialog, "edFreqInterval")->isEnabled());
        find<QRadioButton>(dialog, "rbFreqInterval")->click();
        QVERIFY(find(dialog, "edFreqInterval")->isEnabled());
        QVERIFY(!find(dialog, "dtpDayFreqOneshot")->isEnabled());
        QVERIFY(!find(dialog, "dtpEndDate")->isEnabled());
        find<QRadioButton>(dialog, "rbDate")->click();
        QVERIFY(find(dialog, "dtpEndDate")->isEnabled() && find(dialog, "dtpEndTime")->isEnabled());
        QCOMPARE(find<QComboBox>(dialog, "cbFreqIntervalUnit")->currentText(), QString("Minutes"));
        QCOMPARE(find<QComboBox>(dialog, "cbMonthlyIndexType")->currentText(), QString("weekday"));
    }

    // Typing over a whole time or date replaces it: "02:30:00" typed over "00:00:00"
    // is 02:30:00, not what the first digit's section made of it.
    void typedTimesAndDatesAreStoredAsTyped() {
        TimeEventDialog dialog;
        dialog.show();
        find<QRadioButton>(dialog, "rbDaily")->click();
        const struct {
            const char* control;
            QString typed;
        } fields[] = {{"dtpDayFreqOneshot", "02:30:00"}, {"dtpStartTime", "23:05:09"}, {"dtpFreqFrom", "07:45:00"},
                      {"dtpEndTime", "12:00:01"}};
        find<QRadioButton>(dialog, "rbFreqOneshot")->click();
        for (const auto& field : fields) {
            auto* edit = find<QTimeEdit>(dialog, field.control);
            edit->setEnabled(true);
            edit->setFocus();
            QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(edit, field.typed);
            QCOMPARE(edit->time().toString("HH:mm:ss"), field.typed);
        }
        auto* date = find<QDateEdit>(dialog, "dtpStartDate");
        date->setFocus();
        QTest::keyClick(date, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(date, "24-12-2027");
        QCOMPARE(date->date(), QDate(2027, 12, 24));
        QCOMPARE(dialog.form().freqOnceTimeMs, (2 * 60 + 30) * 60 * 1000);
    }

    // Every dialog fits a 1366x768 screen, and the time-event dialog keeps one size
    // whatever recurrence is chosen, so OK and Cancel never move off the screen.
    void dialogsFitASmallScreenAndKeepTheirSize() {
        TimeEventDialog time;
        time.show();
        QSet<int> heights;
        for (const char* type : {"rbSingleShot", "rbDaily", "rbWeekly", "rbMonthly", "rbYearly"}) {
            find<QRadioButton>(time, type)->click();
            QApplication::processEvents();
            time.adjustSize();
            heights << time.height();
            QVERIFY2(time.height() <= 700 && time.width() <= 1366, type);
        }
        QCOMPARE(heights.size(), 1);
        FileEventDialog file;
        WebEventDialog web;
        for (QDialog* dialog : {static_cast<QDialog*>(&file), static_cast<QDialog*>(&web)}) {
            dialog->show();
            dialog->adjustSize();
            QVERIFY(dialog->height() <= 700 && dialog->width() <= 1366);
        }
    }

    void timeEditorKeepsATypedIndexAndRefusesBadNumbers() {
        TimeEventDialog dialog;
        TimeEventForm form = TimeEventForm::defaults({2026, 12, 1, 0, 0, 0, 0});
        form.type = TimeEventForm::Monthly;
        form.monthlyByDay = false;
        form.monthlyIndexValue = TimeEventForm::kTypedIndexValue;
        form.monthlyIndexText = std::to_string(5);
        form.monthlyIndexType = 7;  // friday
        dialog.setValues(ActionFields{}, form);
        auto* value = find<QComboBox>(dialog, "cbMonthlyIndexValue");
        QCOMPARE(value->currentText(), QString("5"));
        TimeEventForm back = dialog.form();
        QCOMPARE(back.monthlyIndexValue, TimeEventForm::kTypedIndexValue);
        QCOMPARE(back.monthlyIndexText, std::string("5"));
        QCOMPARE(back.monthlyIndexType, 7);
        value->setCurrentIndex(4);
        QCOMPARE(dialog.form().monthlyIndexValue, 4);  // "Last"

        find<QLineEdit>(dialog, "edMonthlyIndexInterval")->setText("often");
        dialog.accept();
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(messages_.size(), 1);
        QVERIFY2(messages_[0].contains("often"), qPrintable(messages_[0]));
        find<QLineEdit>(dialog, "edMonthlyIndexInterval")->setText("2");
        dialog.accept();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }

    void fileDialogFollowsItsRules() {
        FileEventDialog dialog;
        auto* inf = find<QRadioButton>(dialog, "RBInf");
        auto* cycles = find<QRadioButton>(dialog, "RBNUmCycles");
        QVERIFY(find<QRadioButton>(dialog, "RBExist")->isChecked());
        QVERIFY(find<QRadioButton>(dialog, "RBLoop")->isChecked());
        QVERIFY(cycles->isChecked() && !inf->isHidden());
        inf->click();
        find<QRadioButton>(dialog, "RBChange")->click();
        QVERIFY(inf->isHidden() && !inf->isChecked() && cycles->isChecked());
        find<QRadioButton>(dialog, "RBExist")->click();
        QVERIFY(!inf->isHidden() && !inf->isChecked());
        find<QLineEdit>(dialog, "ENum")->setText("7");
        find<QRadioButton>(dialog, "RBOnlyOne")->click();
        QVERIFY(find(dialog, "GB2")->isHidden());
        find<QRadioButton>(dialog, "RBLoop")->click();
        QVERIFY(!find(dialog, "GB2")->isHidden());
        QCOMPARE(find<QLineEdit>(dialog, "ENum")->text(), QString("7"));

        // A stored event loads with the same rules applied.
        FileEventForm stored;
        stored.condition.onExist = false;
        stored.condition.oneExecution = true;
        dialog.setForm(stored);
        QVERIFY(inf->isHidden());
        QVERIFY(find(dialog, "GB2")->isHidden());

        find<QLineEdit>(dialog, "EMin")->setText("x");
        dialog.accept();
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(messages_, QStringList{"Loop - wait between cykles: 'x' is not a whole number from 0 to 2147483647"});
    }

    void webDialogOpensWithItsDefaults() {
        WebEventDialog dialog;
        QCOMPARE(dialog.windowTitle(), QString("Settings for WebPage-Activity event"));
        QCOMPARE(find<QLineEdit>(dialog, "FWebPath")->text(), QString("http://"));
        QCOMPARE(find<QLineEdit>(dialog, "EMins")->text(), QString("1"));
        QVERIFY(find<QRadioButton>(dialog, "RB1")->isChecked());
        QCOMPARE(find<QComboBox>(dialog, "CBStart")->currentText(), QString("Normal"));
        find<QRadioButton>(dialog, "RB2")->click();
        find<QLineEdit>(dialog, "EStr")->setText("ready");
        const WebEventForm form = dialog.form();
        QVERIFY(!form.condition.whenExists);
        QCOMPARE(form.condition.searchText, std::string("ready"));
    }

private:
    QStringList messages_;
};

QTEST_MAIN(DialogsTest)
#include "dialogs_test.moc"
