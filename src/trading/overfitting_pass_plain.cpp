#include "trading/overfitting_pass.h"

namespace kiruvan {
namespace {

void moveToSplit(const PairTile& tile)
{
    if (tile.entering)
        for (int p = 0; p < tile.count; ++p)
            tile.inSample[p] += tile.entering[p] - tile.leaving[p];
}

TileBest bestPlain(PairTile tile)
{
    moveToSplit(tile);
    TileBest best;
    for (int p = 0; p < tile.count; ++p) {
        const std::int64_t s = tile.inSample[p];
        const std::int64_t t = tile.total[p] - s;
        if (s > best.inSample) {
            best.inSample = s;
            best.pair = tile.first + p;
        }
        if (t > best.outOfSample) {
            best.outOfSample = t;
            best.complementPair = tile.first + p;
        }
    }
    return best;
}

TileCounts countPlain(PairTile tile, std::int64_t threshold, std::int64_t complementThreshold)
{
    moveToSplit(tile);
    TileCounts counts;
    for (int p = 0; p < tile.count; ++p) {
        const std::int64_t s = tile.inSample[p];
        const std::int64_t t = tile.total[p] - s;
        counts.lower += t < threshold;
        counts.equal += t == threshold;
        counts.complementLower += s < complementThreshold;
        counts.complementEqual += s == complementThreshold;
    }
    return counts;
}

}  // namespace

const OverfittingKernels kOverfittingPlain{bestPlain, countPlain};

}  // namespace kiruvan
