#pragma once

class QDialog;
class QPushButton;
class QTableView;

namespace kiruvan {

// The read-only, whole-row grid of the two picker dialogs.
QTableView* newPickerGrid(QDialog* dialog);

// The grid over a row of buttons at the bottom right.
void layOutPicker(QDialog* dialog, QTableView* grid, QPushButton* ok, QPushButton* cancel);

}  // namespace kiruvan
