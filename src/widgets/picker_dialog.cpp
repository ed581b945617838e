#include "widgets/picker_dialog.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace kiruvan {

QTableView* newPickerGrid(QDialog* dialog)
{
    auto* grid = new QTableView(dialog);
    grid->setObjectName("DBG");
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->horizontalHeader()->setStretchLastSection(true);
    grid->verticalHeader()->hide();
    return grid;
}

void layOutPicker(QDialog* dialog, QTableView* grid, QPushButton* ok, QPushButton* cancel)
{
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* column = new QVBoxLayout(dialog);
    column->addWidget(grid);
    column->addLayout(buttons);
}

}  // namespace kiruvan
