#pragma once

// The inner loops of the fast parameter search, written once over a set of lane operations
// and compiled once per kernel set: with plain doubles, with AVX2 and with AVX-512. Each set
// of operations names its pack width (kWidth) and how many pairs and windows one pass keeps
// in flight (kPairLanes, kBaruxLanes) to hide the latency of the running sums. Every lane
// performs its own window's operations in the order of the bar series' loops; the build
// forbids contraction, so no lane fuses a multiply and an add (the additions on the multiply
// units multiply by 1 only). Included only by the kernel files, with internal linkage, so
// that a vector copy never stands in for the plain one at link time.

#include <algorithm>
#include <limits>

#include "trading/search_kernels.h"

namespace kiruvan {
namespace {

template <typename Ops>
using Pack = typename Ops::Pack;
template <typename Ops>
using Mask = typename Ops::Mask;

// The running extremes of a window: the new price where it reaches the extreme (ties take
// the new price). Without NaN among the prices, the processor's max and min decide the same
// in one step: they return their second operand on ties, as the comparison does.
template <typename Ops, bool kFinite>
Pack<Ops> runningHigh(Pack<Ops> high, Pack<Ops> hi)
{
    if constexpr (kFinite)
        return Ops::max(hi, high);
    else
        return Ops::select(Ops::greaterOrEqual(high, hi), high, hi);
}

template <typename Ops, bool kFinite>
Pack<Ops> runningLow(Pack<Ops> low, Pack<Ops> lo)
{
    if constexpr (kFinite)
        return Ops::min(lo, low);
    else
        return Ops::select(Ops::lessOrEqual(low, lo), low, lo);
}

// The smoothing of the Barux, bar after bar in the bar series' order, run a step at a time
// beside the vector work of the windows: its chain of dependent additions and divisions then
// waits under that work instead of after it.
class TrailingSmoothing {
public:
    TrailingSmoothing(double* barux, int N, int last) : barux_(barux), next_(N + 3), end_(last - 1) {}

    // Smooths one more bar if bar `ready` and those before it hold their unsmoothed value.
    void step(int ready)
    {
        if (next_ <= ready && next_ <= end_) {
            barux_[next_] = (barux_[next_] + barux_[next_ - 1] + barux_[next_ - 2]) / 3;
            ++next_;
        }
    }
    void catchUp(int ready)
    {
        while (next_ <= ready && next_ <= end_)
            step(ready);
    }

private:
    double* barux_;
    int next_;
    const int end_;
};

// Raw Barux of Ops::kBaruxLanes consecutive bars starting at bar i, one window per lane,
// smoothing the bars before i meanwhile.
template <typename Ops, bool kFinite>
void rawBaruxLanesAt(const SearchPrices& prices, int N, int i, double* out, TrailingSmoothing& smoothing)
{
    constexpr int kLanesPerPack = Ops::kWidth;
    constexpr int kBaruxPacks = Ops::kBaruxLanes / kLanesPerPack;
    static_assert(Ops::kBaruxLanes <= kMostBaruxLanes && Ops::kBaruxLanes % kLanesPerPack == 0);
    const int first = i - N + 1;
    Pack<Ops> close[kBaruxPacks], hi[kBaruxPacks], lo[kBaruxPacks], aboveSum[kBaruxPacks], belowSum[kBaruxPacks];
    for (int p = 0; p < kBaruxPacks; ++p) {
        close[p] = Ops::load(prices.close + i + p * kLanesPerPack);
        hi[p] = lo[p] = Ops::load(prices.close + first + p * kLanesPerPack);
        aboveSum[p] = belowSum[p] = Ops::broadcast(0);
    }
    for (int k = first; k <= first + N - 1; ++k) {
        smoothing.step(i - 1);
        for (int p = 0; p < kBaruxPacks; ++p) {
            const auto high = Ops::load(prices.high + k + p * kLanesPerPack);
            const auto low = Ops::load(prices.low + k + p * kLanesPerPack);
            hi[p] = runningHigh<Ops, kFinite>(high, hi[p]);
            lo[p] = runningLow<Ops, kFinite>(low, lo[p]);
            // Three of the four additions on the multiply units: the max and min take the add
            // units' other share.
            aboveSum[p] = Ops::add(aboveSum[p], Ops::subOnMultiplier(hi[p], close[p]));
            belowSum[p] = Ops::addOnMultiplier(belowSum[p], Ops::subOnMultiplier(close[p], lo[p]));
        }
    }
    const auto period = Ops::broadcast(N);
    for (int p = 0; p < kBaruxPacks; ++p)
        Ops::store(out + i + p * kLanesPerPack,
                   Ops::add(Ops::div(Ops::negate(aboveSum[p]), period), Ops::div(belowSum[p], period)));
}

template <typename Ops, bool kFinite>
void baruxLanes(const SearchPrices& prices, int N, double* out)
{
    TrailingSmoothing smoothing(out, N, prices.last);
    for (int i = N; i <= prices.last; i += Ops::kBaruxLanes) {
        rawBaruxLanesAt<Ops, kFinite>(prices, N, i, out, smoothing);
        smoothing.catchUp(i - 1);
    }
    smoothing.catchUp(prices.last);
}

// The moving averages of Ops::kPairLanes periods as independent running sums, and the
// score-only walk of the trading system over them.
template <typename Ops>
class PairLanes {
    static constexpr int kLanesPerPack = Ops::kWidth;
    static constexpr int kSearchLanes = Ops::kPairLanes;
    static constexpr int kPacks = kSearchLanes / kLanesPerPack;
    static_assert(kSearchLanes <= kMostPairLanes && kSearchLanes % kLanesPerPack == 0);

public:
    PairLanes(const double* barux, const int* periods) : barux_(barux)
    {
        for (int l = 0; l < kSearchLanes; ++l) {
            period_[l] = periods[l];
            consecutive_ = consecutive_ && periods[l] == periods[0] + l;
            double sum = 0;
            for (int k = 0; k <= periods[l] - 1; ++k)
                sum = sum + barux[k];
            sums_[l] = sum;
        }
        for (int p = 0; p < kPacks; ++p) {
            divisor_[p] = Ops::load(divisors(p));
            sum_[p] = Ops::load(sums_ + p * kLanesPerPack);
        }
    }

    void scores(const double* close, int First_Bar, int last, double* out, CurveCheckpoints checkpoints)
    {
        static constexpr int kNoCheckpoint[] = {std::numeric_limits<int>::max()};
        const int* checkpoint = checkpoints.bars ? checkpoints.bars : kNoCheckpoint;
        double* curves = checkpoints.curves;
        const int longest = *std::max_element(period_, period_ + kSearchLanes);
        int j = *std::min_element(period_, period_ + kSearchLanes);
        for (; j < First_Bar - 1; ++j)
            averagesAt(j, j <= longest);
        Pack<Ops> previousAverage[kPacks], average[kPacks], weighted[kPacks];
        Mask<Ops> isLong[kPacks], isShort[kPacks];
        averagesAt(First_Bar - 1, true, previousAverage);
        const auto hundred = Ops::broadcast(100);
        const auto zero = Ops::broadcast(0);
        for (int p = 0; p < kPacks; ++p) {
            weighted[p] = hundred;
            isLong[p] = isShort[p] = Ops::noLanes();
        }
        for (int i = First_Bar; i <= last; ++i) {
            averagesAt(i, i <= longest, average);
            const auto price = Ops::broadcast(close[i]);
            const auto previousPrice = Ops::broadcast(close[i - 1]);
            const auto value = Ops::broadcast(barux_[i]);
            const auto previousValue = Ops::broadcast(barux_[i - 1]);
            for (int p = 0; p < kPacks; ++p) {
                // The compounded curve keeps 100 where a bar does not move it.
                const auto numerator = Ops::select(isLong[p], price, previousPrice);
                const auto denominator = Ops::select(isLong[p], previousPrice, price);
                const auto moves = Ops::both(Ops::either(isLong[p], isShort[p]), Ops::notEqual(denominator, zero));
                weighted[p] = Ops::select(moves, Ops::div(Ops::mul(weighted[p], numerator), denominator), hundred);
                const auto buy =
                    Ops::bothNotFirst(isLong[p], Ops::both(Ops::greater(value, average[p]),
                                                           Ops::lessOrEqual(previousValue, previousAverage[p])));
                const auto sell =
                    Ops::bothNotFirst(isShort[p], Ops::both(Ops::less(value, average[p]),
                                                            Ops::greaterOrEqual(previousValue, previousAverage[p])));
                isLong[p] = Ops::either(buy, Ops::bothNotFirst(sell, isLong[p]));
                isShort[p] = Ops::either(sell, Ops::bothNotFirst(buy, isShort[p]));
                previousAverage[p] = average[p];
            }
            for (; *checkpoint == i; ++checkpoint, curves += kSearchLanes)
                for (int p = 0; p < kPacks; ++p)
                    Ops::store(curves + p * kLanesPerPack, weighted[p]);
        }
        for (int p = 0; p < kPacks; ++p)
            Ops::store(out + p * kLanesPerPack, Ops::sub(weighted[p], hundred));
    }

private:
    const double* divisors(int p)
    {
        for (int l = 0; l < kLanesPerPack; ++l)
            divisorValues_[p * kLanesPerPack + l] = period_[p * kLanesPerPack + l];
        return divisorValues_ + p * kLanesPerPack;
    }

    // Moves the running sums to bar j; with warmUp, lanes whose window has not started yet
    // keep their sum and read 0 below their first average.
    void averagesAt(int j, bool warmUp, Pack<Ops>* averages = nullptr)
    {
        if (warmUp)
            advanceWarmingUp(j);
        else
            advance(j);
        if (!averages)
            return;
        for (int p = 0; p < kPacks; ++p) {
            averages[p] = Ops::div(sum_[p], divisor_[p]);
            if (warmUp)
                averages[p] = Ops::select(Ops::fromFlags(written(j, p)), averages[p], Ops::broadcast(0));
        }
    }

    // Every window has started: each lane reads its leaving value without a bounds check. Lanes
    // of consecutive periods read consecutive values, in one load from the newest down.
    void advance(int j)
    {
        const auto entering = Ops::broadcast(barux_[j]);
        if (consecutive_) {
            const double* oldest = barux_ + j - period_[0] - (kLanesPerPack - 1);
            for (int p = 0; p < kPacks; ++p)
                sum_[p] = Ops::add(Ops::sub(sum_[p], Ops::loadReversed(oldest - p * kLanesPerPack)), entering);
            return;
        }
        for (int p = 0; p < kPacks; ++p) {
            double values[kLanesPerPack];
            for (int l = 0; l < kLanesPerPack; ++l)
                values[l] = barux_[j - period_[p * kLanesPerPack + l]];
            sum_[p] = Ops::add(Ops::sub(sum_[p], Ops::load(values)), entering);
        }
    }

    void advanceWarmingUp(int j)
    {
        const auto entering = Ops::broadcast(barux_[j]);
        for (int p = 0; p < kPacks; ++p) {
            bool running[kLanesPerPack];
            for (int l = 0; l < kLanesPerPack; ++l)
                running[l] = period_[p * kLanesPerPack + l] <= j;
            sum_[p] =
                Ops::select(Ops::fromFlags(running), Ops::add(Ops::sub(sum_[p], leaving(j, p)), entering), sum_[p]);
        }
    }

    Pack<Ops> leaving(int j, int p) const
    {
        double values[kLanesPerPack];
        for (int l = 0; l < kLanesPerPack; ++l) {
            const int at = j - period_[p * kLanesPerPack + l];
            values[l] = barux_[at >= 0 ? at : 0];
        }
        return Ops::load(values);
    }

    const bool* written(int j, int p)
    {
        for (int l = 0; l < kLanesPerPack; ++l)
            writtenFlags_[l] = period_[p * kLanesPerPack + l] - 1 <= j;
        return writtenFlags_;
    }

    const double* barux_;
    bool consecutive_ = true;
    int period_[kSearchLanes];
    double sums_[kSearchLanes];
    double divisorValues_[kSearchLanes];
    bool writtenFlags_[kLanesPerPack];
    Pack<Ops> divisor_[kPacks];
    Pack<Ops> sum_[kPacks];
};

template <typename Ops>
void pairScoresLanes(const double* barux, const double* close, const int* periods, int First_Bar, int last,
                     double* scores, CurveCheckpoints checkpoints)
{
    PairLanes<Ops>(barux, periods).scores(close, First_Bar, last, scores, checkpoints);
}

template <typename Ops>
constexpr SearchKernels kLaneKernels{Ops::kName, Ops::kPairLanes, baruxLanes<Ops, false>, baruxLanes<Ops, true>,
                                     pairScoresLanes<Ops>};

}  // namespace
}  // namespace kiruvan
