#pragma once

#include <QDialog>
#include <QString>

#include "database/symbol_data_edits.h"

class QCalendarWidget;
class QLineEdit;
class QPushButton;

namespace kiruvan {

// Asks for the divisor and the last day of a division. The results are read after the modal
// showing: Division_OK is 1 only when OK was pressed with a divisor other than 0.
class TFDatePicker : public QDialog {
    Q_OBJECT
public:
    TFDatePicker(Date Date_Reference, QWidget* parent = nullptr);

    const DivideChoice& result() const { return choice_; }

    // Shows the dialog modally and returns its results.
    static DivideChoice ask(QWidget* parent, Date Date_Reference);

private slots:
    void BTN_OKClick();

private:
    QCalendarWidget* MonthCalendar1 = nullptr;  // the day before which bars are divided
    QLineEdit* EDT_By = nullptr;                // divisor
    QPushButton* BTN_OK = nullptr;
    QPushButton* BTN_Cancel = nullptr;

    DivideChoice choice_;
};

}  // namespace kiruvan
