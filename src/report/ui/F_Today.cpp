#include "report/ui/F_Today.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

#include <fstream>

#include "database/ui/table_model.h"
#include "report/report_columns.h"
#include "report/robustness_columns.h"

namespace kiruvan {
namespace {

constexpr QSize kClientSize{760, 432};
constexpr QSize kMinimumSize{420, 200};

// The running-trades grid shows the same model under its own titles.
class RunningTradesTitles : public QIdentityProxyModel {
public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        const bool title = role == Qt::DisplayRole || role == Qt::ToolTipRole;
        if (orientation != Qt::Horizontal || !title || section >= kReportColumnCount)
            return QIdentityProxyModel::headerData(section, orientation, role);
        return QString::fromUtf8(reportColumns()[static_cast<std::size_t>(section)].title(ReportTab::RunningTrades));
    }
};

std::vector<TableModel::Column> modelColumns()
{
    std::vector<TableModel::Column> columns;
    for (int c = 0; c < kReportColumnCount; ++c) {
        const ReportColumn& column = reportColumns()[static_cast<std::size_t>(c)];
        const ReportFormat format = column.format;
        columns.push_back({QString::fromUtf8(column.field), QString::fromUtf8(column.title(ReportTab::Summary)),
                           [format](const Value& v) { return QString::fromStdString(reportText(v, format)); },
                           (reportCellCentred(c) ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignVCenter,
                           (reportTitleCentred(c) ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignVCenter});
    }
    return columns;
}

// Black on cream in an 8-point face.
void styleGrid(QTableView& grid)
{
    grid.setSelectionBehavior(QAbstractItemView::SelectRows);
    grid.setSelectionMode(QAbstractItemView::SingleSelection);
    grid.setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid.setContextMenuPolicy(Qt::CustomContextMenu);
    QFont font = grid.font();
    font.setPointSize(8);
    grid.setFont(font);
    QPalette palette = grid.palette();
    palette.setColor(QPalette::Base, QColor(255, 251, 240));
    palette.setColor(QPalette::Text, Qt::black);
    grid.setPalette(palette);
    grid.verticalHeader()->setDefaultSectionSize(grid.fontMetrics().height() + 4);
    // Titles are measured for eliding in the plain face: a bold title of the selected row's
    // columns would overflow its section.
    grid.horizontalHeader()->setTextElideMode(Qt::ElideRight);
    grid.horizontalHeader()->setHighlightSections(false);
}

// Columns with a width of their own keep at least it and titles longer than it are elided
// (their tip holds the whole title); the others fit their title. All fit their cells.
void fitColumns(QTableView& grid, ReportTab tab)
{
    const QAbstractItemView& cells = grid;
    for (int c = 0; c < kReportColumnCount; ++c) {
        if (grid.isColumnHidden(c))
            continue;
        const int width = reportColumns()[static_cast<std::size_t>(c)].width(tab);
        if (width > 0)
            grid.setColumnWidth(c, std::max(width, cells.sizeHintForColumn(c)));
        else
            grid.resizeColumnToContents(c);
    }
}

}  // namespace

TFToday::TFToday(DataFolder folder, QWidget* parent) : QWidget(parent), folder_(std::move(folder))
{
    setObjectName("TFToday");
    setWindowTitle("Performance Report");
    setAttribute(Qt::WA_DeleteOnClose);
    buildControls();
    FormCreate();
}

TFToday::~TFToday()
{
    // The grids and their model go before the table they show.
    delete PageControl1;
    delete model_;
}

void TFToday::buildControls()
{
    Label1 = new QLabel("Market", this);
    Label1->setObjectName("Label1");
    DBL = new QComboBox(this);
    DBL->setObjectName("DBL");
    // Narrow enough that the top row fits the window's least width.
    DBL->setMinimumWidth(140);
    CB_All_Markets = new QCheckBox("All Markets", this);
    CB_All_Markets->setObjectName("CB_All_Markets");
    BTN_Cancel = new QPushButton("Close", this);
    BTN_Cancel->setObjectName("BTN_Cancel");
    BTN_Cancel->setAutoDefault(false);

    model_ = new TableModel(CDS_OPT_, modelColumns(), this);
    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName("PageControl1");
    DBG_OPT = buildGrid("DBG_OPT", true);
    DBG_RunningTrades = buildGrid("DBG_RunningTrades", false);
    PageControl1->addTab(DBG_OPT, QString::fromUtf8(kSummaryTabCaption));
    PageControl1->addTab(DBG_RunningTrades, QString::fromUtf8(kRunningTradesTabCaption));
    DBG_Robustness = buildRobustnessGrid();
    PageControl1->addTab(DBG_Robustness, QString::fromUtf8(kRobustnessTabCaption));
    // In a narrow window every tab stays in sight, its caption elided and whole in its tip.
    PageControl1->setElideMode(Qt::ElideRight);
    PageControl1->setUsesScrollButtons(false);
    for (int tab = 0; tab < PageControl1->count(); ++tab)
        PageControl1->setTabToolTip(tab, PageControl1->tabText(tab).trimmed());

    auto* top = new QHBoxLayout;
    top->addWidget(Label1);
    top->addWidget(DBL);
    top->addSpacing(16);
    top->addWidget(CB_All_Markets);
    top->addStretch();
    top->addWidget(BTN_Cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(PageControl1);

    connect(DBL, &QComboBox::currentIndexChanged, this, [this] { ClientDataSetAfterScroll(); });
    connect(CB_All_Markets, &QCheckBox::toggled, this, [this] { CB_All_MarketsClick(); });
    connect(BTN_Cancel, &QPushButton::clicked, this, &QWidget::close);
}

QTableView* TFToday::buildGrid(const char* name, bool summary)
{
    auto* grid = new QTableView(PageControl1);
    grid->setObjectName(name);
    styleGrid(*grid);
    if (summary) {
        model_->bindSelection(grid);
    } else {
        grid->setModel(new RunningTradesTitles(grid));
        static_cast<QIdentityProxyModel*>(grid->model())->setSourceModel(model_);
        // Both grids stand on the same current row.
        connect(model_, &TableModel::currentRowChanged, grid, [grid](int row) { grid->selectRow(row); });
        connect(grid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
                [this](const QModelIndex& current) {
                    if (current.isValid() && current.row() + 1 != CDS_OPT_.recNo())
                        CDS_OPT_.moveTo(current.row() + 1);
                });
    }
    const ReportTab tab = summary ? ReportTab::Summary : ReportTab::RunningTrades;
    QHeaderView* header = grid->horizontalHeader();
    header->setSectionsClickable(true);
    for (int c = 0; c < kReportColumnCount; ++c) {
        const ReportColumn& column = reportColumns()[static_cast<std::size_t>(c)];
        grid->setColumnHidden(c, !column.shownOn(tab));
    }
    header->setDefaultAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    connect(header, &QHeaderView::sectionClicked, this, [this](int column) { DBG_RunningTradesTitleClick(column); });
    connect(grid, &QTableView::doubleClicked, this, [this] { DBG_RunningTradesDblClick(); });
    connect(grid, &QWidget::customContextMenuRequested, this,
            [this, grid](const QPoint& at) { showContextMenu(grid, at); });
    return grid;
}

// The robustness figures are a table of their own: a sorted copy of its rows.
QTableView* TFToday::buildRobustnessGrid()
{
    auto* grid = new QTableView(PageControl1);
    grid->setObjectName("DBG_Robustness");
    styleGrid(*grid);
    robustnessModel_ = new QStandardItemModel(0, static_cast<int>(robustnessColumns().size()), grid);
    for (std::size_t c = 0; c < robustnessColumns().size(); ++c)
        robustnessModel_->setHeaderData(static_cast<int>(c), Qt::Horizontal,
                                        QString::fromUtf8(robustnessColumns()[c].title));
    auto* sorted = new QSortFilterProxyModel(grid);
    sorted->setSourceModel(robustnessModel_);
    sorted->setSortRole(Qt::UserRole);
    grid->setModel(sorted);
    grid->setSortingEnabled(true);
    grid->horizontalHeader()->setDefaultAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    connect(grid, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
        const QStandardItem* code = robustnessModel_->item(
            static_cast<QSortFilterProxyModel*>(DBG_Robustness->model())->mapToSource(index).row(), 0);
        const int marketId = code->data(Qt::UserRole + 1).toInt();
        for (const Market& market : markets_)
            if (market.id == marketId)
                emit chartRequested(QString::fromStdString(market.name), marketId, code->text());
    });
    return grid;
}

void TFToday::fillRobustness()
{
    robustnessModel_->removeRows(0, robustnessModel_->rowCount());
    std::vector<RobustnessRow> rows;
    try {
        rows = readRobustnessRows(folder_, selectedMarket());
    } catch (const std::exception&) {
        // An unreadable file shows an empty grid, like a missing one.
    }
    for (const RobustnessRow& row : rows) {
        QList<QStandardItem*> cells;
        for (const RobustnessColumn& column : robustnessColumns()) {
            auto* cell = new QStandardItem(QString::fromStdString(column.text(row)));
            cell->setData(column.sortKey ? QVariant(column.sortKey(row)) : QVariant(cell->text()), Qt::UserRole);
            cell->setTextAlignment(Qt::AlignCenter);
            if (row.PBO >= kOverfittingWarning)
                cell->setForeground(QColor(192, 0, 0));
            cells.append(cell);
        }
        cells.front()->setData(row.Code_Market, Qt::UserRole + 1);
        robustnessModel_->appendRow(cells);
    }
    DBG_Robustness->resizeColumnsToContents();
}

void TFToday::FormCreate()
{
    setMinimumSize(kMinimumSize);
    PageControl1->setCurrentIndex(0);
    markets_ = readMarkets(folder_);
    const QSignalBlocker quiet(DBL);
    for (const Market& market : markets_)
        DBL->addItem(QString::fromStdString(market.name), market.id);
    DBL->setCurrentIndex(markets_.empty() ? -1 : 0);
    ClientDataSetAfterScroll();
}

std::optional<std::int32_t> TFToday::selectedMarket() const
{
    if (CB_All_Markets->isChecked())
        return std::nullopt;
    // No market in the list shows no rows: market 0 has none.
    return DBL->currentIndex() < 0 ? 0 : DBL->currentData().toInt();
}

void TFToday::ClientDataSetAfterScroll()
{
    open_Optimisation();
}

void TFToday::CB_All_MarketsClick()
{
    open_Optimisation();
    Label1->setVisible(!CB_All_Markets->isChecked());
    DBL->setVisible(!CB_All_Markets->isChecked());
}

bool TFToday::open_Optimisation()
{
    fillRobustness();
    const bool loaded = loadReportRows(CDS_OPT_, folder_, selectedMarket());
    fitColumns(*DBG_OPT, ReportTab::Summary);
    fitColumns(*DBG_RunningTrades, ReportTab::RunningTrades);
    return loaded;
}

void TFToday::DBG_RunningTradesTitleClick(int column)
{
    if (!CDS_OPT_.isOpen() || column < 0 || column >= kReportColumnCount)
        return;
    CDS_OPT_.setSortOrder(std::string(reportColumns()[static_cast<std::size_t>(column)].field));
}

void TFToday::DBG_RunningTradesDblClick()
{
    if (!CDS_OPT_.isOpen() || CDS_OPT_.isEmpty())
        return;
    emit chartRequested(QString::fromStdString(CDS_OPT_["Nom_Market"].asString()), CDS_OPT_["Code_Market"].asInteger(),
                        QString::fromStdString(CDS_OPT_["Code_Stock"].asString()));
}

void TFToday::showContextMenu(QTableView* grid, const QPoint& at)
{
    QMenu menu(this);
    QAction* exportAction = menu.addAction("Export CSV...");
    exportAction->setEnabled(CDS_OPT_.isOpen());
    if (menu.exec(grid->viewport()->mapToGlobal(at)) == exportAction)
        exportCsv();
}

void TFToday::exportCsv()
{
    QString file = QFileDialog::getSaveFileName(this, "Export CSV", QString::fromStdString(folder_.root().string()),
                                                "CSV files (*.csv)");
    if (file.isEmpty())
        return;
    // A name typed without an extension gets the one the filter shows.
    if (QFileInfo(file).suffix().isEmpty())
        file += ".csv";
    try {
        writeReportCsvFile(file.toStdString(), rowsInViewOrder(CDS_OPT_));
    } catch (const std::exception& e) {
        QMessageBox::critical(this, "Error", QString::fromStdString(e.what()));
    }
}

QSize TFToday::sizeHint() const
{
    return kClientSize;
}

void TFToday::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    DBG_OPT->setFocus();
}

}  // namespace kiruvan
