#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "database/data_folder.h"
#include "database/table.h"
#include "trading/chart_series.h"
#include "trading/robustness.h"

namespace kiruvan {

// What a chart window shows: the market's symbol list, the current symbol's bars with its
// indicators and trading system, and the stored results they come from.
class ChartData {
public:
    explicit ChartData(DataFolder folder);
    ChartData(const ChartData&) = delete;
    ChartData& operator=(const ChartData&) = delete;

    inline static const std::string kFileNotFound = "\r <File not found>";

    const DataFolder& folder() const { return folder_; }

    // Opens the market's symbols sorted by name and goes to Code_Titre_Demande (the last
    // symbol when the market does not list it, the first when it is empty).
    void openSymbolList(std::int32_t market);
    // The same, then loads that symbol.
    void Load_Liste_Actions_du_Marche(std::int32_t market);

    // Loads a symbol's newest bars, then its stored parameters with the indicators and the
    // trading system. A missing file leaves no bars and sets Message_Fichier.
    void LoadData(const std::string& code);

    // Reads the current symbol's stored row and computes what depends on it.
    void Get_Params_Optimisation();

    // Prior and Next move the list with wrapping and load the symbol they reach.
    void nextSymbol();
    void priorSymbol();
    // Loads the list's current row, after the find dialog moved it.
    void loadCurrentSymbol();
    // Moves the list to a code (its last symbol when it does not list the code) and loads it.
    void loadListedCode(const std::string& code);

    // Prior, Next and Find need a second symbol.
    bool canStep() const;
    bool hasParameters() const { return First_Bar != -1; }

    int NBBars() const { return series_->bars.NBBars; }
    const ChartSeries& series() const { return *series_; }

    Table CDS_Master;

    std::int32_t ID_Marche_Chart = 0;
    std::string Code_Titre_Demande;
    std::string Code_Titre_Courant;
    std::string Nom_Titre_Courant;
    std::string Message_Fichier;
    int First_Bar = 0;
    std::string DateStr_Last_Top_Equity_Curve;
    std::string date_UMDD;
    // The stored pair of the shown result.
    std::optional<StoredParameters> parameters;
    // The stored robustness figures of the shown result, when its backtest made them.
    std::optional<RobustnessFigures> robustness;

private:
    void CDS_MasterAfterScroll();
    void goToCode(const std::string& code);

    DataFolder folder_;
    std::unique_ptr<ChartSeries> series_;
};

}  // namespace kiruvan
