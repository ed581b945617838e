#include "database/ui/F_DataView.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include "base/text_values.h"
#include "database/ascii_export.h"
#include "database/ui/F_DatePicker.h"
#include "database/ui/table_model.h"
#include "widgets/dialog_helpers.h"

namespace kiruvan {

namespace {

QString priceText(const Value& value)
{
    if (const auto* price = std::get_if<double>(&value))
        return QString::fromStdString(Format_Prix(*price));
    return {};
}

std::vector<TableModel::Column> gridColumns()
{
    std::vector<TableModel::Column> columns;
    for (int column = kDateColumn; column < kBarColumnCount; ++column) {
        const QString field =
            QString::fromUtf8(barColumnField(column).data(), static_cast<qsizetype>(barColumnField(column).size()));
        TableModel::Column gridColumn{field, field};
        if (column == kDateColumn)
            gridColumn.alignment = Qt::AlignCenter;
        else if (column != kVolumeColumn)
            gridColumn.format = priceText;
        if (column != kDateColumn)
            gridColumn.alignment = Qt::AlignRight | Qt::AlignVCenter;
        columns.push_back(std::move(gridColumn));
    }
    return columns;
}

QString chooseFileToSave(QWidget* parent, const QString& folder, const QString& presetName)
{
    QFileDialog dialog(parent, QString(), folder, "ASCII (*.txt);;All (*)");
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix("txt");
    dialog.setOption(QFileDialog::DontConfirmOverwrite);  // the export replaces a file without asking
    dialog.selectFile(presetName);
    return dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty() ? dialog.selectedFiles().front()
                                                                                   : QString();
}

}  // namespace

TFDataView::TFDataView(const DataFolder& folder, const QString& Code_Symbole, const QString& caption,
                       const Clock& clock, QWidget* parent)
    : QDialog(parent), clock_(clock), code_(Code_Symbole), folder_(folder)
{
    setWindowTitle(caption);
    confirm = [this](const QString& question) {
        return QMessageBox::question(this, "Confirm", question, QMessageBox::Ok | QMessageBox::Cancel)
               == QMessageBox::Ok;
    };
    askDivision = [this](Date reference) { return TFDatePicker::ask(this, reference); };
    chooseExportFile = [this](const QString& dir, const QString& name) { return chooseFileToSave(this, dir, name); };

    table_.setClock(clock_);
    loadSymbolData(table_, folder_, code_.toStdString());
    file_ = table_.fileName();

    buildGrid();
    BTN_Division = gui::named(gui::plainButton("Division", this), "BTN_Division");
    BTN_Save_ASCII = gui::named(gui::plainButton("Save to ASCII", this), "BTN_Save_ASCII");
    BTN_OK = gui::named(gui::plainButton("OK", this), "BTN_OK");
    BTN_Cancel = gui::named(gui::plainButton("Cancel", this), "BTN_Cancel");
    const bool hasRows = !table_.isEmpty();
    for (QPushButton* button : {BTN_Division, BTN_Save_ASCII, BTN_OK})
        button->setEnabled(hasRows);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(BTN_Division);
    buttons->addWidget(BTN_Save_ASCII);
    buttons->addStretch();
    buttons->addWidget(BTN_OK);
    buttons->addWidget(BTN_Cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(DBG);
    layout->addLayout(buttons);

    connect(BTN_OK, &QPushButton::clicked, this, &TFDataView::BTN_OKClick);
    connect(BTN_Division, &QPushButton::clicked, this, &TFDataView::BTN_DivisionClick);
    connect(BTN_Save_ASCII, &QPushButton::clicked, this, &TFDataView::BTN_Save_ASCIIClick);
    connect(BTN_Cancel, &QPushButton::clicked, this, &QDialog::reject);
    gui::makeFixedDialog(this, QSize(620, 480));
}

TFDataView::~TFDataView()
{
    // The grid's model follows the table: it must go before the table does.
    DBG->setModel(nullptr);
    delete model_;
}

bool TFDataView::showFor(QWidget* parent, const DataFolder& folder, const QString& Code_Symbole,
                         const QString& Nom_Titre, const Clock& clock)
{
    std::unique_ptr<TFDataView> viewer;
    gui::runGuarded([&] { viewer = std::make_unique<TFDataView>(folder, Code_Symbole, Nom_Titre, clock, parent); });
    return viewer && viewer->exec() == QDialog::Accepted;
}

void TFDataView::buildGrid()
{
    DBG = gui::named(new QTableView(this), "DBG");
    model_ = new TableModel(table_, gridColumns(), this);
    DBG->setModel(model_);
    DBG->setSelectionBehavior(QAbstractItemView::SelectRows);
    DBG->setSelectionMode(QAbstractItemView::SingleSelection);
    DBG->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DBG->setShowGrid(true);
    DBG->verticalHeader()->setDefaultSectionSize(DBG->fontMetrics().height() + 6);
    DBG->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    DBG->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    DBG->horizontalHeader()->setSectionResizeMode(kDateColumn, QHeaderView::ResizeToContents);
    model_->bindSelection(DBG);
    DBG->installEventFilter(this);
}

bool TFDataView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == DBG && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Delete && key->modifiers() == Qt::ControlModifier) {
            deleteCurrentRow();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TFDataView::deleteCurrentRow()
{
    gui::runGuarded([&] {
        if (!table_.isEmpty() && confirm("Delete record?"))
            table_.remove();
    });
}

void TFDataView::selectFailure(const RowFailure& failure)
{
    const QModelIndex cell = model_->index(failure.recNo - 1, failure.column);
    DBG->setCurrentIndex(cell);
    DBG->scrollTo(cell);
    DBG->setFocus();
}

void TFDataView::BTN_OKClick()
{
    gui::runGuarded([&] {
        if (const auto failure = verifyBars(table_, clock_)) {
            selectFailure(*failure);
            return;
        }
        Save_file_light(table_, file_);
        accept();
    });
}

void TFDataView::BTN_DivisionClick()
{
    gui::runGuarded([&] {
        const auto reference = divisionReferenceDate(table_, clock_);
        if (!reference)
            return;
        const DivideChoice choice = askDivision(*reference);
        if (choice.Division_OK != 1 || choice.Diviseur == 0)
            return;
        const auto lastDay = parseDate(choice.Date_Choisie, clock_);
        if (lastDay)
            divideBefore(table_, choice.Diviseur, *lastDay);
    });
}

void TFDataView::BTN_Save_ASCIIClick()
{
    gui::runGuarded([&] {
        const QString file = chooseExportFile(QString::fromStdString(folder_.root().string()), code_);
        if (!file.isEmpty())
            writeAsciiExportFile(table_, std::filesystem::path(file.toStdString()));
    });
}

}  // namespace kiruvan
