#pragma once

#include <cstdint>

namespace kiruvan {

// One pass of the overfitting count over the pairs (a multiple of 4, padded with pairs that
// never win and never count): counts the pairs whose out-of-sample sum (total - inSample) is
// below and equal to `threshold`, then, when `entering` is given, moves every in-sample sum to
// the next split (+ entering - leaving) and finds its best pair, the first with the greatest
// sum. Integer arithmetic only: every path gives the same answer.
struct OverfittingPass {
    std::int64_t lower = 0;
    std::int64_t equal = 0;
    int best = 0;
};

using OverfittingPassFunction = OverfittingPass (*)(const std::int64_t* total, std::int64_t* inSample,
                                                    const std::int64_t* entering, const std::int64_t* leaving,
                                                    int count, std::int64_t threshold);

OverfittingPass overfittingPassPlain(const std::int64_t* total, std::int64_t* inSample, const std::int64_t* entering,
                                     const std::int64_t* leaving, int count, std::int64_t threshold);
OverfittingPass overfittingPassAvx2(const std::int64_t* total, std::int64_t* inSample, const std::int64_t* entering,
                                    const std::int64_t* leaving, int count, std::int64_t threshold);

}  // namespace kiruvan
