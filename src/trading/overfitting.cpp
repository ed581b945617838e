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
    }

    std::size_t splits() const { return sets_.size(); }
    std::int64_t padding() const { return padded_ - pairs_; }
    std::int64_t total(int pair) const { return total_[pair]; }

    // Calls visit(split, tile) for every tile of pairs, and in each for every split in order;
    // false when keepGoing stopped it before a tile.
    template <typename Visit>
    bool walk(const std::function<bool()>& keepGoing, Visit visit)
    {
        for (int first = 0; first < padded_; first += kTilePairs) {
            if (keepGoing && !keepGoing())
                return false;
            PairTile tile{total_.data() + first,
                          inSample_.data(),
                          nullptr,
                          nullptr,
                          first,
                          std::min(kTilePairs, padded_ - first)};
            startTile(tile);
            visit(std::size_t{0}, tile);
            for (std::size_t s = 1; s < sets_.size(); ++s) {
                tile.entering = blocks_[onlyBlock(sets_[s] & ~sets_[s - 1])].data() + first;
                tile.leaving = blocks_[onlyBlock(sets_[s - 1] & ~sets_[s])].data() + first;
                visit(s, tile);
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
    std::vector<std::int64_t> total_, inSample_;
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
    std::vector<TileBest> best(walk.splits());
    if (!walk.walk(keepGoing, [&](std::size_t s, const PairTile& tile) { mergeBest(best[s], kernels.best(tile)); }))
        return std::nullopt;
    std::vector<TileCounts> counts(walk.splits());
    const bool counted = walk.walk(keepGoing, [&](std::size_t s, const PairTile& tile) {
        // The out-of-sample sum of the split's best pair, and the in-sample sum of the
        // complement's best (whose out-of-sample sum is the split's in-sample one).
        const std::int64_t threshold = walk.total(best[s].pair) - best[s].inSample;
        const std::int64_t complementThreshold = walk.total(best[s].complementPair) - best[s].outOfSample;
        const TileCounts c = kernels.count(tile, threshold, complementThreshold);
        counts[s].lower += c.lower;
        counts[s].equal += c.equal;
        counts[s].complementLower += c.complementLower;
        counts[s].complementEqual += c.complementEqual;
    });
    if (!counted)
        return std::nullopt;
    const std::int64_t pairs = static_cast<std::int64_t>(values.front().size());
    // At or below the median out of sample; padding pairs counted as lower are taken back.
    const auto overfit = [&](std::int64_t lower, std::int64_t equal) {
        return 2 * (lower - walk.padding()) + equal + 1 <= pairs + 1;
    };
    std::int64_t overfitSplits = 0;
    for (const TileCounts& c : counts)
        overfitSplits += overfit(c.lower, c.equal) + overfit(c.complementLower, c.complementEqual);
    return 100.0 * static_cast<double>(overfitSplits) / static_cast<double>(2 * walk.splits());
}

}  // namespace kiruvan
