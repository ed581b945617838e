#include "chart/chart_data.h"

#include "backtest/results_table.h"
#include "backtest/robustness_table.h"
#include "database/master_table.h"
#include "database/table_filter.h"
#include "trading/bar_loading.h"

namespace kiruvan {

ChartData::ChartData(DataFolder folder) : folder_(std::move(folder)), series_(std::make_unique<ChartSeries>())
{
    CDS_Master.afterScroll = [this](Table&) { CDS_MasterAfterScroll(); };
}

void ChartData::CDS_MasterAfterScroll()
{
    if (CDS_Master.recNo() == 0)
        return;
    Code_Titre_Courant = CDS_Master.field(kSymbolCodeField).asString();
    Nom_Titre_Courant = CDS_Master.field(kSymbolNameField).asString();
}

void ChartData::Load_Liste_Actions_du_Marche(std::int32_t market)
{
    openSymbolList(market);
    loadCurrentSymbol();
}

void ChartData::openSymbolList(std::int32_t market)
{
    ID_Marche_Chart = market;
    CDS_Master.close();
    CDS_Master.loadFromFile(folder_.file(kMasterFile));
    CDS_Master.setFilter(fieldIs(kSymbolMarketField, market));
    CDS_Master.setFiltered(true);
    CDS_Master.setSortOrder("nom_titre");
    CDS_Master.first();
    if (!Code_Titre_Demande.empty())
        goToCode(Code_Titre_Demande);
}

void ChartData::goToCode(const std::string& code)
{
    CDS_Master.first();
    while (CDS_Master.field(kSymbolCodeField).asString() != code && CDS_Master.recNo() < CDS_Master.recordCount())
        CDS_Master.next();
}

bool ChartData::canStep() const
{
    return CDS_Master.isOpen() && CDS_Master.recordCount() >= 2;
}

void ChartData::LoadData(const std::string& code)
{
    if (!loadSymbolForChart(*series_, folder_, code)) {
        Message_Fichier = kFileNotFound;
        return;
    }
    Get_Params_Optimisation();
    Message_Fichier.clear();
}

namespace {

// Figures of another backtest than the stored result's are not shown with it.
std::optional<RobustnessFigures> storedFigures(const DataFolder& folder, std::int32_t market, const std::string& code,
                                               const std::string& Date_BackTest)
{
    try {
        const auto row = storedRobustness(folder, market, code);
        if (row && row->Date_BackTest == Date_BackTest)
            return *row;
    } catch (const std::exception&) {
        // A damaged robustness file only hides the figures; the chart stays usable.
    }
    return std::nullopt;
}

}  // namespace

void ChartData::Get_Params_Optimisation()
{
    const std::string code = CDS_Master.field(kSymbolCodeField).asString();
    const std::int32_t market = CDS_Master.field(kSymbolMarketField).asInteger();
    First_Bar = -1;
    robustness.reset();
    parameters.reset();
    const std::optional<ResultRow> row = kiruvan::Get_Params_Optimisation(folder_, market, code);
    // A row whose periods or first bar no backtest writes (an edited file) counts as none:
    // a period of 0 would divide by zero.
    if (row && row->Opt1 >= 1 && row->Opt2 >= 1 && row->First_Bar >= 1) {
        parameters = StoredParameters{row->Opt1, row->Opt2, row->First_Bar};
        First_Bar = row->First_Bar;
        DateStr_Last_Top_Equity_Curve = row->statistics.DateStr_Last_Top_Equity_Curve;
        date_UMDD = row->statistics.date_UMDD;
        robustness = storedFigures(folder_, market, code, row->Date_BackTest);
    }
    computeChartSeries(*series_, parameters);
}

void ChartData::nextSymbol()
{
    if (CDS_Master.recNo() == CDS_Master.recordCount())
        CDS_Master.first();
    else
        CDS_Master.next();
    loadCurrentSymbol();
}

void ChartData::priorSymbol()
{
    if (CDS_Master.recNo() == 1)
        CDS_Master.last();
    else
        CDS_Master.prior();
    loadCurrentSymbol();
}

void ChartData::loadCurrentSymbol()
{
    LoadData(CDS_Master.field(kSymbolCodeField).asString());
}

void ChartData::loadListedCode(const std::string& code)
{
    if (CDS_Master.isEmpty())
        return;
    goToCode(code);
    loadCurrentSymbol();
}

}  // namespace kiruvan
