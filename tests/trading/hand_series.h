#pragma once

#include <initializer_list>
#include <vector>

#include "base/calendar_date.h"
#include "trading/bar_series.h"

namespace kiruvan::test {

// The date text of bar k in the hand-built series: one calendar day per bar from 01/03/2021.
inline std::string handDate(int k)
{
    return Date::fromDayNumber(Date::fromYmd(2021, 3, 1).dayNumber() + k - 1).toText();
}

// Bars 1..n with the given closes; High and Low equal to the close unless set afterwards.
inline void setCloses(BarSeries& bars, std::initializer_list<double> closes)
{
    int k = 0;
    for (const double close : closes) {
        ++k;
        bars.Open[k] = bars.High[k] = bars.Low[k] = bars.Close[k] = close;
        bars.DateStr[k] = handDate(k);
    }
    bars.NBBars = k;
}

// Sets series[1], series[2], ... to the values (index 0 stays the sentinel).
template <typename T>
void setFromBar1(std::vector<T>& series, std::initializer_list<T> values)
{
    int k = 0;
    for (const T value : values)
        series[++k] = value;
}

}  // namespace kiruvan::test
