// The summary statistics, in the order and with the roundings of the
// report's definitions: each step rounded to double before the next.
#include "stats/summary_stats.h"

#include <cmath>

SummaryStats summarize(const RunningStats& stats, const StepHistogram& histogram) {
    const double n = static_cast<double>(stats.n);
    const double intervals = static_cast<double>(stats.n - 1);
    SummaryStats s;
    s.duration = stats.t_last - stats.t0;
    s.dt = s.duration / intervals;
    s.ave = stats.sum_y / n;
    s.rms = std::sqrt(stats.sum_y2 / n);
    // Not clamped at zero: when the two rounded squares cross, sd is
    // not-a-number, and the report shows it.
    s.sd = std::sqrt(square(s.rms) - square(s.ave));
    s.kurtosis = stats.sum_y4 / (std::pow(s.sd, 4) * n);
    s.sr_min = 1 / stats.dtmax;
    s.sr = 1 / s.dt;
    s.sr_max = 1 / stats.dtmin;
    s.gbit = histogram.most_frequent();
    return s;
}
