#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "trading/bar_series.h"
#include "trading/trade_statistics.h"

namespace kiruvan {

// The search grid: 230 values of Opt1 (30..700 with growing steps), and for each the values
// of Opt2 (30..100, then 110..300 by 10) cut at Opt1. 16083 pairs in all.
inline constexpr int kOpt1ValueCount = 230;
inline constexpr int kPairCount = 16083;

struct ParameterPair {
    int Opt1 = 0;
    int Opt2 = 0;
    friend bool operator==(const ParameterPair&, const ParameterPair&) = default;
};

std::vector<int> opt1Values();
std::vector<int> opt2Values(int Opt1);
std::vector<ParameterPair> parameterGrid();  // in search order

// Where the search stands, passed to the hook before each pair.
struct SearchProgress {
    int pairIndex = 0;  // 0-based position of the pair about to be evaluated
    int pairCount = kPairCount;
    ParameterPair pair;
};

// Called before each pair; returning false stops the search before that pair (the backtest's
// Abort). It runs on the searching thread.
using SearchHook = std::function<bool(const SearchProgress&)>;

// The best pair of one symbol with the statistics of its evaluation: everything of the
// result row except the market's and the symbol's identity.
struct SearchResult {
    int Opt1 = 0;
    int Opt2 = 0;
    int First_Bar = 0;
    double score = 0;           // compounded gain of the best pair, percent
    std::string Date_BackTest;  // date of the last bar
    double Cours_backtest = 0;  // close of the last bar
    TradeStatistics statistics;

    friend bool operator==(const SearchResult&, const SearchResult&) = default;
};

// The result before any pair has been evaluated: no pair, a score every pair beats, the
// last bar's date and close.
SearchResult resultBeforeSearch(const BarSeries& bars, int First_Bar);

// One pair evaluated in full, with its statistics; leaves the pair's series in the holder.
SearchResult evaluateParameterPair(BarSeries& bars, ParameterPair pair, int First_Bar);
// The same where the holder's Barux already has the period pair.Opt1.
SearchResult evaluateParameterPairOnBarux(BarSeries& bars, ParameterPair pair, int First_Bar);

// Walks the whole grid over the loaded bars from First_Bar on and returns the best pair (the
// first met on equal scores); nullopt when the hook stopped the search. Overwrites Barux,
// MM_Barux and the system series of the holder.
std::optional<SearchResult> Trading_system2_OPT(BarSeries& bars, int First_Bar, const SearchHook& beforePair = {});

}  // namespace kiruvan
