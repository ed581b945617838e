// The probability of backtest overfitting: over every split of the blocks in two halves, how
// often the pair best on one half ranks at or below the median on the other.
//
// A split and its complement are read together, so only the halves holding block 0 are
// walked, in an order where each differs from the one before by one block in and one out. The
// pairs are cut into tiles that stay in the processor's cache while every split is walked:
// first to find each split's best pairs, then, with those known, to count the ranks.
#include <bit>

#include "trading/overfitting_pass.h"
#include "trading/robustness.h"

namespace kiruvan {
namespace {

constexpr int kTilePairs = 1024;
// Padding pairs: both their sums are below any real one (blocks of at most 2^50 each).
constexpr std::int64_t kPaddingInSample = -(std::int64_t{1} << 60);

const OverfittingKernels& overfittingKernels()
{
    static const OverfittingKernels& kernels = __builtin_cpu_supports("avx512f") ? kOverfittingAvx512
                                               : __builtin_cpu_supports("avx2")  ? kOverfittingAvx2
                                                                                 : kOverfittingPlain;
    return kernels;
}

// The k-element subsets of n elements as bit masks, each differing from the one before by one
// element in and one out.
std::vector<std::uint32_t> revolvingDoor(int n, int k)
{
    if (k == 0)
        return {0};
    if (k == n)
        return {(std::uint32_t{1} << n) - 1};
    std::vector<std::uint32_t> sets = revolvingDoor(n - 1, k);
    const std::vector<std::uint32_t> withLast = revolvingDoor(n - 1, k - 1);
    for (auto it = withLast.rbegin(); it != withLast.rend(); ++it)
        sets.push_back(*it | (std::uint32_t{1} << (n - 1)));
    return sets;
}

std::vector<std::uint32_t> halvesWithFirstBlock(int blocks)
{
    std::vector<std::uint32_t> sets = revolvingDoor(blocks - 1, blocks / 2 - 1);
    for (std::uint32_t& set : sets)
        set = set << 1 | 1;
    return sets;
}

// The blocks padded to a multiple of eight pairs, their totals, and the walk over the splits.
class SplitWalk {
public:
    SplitWalk(const std::vector<std::vector<std::int64_t>>& values, std::vector<std::uint32_t> sets)
        : sets_(std::move(sets)), pairs_(static_cast<int>(values.front().size())), padded_((pairs_ + 7) / 8 * 8)
    {
        total_.assign(padded_, 2 * kPaddingInSample);
        for (const auto& block : values) {
            blocks_.push_back(block);
            blocks_.back().resize(padded_, 0);
        }
        for (int p = 0; p < pairs_; ++p) {
            total_[p] = 0;
            for (const auto& block : values)
                total_[p] += block[p];
        }
        inSample_.resize(std::min(padded_, kTilePairs));
        zeros_.assign(padded_, 0);
    }

    std::size_t splits() const { return sets_.size(); }
    std::int64_t padding() const { return padded_ - pairs_; }
    std::int64_t total(int pair) const { return total_[pair]; }

    // Calls visit(firstSplit, tile) for every tile of pairs, and in each for every pass of
    // kSplitsPerPass splits in order (the last pass padded with steps of zeros); false when
    // keepGoing stopped it before a tile.
    template <typename Visit>
    bool walk(const std::function<bool()>& keepGoing, Visit visit)
    {
        for (int first = 0; first < padded_; first += kTilePairs) {
            if (keepGoing && !keepGoing())
                return false;
            PairTile tile{
                total_.data() + first, inSample_.data(), {}, {}, first, std::min(kTilePairs, padded_ - first)};
            startTile(tile);
            for (std::size_t pass = 0; pass < sets_.size(); pass += kSplitsPerPass) {
                for (int k = 0; k < kSplitsPerPass; ++k) {
                    const std::size_t s = pass + static_cast<std::size_t>(k);
                    const bool moves = s > 0 && s < sets_.size();
                    tile.entering[k] = (moves ? blocks_[onlyBlock(sets_[s] & ~sets_[s - 1])] : zeros_).data() + first;
                    tile.leaving[k] = (moves ? blocks_[onlyBlock(sets_[s - 1] & ~sets_[s])] : zeros_).data() + first;
                }
                visit(pass, tile);
            }
        }
        return true;
    }

private:
    static int onlyBlock(std::uint32_t mask) { return std::countr_zero(mask); }

    void startTile(const PairTile& tile)
    {
        for (int p = 0; p < tile.count; ++p) {
            const int pair = tile.first + p;
            std::int64_t s = pair < pairs_ ? 0 : kPaddingInSample;
            for (std::size_t b = 0; b < blocks_.size(); ++b)
                if (sets_.front() >> b & 1)
                    s += blocks_[b][pair];
            tile.inSample[p] = s;
        }
    }

    std::vector<std::uint32_t> sets_;
    int pairs_, padded_;
    std::vector<std::int64_t> total_, inSample_, zeros_;
    std::vector<std::vector<std::int64_t>> blocks_;
};

// The earlier tile wins on equal sums: tiles come in pair order.
void mergeBest(TileBest& into, const TileBest& tile)
{
    if (tile.inSample > into.inSample) {
        into.inSample = tile.inSample;
        into.pair = tile.pair;
    }
    if (tile.outOfSample > into.outOfSample) {
        into.outOfSample = tile.outOfSample;
        into.complementPair = tile.complementPair;
    }
}

}  // namespace

double probabilityOfOverfitting(const std::vector<std::vector<std::int64_t>>& values)
{
    return *probabilityOfOverfitting(values, {});
}

std::optional<double> probabilityOfOverfitting(const std::vector<std::vector<std::int64_t>>& values,
                                               const std::function<bool()>& keepGoing)
{
    const OverfittingKernels& kernels = overfittingKernels();
    SplitWalk walk(values, halvesWithFirstBlock(static_cast<int>(values.size())));
    // Room for the padding splits of the last pass, whose results are dropped.
    const std::size_t splits = walk.splits();
    std::vector<TileBest> best(splits + kSplitsPerPass);
    const bool bestFound = walk.walk(keepGoing, [&](std::size_t pass, const PairTile& tile) {
        TileBest tileBest[kSplitsPerPass];
        kernels.best(tile, tileBest);
        for (int k = 0; k < kSplitsPerPass; ++k)
            mergeBest(best[pass + k], tileBest[k]);
    });
    if (!bestFound)
        return std::nullopt;
    // The out-of-sample sum of each split's best pair, and the in-sample sum of the
    // complement's best (whose out-of-sample sum is the split's in-sample one).
    std::vector<SplitThresholds> thresholds(splits + kSplitsPerPass);
    for (std::size_t s = 0; s < splits; ++s)
        thresholds[s] = {walk.total(best[s].pair) - best[s].inSample,
                         walk.total(best[s].complementPair) - best[s].outOfSample};
    std::vector<TileCounts> counts(splits + kSplitsPerPass);
    const bool counted = walk.walk(keepGoing, [&](std::size_t pass, const PairTile& tile) {
        TileCounts tileCounts[kSplitsPerPass];
        kernels.count(tile, thresholds.data() + pass, tileCounts);
        for (int k = 0; k < kSplitsPerPass; ++k) {
            TileCounts& c = counts[pass + k];
            c.lower += tileCounts[k].lower;
            c.equal += tileCounts[k].equal;
            c.complementLower += tileCounts[k].complementLower;
            c.complementEqual += tileCounts[k].complementEqual;
        }
    });
    if (!counted)
        return std::nullopt;
    const std::int64_t pairs = static_cast<std::int64_t>(values.front().size());
    // At or below the median out of sample; padding pairs counted as lower are taken back.
    const auto overfit = [&](std::int64_t lower, std::int64_t equal) {
        return 2 * (lower - walk.padding()) + equal + 1 <= pairs + 1;
    };
    std::int64_t overfitSplits = 0;
    for (std::size_t s = 0; s < splits; ++s)
        overfitSplits +=
            overfit(counts[s].lower, counts[s].equal) + overfit(counts[s].complementLower, counts[s].complementEqual);
    return 100.0 * static_cast<double>(overfitSplits) / static_cast<double>(2 * walk.splits());
}

}  // namespace kiruvan
