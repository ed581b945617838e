#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>

#include <sstream>

#include "backtest_fixture.h"
#include "report/report_columns.h"
#include "report/ui/F_Today.h"

namespace kiruvan {
namespace {

class ReportWindow : public ::testing::Test {
protected:
    ReportWindow()
    {
        data.writeMarkets({{1, "Alpha"}, {2, "Beta"}, {3, "Empty"}});
        CreateDataset_Trading_system(data.folder());
        ResultsTable results(data.folder());
        results.Delete_anciennes_valeurs_dans_CDS_Optimisation(1);
        for (const auto& [market, code, profit, roa] :
             {std::tuple{1, "AAA", 3.0, 5.0}, {2, "BBB", 1.0, 50.0}, {1, "CCC", -4.0, 9.0}, {1, "DDD", 8.0, -2.0}}) {
            ResultRow row = test::sampleRow(market, code);
            row.Nom_Market = market == 1 ? "Alpha" : "Beta";
            row.statistics.PV_Since_Last_trade = profit;
            row.statistics.Updated_Return_On_Account = roa;
            results.appendRow(row);
        }
        window = new TFToday(data.folder());
    }
    ~ReportWindow() override { delete window; }

    template <class W>
    W* child(const char* name)
    {
        return window->findChild<W*>(name);
    }

    // The codes in the order a grid shows them.
    std::vector<std::string> shown(const char* grid)
    {
        auto* view = child<QTableView>(grid);
        std::vector<std::string> codes;
        for (int row = 0; row < view->model()->rowCount(); ++row)
            codes.push_back(window->results().textAt(row, window->results().fieldIndex("Code_Stock")));
        return codes;
    }

    test::BacktestFolder data;
    TFToday* window = nullptr;
};

TEST_F(ReportWindow, ShowsTheFirstMarketAndAllMarketsHidesTheList)
{
    EXPECT_EQ(shown("DBG_OPT"), (std::vector<std::string>{"DDD", "AAA", "CCC"}));
    child<QCheckBox>("CB_All_Markets")->setChecked(true);
    EXPECT_EQ(child<QTableView>("DBG_RunningTrades")->model()->rowCount(), 4);
    EXPECT_TRUE(child<QComboBox>("DBL")->isHidden());
    EXPECT_TRUE(child<QLabel>("Label1")->isHidden());
    child<QCheckBox>("CB_All_Markets")->setChecked(false);
    EXPECT_EQ(child<QTableView>("DBG_OPT")->model()->rowCount(), 3);
    child<QComboBox>("DBL")->setCurrentIndex(2);
    EXPECT_EQ(child<QTableView>("DBG_OPT")->model()->rowCount(), 0);
    EXPECT_EQ(child<QTableView>("DBG_RunningTrades")->model()->rowCount(), 0);
}

TEST_F(ReportWindow, TitleClickSortsBothTabsAndTitlesDifferByTab)
{
    auto* running = child<QTableView>("DBG_RunningTrades");
    const int profit = 6;
    EXPECT_EQ(running->model()->headerData(profit, Qt::Horizontal).toString(), "% Profit");
    EXPECT_EQ(running->model()->headerData(5, Qt::Horizontal).toString(), "Type");
    EXPECT_EQ(child<QTableView>("DBG_OPT")->model()->headerData(5, Qt::Horizontal).toString(), "Feel");
    running->horizontalHeader()->sectionClicked(profit);
    EXPECT_EQ(shown("DBG_OPT"), (std::vector<std::string>{"CCC", "AAA", "DDD"}));
    EXPECT_EQ(shown("DBG_RunningTrades"), shown("DBG_OPT"));
}

TEST_F(ReportWindow, DoubleClickAsksForTheCurrentRowsChart)
{
    QSignalSpy requests(window, &TFToday::chartRequested);
    auto* grid = child<QTableView>("DBG_OPT");
    grid->doubleClicked(grid->model()->index(0, 0));
    ASSERT_EQ(requests.size(), 1);
    // The current row after a load is the best one.
    EXPECT_EQ(requests[0][0].toString(), "Alpha");
    EXPECT_EQ(requests[0][1].toInt(), 1);
    EXPECT_EQ(requests[0][2].toString(), "CCC");
}

TEST_F(ReportWindow, ColumnsFitTheirCellsAndCutTitlesCarryTheirWholeText)
{
    child<QTabWidget>("PageControl1")->setCurrentIndex(1);
    window->show();
    QApplication::processEvents();
    if (const char* shots = std::getenv("KIRUVAN_SHOTS"))
        window->grab().save(QString::fromLocal8Bit(shots) + "/report_running_trades.png");
    int cutTitles = 0;
    for (const char* name : {"DBG_OPT", "DBG_RunningTrades"}) {
        auto* grid = child<QTableView>(name);
        const QAbstractItemView* cells = grid;
        QHeaderView* header = grid->horizontalHeader();
        for (int c = 0; c < header->count(); ++c) {
            if (grid->isColumnHidden(c))
                continue;
            EXPECT_GE(grid->columnWidth(c), cells->sizeHintForColumn(c)) << name << " " << c;
            if (header->sectionSizeHint(c) > grid->columnWidth(c)) {
                ++cutTitles;
                const QAbstractItemModel* model = grid->model();
                EXPECT_EQ(model->headerData(c, Qt::Horizontal, Qt::ToolTipRole),
                          model->headerData(c, Qt::Horizontal, Qt::DisplayRole));
            }
        }
    }
    EXPECT_GT(cutTitles, 0);
    // At the window's least width every tab stays in sight; a cut caption is whole in its tip.
    window->resize(420, 200);
    QApplication::processEvents();
    QTabBar* tabBar = child<QTabWidget>("PageControl1")->tabBar();
    EXPECT_LE(tabBar->tabRect(tabBar->count() - 1).right(), tabBar->width());
    EXPECT_EQ(tabBar->tabToolTip(1), "Running Trades");
    // Titles are centred but those of the gross profit, gross loss and profit factor.
    const QAbstractItemModel* summary = child<QTableView>("DBG_OPT")->model();
    for (int c : {12, 13, 15, 16})
        EXPECT_EQ(summary->headerData(c, Qt::Horizontal, Qt::TextAlignmentRole).value<Qt::Alignment>()
                      & Qt::AlignHorizontal_Mask,
                  c < 13 || c > 15 ? Qt::AlignHCenter : Qt::AlignLeft)
            << c;
}

TEST_F(ReportWindow, ExportIsHeadedByTheTitlesTheGridsShow)
{
    auto* summary = child<QTableView>("DBG_OPT");
    auto* running = child<QTableView>("DBG_RunningTrades");
    QStringList titles;
    for (int c = 0; c < summary->model()->columnCount(); ++c) {
        const QTableView* grid = !summary->isColumnHidden(c)   ? summary
                                 : !running->isColumnHidden(c) ? running
                                                               : nullptr;
        if (grid)
            titles << grid->model()->headerData(c, Qt::Horizontal).toString();
    }
    EXPECT_TRUE(titles.contains("Opt1") && titles.contains("Opt2"));
    std::ostringstream out;
    writeReportCsv(out, rowsInViewOrder(window->results()));
    const QStringList lines = QString::fromStdString(out.str()).split('\n');
    EXPECT_EQ(lines[0], titles.join(','));
    EXPECT_TRUE(lines[1].startsWith("Name of DDD,02/03/2025,12.34,")) << lines[1].toStdString();
}

}  // namespace
}  // namespace kiruvan
