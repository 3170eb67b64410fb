#include "manager/gui/file_event_dialog.h"

#include <QButtonGroup>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

#include "manager/gui/action_fields_box.h"
#include "manager/gui/dialog_parts.h"
#include "manager/gui/window_colors.h"

namespace orvalo {

FileEventDialog::FileEventDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("TFSettings");
    setWindowTitle("Settings for file event");
    colour(this, colors::kApplicationWindow);
    action_ = new ActionFieldsBox;
    fname_ = named(new QLineEdit, "Fname");
    auto* browse = named(new QToolButton, "FnameButton");
    browse->setText("...");
    connect(browse, &QToolButton::clicked, this, [this] {
        const QString path = QFileDialog::getOpenFileName(this, "Path and full filename", fname_->text());
        if (!path.isEmpty()) fname_->setText(path);
    });
    cbr_ = named(new QComboBox, "CBR");
    cbr_->addItems({"One time", "Every"});

    gbx_ = named(new QGroupBox("Execute when"), "GBX");
    rbExist_ = named(new QRadioButton("exist file"), "RBExist");
    rbChange_ = named(new QRadioButton("change date/time/size"), "RBChange");
    auto* gbxLayout = new QVBoxLayout(gbx_);
    gbxLayout->addWidget(rbExist_);
    gbxLayout->addWidget(rbChange_);

    gb1_ = named(new QGroupBox("One executing event"), "GB1");
    rbOnlyOne_ = named(new QRadioButton("Only one executing event"), "RBOnlyOne");
    rbLoop_ = named(new QRadioButton("Loop"), "RBLoop");
    auto* gb1Layout = new QVBoxLayout(gb1_);
    gb1Layout->addWidget(rbOnlyOne_);
    gb1Layout->addWidget(rbLoop_);

    gb2_ = named(new QGroupBox("Loop"), "GB2");
    rbInf_ = named(new QRadioButton("Infinity"), "RBInf");
    rbNumCycles_ = named(new QRadioButton("Number of cycles to end"), "RBNUmCycles");
    eNum_ = named(new QLineEdit("1"), "ENum");
    eMin_ = named(new QLineEdit("1"), "EMin");
    eNum_->setMaximumWidth(80);
    eMin_->setMaximumWidth(80);
    auto* gb2Layout = new QGridLayout(gb2_);
    gb2Layout->addWidget(rbInf_, 0, 0);
    gb2Layout->addWidget(rbNumCycles_, 1, 0);
    gb2Layout->addWidget(eNum_, 1, 1);
    gb2Layout->addWidget(new QLabel("Loop - wait between cykles:"), 2, 0);
    auto* minutes = new QHBoxLayout;
    minutes->addWidget(eMin_);
    minutes->addWidget(new QLabel("min."));
    gb2Layout->addLayout(minutes, 2, 1);

    // Each pair is its own choice; a click runs the group's rule.
    for (auto [a, b] : {std::pair{rbExist_, rbChange_}, std::pair{rbOnlyOne_, rbLoop_}, std::pair{rbInf_, rbNumCycles_}}) {
        auto* group = new QButtonGroup(this);
        group->addButton(a);
        group->addButton(b);
    }
    connect(rbExist_, &QRadioButton::toggled, this, [this] { gbxClick(); });
    connect(rbOnlyOne_, &QRadioButton::toggled, this, [this] { gb1Click(); });


    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(fname_);
    pathRow->addWidget(browse);
    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel("Path and full filename"), 0, 0);
    grid->addLayout(pathRow, 0, 1, 1, 2);
    grid->addWidget(new QLabel("Execute"), 1, 0);
    grid->addWidget(cbr_, 1, 1);
    grid->addWidget(gbx_, 2, 0);
    grid->addWidget(gb1_, 2, 1);
    grid->addWidget(gb2_, 2, 2);
    QHBoxLayout* checks = infoChecks(email_, log_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(action_);
    layout->addLayout(checks);
    layout->addWidget(separator());
    layout->addWidget(boldLabel("File trigged conditions"));
    layout->addLayout(grid);
    layout->addStretch();
    layout->addLayout(okCancel(this));
    setForm(FileEventForm{});
}

void FileEventDialog::gb1Click() { gb2_->setVisible(!rbOnlyOne_->isChecked()); }

void FileEventDialog::gbxClick() {
    if (rbExist_->isChecked()) {
        rbInf_->setVisible(true);
        return;
    }
    rbInf_->setVisible(false);
    rbNumCycles_->setChecked(true);
}

void FileEventDialog::setForm(const FileEventForm& form) {
    action_->setFields(form.action);
    const FileCondition& c = form.condition;
    fname_->setText(QString::fromStdString(c.path));
    cbr_->setCurrentIndex(c.runEvery ? 1 : 0);
    (c.infinity ? rbInf_ : rbNumCycles_)->setChecked(true);
    (c.onExist ? rbExist_ : rbChange_)->setChecked(true);
    (c.oneExecution ? rbOnlyOne_ : rbLoop_)->setChecked(true);
    eNum_->setText(QString::fromStdString(c.cycles));
    eMin_->setText(QString::fromStdString(c.loopWaitMinutes));
    email_->setChecked(c.email);
    log_->setChecked(c.log);
    gbxClick();
    gb1Click();
}

FileEventForm FileEventDialog::form() const {
    FileEventForm form;
    form.action = action_->fields();
    FileCondition& c = form.condition;
    c.path = fname_->text().toStdString();
    c.runEvery = cbr_->currentIndex() == 1;
    c.onExist = rbExist_->isChecked();
    c.oneExecution = rbOnlyOne_->isChecked();
    c.infinity = rbInf_->isChecked();
    c.cycles = eNum_->text().toStdString();
    c.loopWaitMinutes = eMin_->text().toStdString();
    c.email = email_->isChecked();
    c.log = log_->isChecked();
    return form;
}

void FileEventDialog::accept() {
    if (passes(this, [this] { form().check(); })) QDialog::accept();
}

}  // namespace orvalo
