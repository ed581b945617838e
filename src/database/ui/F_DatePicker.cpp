#include "database/ui/F_DatePicker.h"

#include <QCalendarWidget>
#include <QDate>
#include <QGridLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QValidator>

#include "widgets/dialog_helpers.h"
#include "widgets/gui_helpers.h"

namespace kiruvan {

namespace {

// Lets into the divisor box only what the divisor rule accepts, typed or pasted.
class DivisorValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override
    {
        return divisorTextAcceptable(input.toStdString()) ? Acceptable : Invalid;
    }
};

}  // namespace

TFDatePicker::TFDatePicker(Date Date_Reference, QWidget* parent) : QDialog(parent)
{
    setWindowTitle("Divide by / before");
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    EDT_By = gui::named(new QLineEdit("1", this), "EDT_By");
    EDT_By->setMaxLength(kDivisorTextSize);
    EDT_By->setValidator(new DivisorValidator(EDT_By));
    MonthCalendar1 = gui::named(new QCalendarWidget(this), "MonthCalendar1");
    MonthCalendar1->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    MonthCalendar1->setHorizontalHeaderFormat(QCalendarWidget::SingleLetterDayNames);
    MonthCalendar1->setSelectedDate(QDate(Date_Reference.year(), Date_Reference.month(), Date_Reference.day()));
    BTN_OK = gui::named(gui::plainButton("OK", this), "BTN_OK");
    BTN_Cancel = gui::named(gui::plainButton("Cancel", this), "BTN_Cancel");

    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(EDT_By, 0, 0, 1, 2);
    layout->addWidget(MonthCalendar1, 1, 0, 1, 2);
    layout->addWidget(BTN_OK, 2, 0);
    layout->addWidget(BTN_Cancel, 2, 1);
    setFixedSize(209, 255);

    connect(BTN_OK, &QPushButton::clicked, this, &TFDatePicker::BTN_OKClick);
    connect(BTN_Cancel, &QPushButton::clicked, this, &QDialog::reject);
}

DivideChoice TFDatePicker::ask(QWidget* parent, Date Date_Reference)
{
    TFDatePicker dialog(Date_Reference, parent);
    dialog.exec();
    return dialog.result();
}

void TFDatePicker::BTN_OKClick()
{
    const QDate day = MonthCalendar1->selectedDate();
    choice_ = confirmDivision(EDT_By->text().toStdString(), toDate(day));
    accept();
}

}  // namespace kiruvan
