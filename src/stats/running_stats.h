// Per-sample accumulators: count, first and last time, amplitude extremes
// with the times they were first reached, power sums, and the interval
// extremes with the times of the samples that bound them. Constant work and
// memory per sample; nothing is checked or rejected.
#pragma once

#include <cmath>
#include <cstdint>

#include "stats/powers.h"

// Starting values of the extremes: finite sentinels that a report shows
// unchanged when no sample passes them.
constexpr double Y_SENTINEL = 1e20;
constexpr double T_Y_SENTINEL = 9999999.0;
constexpr double DT_SENTINEL = 1e90;

struct RunningStats {
    // 64 bits, so that no record, however long, wraps the count.
    uint64_t n = 0;
    double t0 = 0.0;
    double t_prev = 0.0;
    double y_prev = 0.0;
    double t_last = 0.0;
    double ymin = Y_SENTINEL;
    double t_ymin = T_Y_SENTINEL;
    double ymax = -Y_SENTINEL;
    double t_ymax = T_Y_SENTINEL;
    double sum_y = 0.0;
    double sum_y2 = 0.0;
    double sum_y4 = 0.0;
    double dtmin = DT_SENTINEL;
    double dtmin_t_end = 0.0;
    double dtmin_t_start = 0.0;
    double dtmax = -DT_SENTINEL;
    double dtmax_t_end = 0.0;
    double dtmax_t_start = 0.0;

    // Seeds the record with the first pair.
    void start(double first_t, double y);
    // Takes a later pair and returns the absolute amplitude step from the
    // previous one.
    double add(double t, double y);

    // Strictly smaller or larger only, so an extreme keeps its first
    // occurrence. Each time is tested against the extreme as it stood
    // before this pair, then the extreme follows.
    void take_extremes(double t, double y);
};

inline void RunningStats::take_extremes(double t, double y) {
    if (y < ymin) t_ymin = t;
    if (y > ymax) t_ymax = t;
    if (y < ymin) ymin = y;
    if (y > ymax) ymax = y;
}

inline void RunningStats::start(double first_t, double y) {
    take_extremes(first_t, y);
    sum_y = y;
    sum_y2 = square(y);
    sum_y4 = fourth_power(y);
    t0 = first_t;
    t_prev = first_t;
    y_prev = y;
    t_last = first_t;
    n = 1;
}

inline double RunningStats::add(double t, double y) {
    ++n;
    take_extremes(t, y);
    sum_y = sum_y + y;
    sum_y2 = square(y) + sum_y2;
    sum_y4 = fourth_power(y) + sum_y4;

    double interval = t - t_prev;
    if (interval > dtmax) {
        dtmax = interval;
        dtmax_t_end = t;
        dtmax_t_start = t_prev;
    }
    // Written as "not at least" so that a not-a-number interval (two equal
    // infinite times) also replaces it, and anything replaces it after.
    if (!(interval >= dtmin)) {
        dtmin = interval;
        dtmin_t_end = t;
        dtmin_t_start = t_prev;
    }

    double dy = std::fabs(y - y_prev);
    t_prev = t;
    y_prev = y;
    t_last = t;
    return dy;
}
