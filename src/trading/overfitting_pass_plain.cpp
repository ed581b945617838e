#include "trading/overfitting_pass.h"

#include <limits>

namespace kiruvan {

OverfittingPass overfittingPassPlain(const std::int64_t* total, std::int64_t* inSample, const std::int64_t* entering,
                                     const std::int64_t* leaving, int count, std::int64_t threshold)
{
    OverfittingPass pass;
    std::int64_t best = std::numeric_limits<std::int64_t>::min();
    for (int p = 0; p < count; ++p) {
        const std::int64_t outOfSample = total[p] - inSample[p];
        pass.lower += outOfSample < threshold;
        pass.equal += outOfSample == threshold;
        if (!entering)
            continue;
        inSample[p] += entering[p] - leaving[p];
        if (inSample[p] > best) {
            best = inSample[p];
            pass.best = p;
        }
    }
    return pass;
}

}  // namespace kiruvan
