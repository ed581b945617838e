#include "trading/overfitting_pass.h"

namespace kiruvan {
namespace {

void bestPlain(const PairTile& tile, TileBest* best)
{
    for (int k = 0; k < kSplitsPerPass; ++k)
        best[k] = TileBest{};
    for (int p = 0; p < tile.count; ++p) {
        std::int64_t s = tile.inSample[p];
        for (int k = 0; k < kSplitsPerPass; ++k) {
            s += tile.entering[k][p] - tile.leaving[k][p];
            const std::int64_t t = tile.total[p] - s;
            if (s > best[k].inSample) {
                best[k].inSample = s;
                best[k].pair = tile.first + p;
            }
            if (t > best[k].outOfSample) {
                best[k].outOfSample = t;
                best[k].complementPair = tile.first + p;
            }
        }
        tile.inSample[p] = s;
    }
}

void countPlain(const PairTile& tile, const SplitThresholds* thresholds, TileCounts* counts)
{
    for (int k = 0; k < kSplitsPerPass; ++k)
        counts[k] = TileCounts{};
    for (int p = 0; p < tile.count; ++p) {
        std::int64_t s = tile.inSample[p];
        for (int k = 0; k < kSplitsPerPass; ++k) {
            s += tile.entering[k][p] - tile.leaving[k][p];
            const std::int64_t t = tile.total[p] - s;
            counts[k].lower += t < thresholds[k].threshold;
            counts[k].equal += t == thresholds[k].threshold;
            counts[k].complementLower += s < thresholds[k].complementThreshold;
            counts[k].complementEqual += s == thresholds[k].complementThreshold;
        }
        tile.inSample[p] = s;
    }
}

}  // namespace

const OverfittingKernels kOverfittingPlain{bestPlain, countPlain};

}  // namespace kiruvan
