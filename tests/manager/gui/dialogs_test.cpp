// The event dialogs: their defaults, enabling rules, and refusal of bad values.
#include <QComboBox>
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
                if (box->title() == panel) hidden = box->isHidden();
            QVERIFY2(hidden, panel);
        }
        find<QRadioButton>(dialog, "rbMonthly")->click();
        QVERIFY(!find(dialog, "edMonthlyDay")->parentWidget()->isHidden());
        QVERIFY(find(dialog, "edMonthlyDay")->isEnabled());
        QVERIFY(!find(dialog, "cbMonthlyIndexValue")->isEnabled());
        find<QRadioButton>(dialog, "rbMonthlyEveryIndex")->click();
        QVERIFY(!find(dialog, "edMonthlyDay")->isEnabled());
        QVERIFY(find(dialog, "cbMonthlyIndexType")->isEnabled());
        QVERIFY(find(dialog, "edDailyInterval")->parentWidget()->isHidden());
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
