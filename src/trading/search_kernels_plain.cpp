#include "trading/search_lanes.h"

namespace kiruvan {
namespace {

// Lane operations one double at a time, for processors without AVX2.
struct PlainOps {
    static constexpr const char* kName = "plain";
    static constexpr int kWidth = 4;
    static constexpr int kPairLanes = 8;
    static constexpr int kBaruxLanes = 16;
    static constexpr int kLanesPerPack = kWidth;

    struct Pack {
        double v[kLanesPerPack];
    };
    struct Mask {
        bool v[kLanesPerPack];
    };

    template <typename T, typename F>
    static T each(F f)
    {
        T r;
        for (int l = 0; l < kLanesPerPack; ++l)
            r.v[l] = f(l);
        return r;
    }

    static Pack load(const double* p)
    {
        return each<Pack>([&](int l) { return p[l]; });
    }
    static Pack loadReversed(const double* p)
    {
        return each<Pack>([&](int l) { return p[kLanesPerPack - 1 - l]; });
    }
    static void store(double* p, Pack a) { std::copy_n(a.v, kLanesPerPack, p); }
    static Pack broadcast(double x)
    {
        return each<Pack>([&](int) { return x; });
    }
    static Pack add(Pack a, Pack b)
    {
        return each<Pack>([&](int l) { return a.v[l] + b.v[l]; });
    }
    static Pack sub(Pack a, Pack b)
    {
        return each<Pack>([&](int l) { return a.v[l] - b.v[l]; });
    }
    static Pack addOnMultiplier(Pack a, Pack b) { return add(a, b); }
    static Pack subOnMultiplier(Pack a, Pack b) { return sub(a, b); }
    static Pack mul(Pack a, Pack b)
    {
        return each<Pack>([&](int l) { return a.v[l] * b.v[l]; });
    }
    static Pack div(Pack a, Pack b)
    {
        return each<Pack>([&](int l) { return a.v[l] / b.v[l]; });
    }
    static Pack max(Pack a, Pack b)
    {
        return each<Pack>([&](int l) { return a.v[l] > b.v[l] ? a.v[l] : b.v[l]; });
    }
    static Pack min(Pack a, Pack b)
    {
        return each<Pack>([&](int l) { return a.v[l] < b.v[l] ? a.v[l] : b.v[l]; });
    }
    static Pack negate(Pack a)
    {
        return each<Pack>([&](int l) { return -a.v[l]; });
    }
    static Pack select(Mask m, Pack a, Pack b)
    {
        return each<Pack>([&](int l) { return m.v[l] ? a.v[l] : b.v[l]; });
    }
    static Mask greater(Pack a, Pack b)
    {
        return each<Mask>([&](int l) { return a.v[l] > b.v[l]; });
    }
    static Mask greaterOrEqual(Pack a, Pack b)
    {
        return each<Mask>([&](int l) { return a.v[l] >= b.v[l]; });
    }
    static Mask less(Pack a, Pack b)
    {
        return each<Mask>([&](int l) { return a.v[l] < b.v[l]; });
    }
    static Mask lessOrEqual(Pack a, Pack b)
    {
        return each<Mask>([&](int l) { return a.v[l] <= b.v[l]; });
    }
    static Mask notEqual(Pack a, Pack b)
    {
        return each<Mask>([&](int l) { return a.v[l] != b.v[l]; });
    }
    static Mask both(Mask a, Mask b)
    {
        return each<Mask>([&](int l) { return a.v[l] && b.v[l]; });
    }
    static Mask either(Mask a, Mask b)
    {
        return each<Mask>([&](int l) { return a.v[l] || b.v[l]; });
    }
    static Mask bothNotFirst(Mask a, Mask b)
    {
        return each<Mask>([&](int l) { return !a.v[l] && b.v[l]; });
    }
    static Mask noLanes()
    {
        return each<Mask>([](int) { return false; });
    }
    static Mask fromFlags(const bool* flags)
    {
        return each<Mask>([&](int l) { return flags[l]; });
    }
};

}  // namespace

const SearchKernels& plainSearchKernels()
{
    return kLaneKernels<PlainOps>;
}

}  // namespace kiruvan
