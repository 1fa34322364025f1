// Per-sample accumulators: count, first and last time, amplitude extremes
// with the times they were first reached, power sums, and the interval
// extremes with the times of the samples that bound them. Constant work and
// memory per sample; nothing is checked or rejected.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>

// Starting values of the extremes: finite sentinels that a report shows
// unchanged when no sample passes them.
constexpr double Y_SENTINEL = 1e20;
constexpr double T_Y_SENTINEL = 9999999.0;
constexpr double DT_SENTINEL = 1e90;

// The square of the standard power function, pow(y, 2). The exact square
// rounded once is what pow(y, 2) means and what the compiler makes of it
// when optimising; spelling it out keeps every build, optimised or not,
// to the same bits.
inline double square(double y) { return y * y; }

// pow(y, 4) costs more than all the rest of a sample's statistics, and a
// digitised record holds few distinct amplitudes, each met again and again.
// So each result of pow is kept in a fixed table: a repeated amplitude gets
// back the very bits pow gave it. An amplitude hashes to a set of four
// slots, one cache line, and may sit in any of them, so that the tens of
// thousands of amplitudes of a noisy 16-bit record mostly fit instead of
// pushing each other out; a new one replaces the set's slots in turn.
// Every slot starts as +0.0 with pow(+0.0, 4) = +0.0, so none needs a flag.
constexpr int FOURTH_POWER_SET_BITS = 13;
constexpr int FOURTH_POWER_WAYS = 4;
struct alignas(64) FourthPowerSet {
    uint64_t y_bits[FOURTH_POWER_WAYS];
    double power[FOURTH_POWER_WAYS];
};
inline FourthPowerSet fourth_power_sets[1u << FOURTH_POWER_SET_BITS];
inline uint8_t fourth_power_next_way[1u << FOURTH_POWER_SET_BITS];

inline double fourth_power(double y) {
    uint64_t bits;
    std::memcpy(&bits, &y, sizeof bits);
    // Fibonacci hashing: the top bits of the product mix all of y's bits.
    const uint32_t index =
        static_cast<uint32_t>((bits * 0x9E3779B97F4A7C15ULL) >> (64 - FOURTH_POWER_SET_BITS));
    FourthPowerSet& set = fourth_power_sets[index];
    // Which slot holds it is as random as the data: a mask, not branches.
    unsigned found = 0;
    for (int way = 0; way < FOURTH_POWER_WAYS; ++way) {
        found |= static_cast<unsigned>(set.y_bits[way] == bits) << way;
    }
    if (found != 0) return set.power[__builtin_ctz(found)];
    uint8_t& way = fourth_power_next_way[index];
    set.y_bits[way] = bits;
    set.power[way] = std::pow(y, 4);
    double power = set.power[way];
    way = static_cast<uint8_t>((way + 1) % FOURTH_POWER_WAYS);
    return power;
}

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
