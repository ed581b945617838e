#include "sampledata/synthetic_bars.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "database/symbol_files.h"
#include "database/table.h"
#include "trading/bar_loading.h"

namespace kiruvan {
namespace {

// splitmix64: a tiny generator whose output is fixed by the seed on every platform, unlike
// the standard library's distributions.
class Generator {
public:
    explicit Generator(std::uint64_t seed) : state_(seed) {}

    std::uint64_t next()
    {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    // Uniform in [0, 1) with 53 random bits: exact, no rounding involved.
    double uniform() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }

    // Roughly normal with mean 0 and standard deviation 1/sqrt(3): a sum of four uniforms.
    double bell() { return uniform() + uniform() + uniform() + uniform() - 2.0; }

private:
    std::uint64_t state_;
};

constexpr double kMinimumPrice = 0.01;
constexpr double kDailySpread = 0.035;  // about 2 % a day
constexpr double kOpeningGap = 0.008;
constexpr double kIntradayReach = 0.015;

double cents(double price)
{
    return std::max(kMinimumPrice, std::nearbyint(price * 100) / 100);
}

bool isWeekend(Date day)
{
    const int weekday = (day.dayNumber() % 7 + 7 + 4) % 7;  // 01/01/1970 was a Thursday; 0 is Sunday
    return weekday == 0 || weekday == 6;
}

Date nextWeekday(Date day)
{
    do
        day = Date::fromDayNumber(day.dayNumber() + 1);
    while (isWeekend(day));
    return day;
}

}  // namespace

std::vector<DailyBar> syntheticDailyBars(const SyntheticBarsOptions& options)
{
    if (options.count < 0 || !(options.firstClose > 0))
        throw std::invalid_argument("Synthetic bars need a count of 0 or more and a first close above 0.");
    Generator random(options.seed);
    std::vector<DailyBar> bars;
    bars.reserve(static_cast<std::size_t>(options.count));
    Date day = isWeekend(options.firstDay) ? nextWeekday(options.firstDay) : options.firstDay;
    double previousClose = cents(options.firstClose);
    for (int n = 0; n < options.count; ++n) {
        DailyBar bar;
        bar.date = day;
        bar.Open = cents(previousClose * (1 + kOpeningGap * random.bell()));
        bar.Close = n == 0 ? previousClose : cents(previousClose * (1 + kDailySpread * random.bell()));
        const double top = std::max(bar.Open, bar.Close);
        const double bottom = std::min(bar.Open, bar.Close);
        bar.High = std::max(top, cents(top * (1 + kIntradayReach * random.uniform())));
        bar.Low = std::min(bottom, cents(bottom * (1 - kIntradayReach * random.uniform())));
        bar.Volume = 100000 + std::floor(900000 * random.uniform());
        bars.push_back(bar);
        previousClose = bar.Close;
        day = nextWeekday(day);
    }
    return bars;
}

void fillBarSeries(BarSeries& bars, const std::vector<DailyBar>& daily)
{
    const std::size_t first = daily.size() > kMaxLoadedBars ? daily.size() - kMaxLoadedBars : 0;
    int i = 0;
    for (std::size_t n = first; n < daily.size(); ++n) {
        const DailyBar& bar = daily[n];
        storeBar(bars, ++i, bar.Open, bar.High, bar.Low, bar.Close, bar.date.toText());
    }
    bars.NBBars = i;
}

void appendSymbolRows(Table& symbolTable, const std::vector<DailyBar>& daily)
{
    for (const DailyBar& bar : daily) {
        symbolTable.append();
        setSymbolRow(symbolTable, bar.date, {bar.Open, bar.High, bar.Low, bar.Close, bar.Volume});
        symbolTable.post();
    }
}

std::filesystem::path appendToSymbolFile(const DataFolder& folder, std::string_view code,
                                         const std::vector<DailyBar>& daily)
{
    Creation_d1_Fichier_Data(folder, code);
    const auto file = folder.findSymbolFile(code).value_or(folder.symbolFileFor(code));
    Table table;
    table.loadFromFile(file);
    appendSymbolRows(table, daily);
    table.saveToFile(file);
    return file;
}

}  // namespace kiruvan
