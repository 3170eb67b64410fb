#include "manager/gui/typed_date_time.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <optional>

namespace orvalo {

namespace {

class TypeOverWholeText : public QObject {
public:
    explicit TypeOverWholeText(QDateTimeEdit* edit) : QObject(edit), edit_(edit) {}

    bool eventFilter(QObject* /*watched*/, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) return false;
        const QString typed = static_cast<QKeyEvent*>(event)->text();
        const QLineEdit* line = edit_->findChild<QLineEdit*>();
        if (typed.size() != 1 || line == nullptr) {
            digitSection_.reset();
            return false;
        }
        if (typed[0].isDigit()) {
            if (line->hasSelectedText() && line->selectedText() == line->text())
                edit_->setSelectedSection(edit_->sectionAt(0));
            digitSection_ = edit_->currentSection();
            return false;
        }
        // A full section moves on by itself; the separator typed after it must not
        // move on a second time ("02:30" would fill the seconds).
        const bool movedOn = digitSection_ && edit_->currentSection() != *digitSection_;
        digitSection_.reset();
        return !typed[0].isLetterOrNumber() && movedOn;
    }

private:
    QDateTimeEdit* edit_;
    std::optional<QDateTimeEdit::Section> digitSection_;  // where the last digit went
};

}  // namespace

void typeOverWholeText(QDateTimeEdit* edit) { edit->installEventFilter(new TypeOverWholeText(edit)); }

}  // namespace orvalo
