// Histogram of the nonzero amplitude steps between consecutive samples. Its
// most frequent step estimates the recorder's resolution in G per bit.
// Steps within STEP_TOLERANCE of an entry count in it; the table holds at
// most STEP_LAST_LIMIT + 1 entries and later new steps are dropped.
#pragma once

#include <cmath>
#include <cstdint>

constexpr double STEP_TOLERANCE = 1e-6;
constexpr int STEP_SLOTS = 300;
constexpr uint32_t STEP_LAST_LIMIT = 200;
constexpr double NO_STEP = 1e90;

struct StepHistogram {
    double step_value[STEP_SLOTS] = {};
    // 64 bits, like the sample count, so that no count can overflow.
    int64_t step_count[STEP_SLOTS] = {};
    uint32_t step_last = 0;  // index of the last entry in use

    // Sets every count to 0; values and step_last are left alone.
    void clear_counts();
    // Counts the step dy taken at sample n (n counts the current sample).
    void add(double dy, uint64_t n);
    // The value of the entry with the greatest count, the lowest index on a
    // tie; NO_STEP when nothing was counted.
    double most_frequent() const;
};

inline void StepHistogram::add(double dy, uint64_t n) {
    // Written so that a not-a-number step is not counted.
    if (!(dy > STEP_TOLERANCE)) return;
    if (n == 2) {
        // The step between the first two samples opens the table.
        step_value[0] = dy;
        step_count[0] = 1;
        step_last = 0;
        return;
    }
    for (uint32_t j = 0; j <= step_last; ++j) {
        // "Not larger than": the distance of two equal infinities is not a
        // number, so an infinite step matches an infinite entry.
        if (!(std::fabs(dy - step_value[j]) > STEP_TOLERANCE)) {
            ++step_count[j];
            return;
        }
    }
    if (step_last < STEP_LAST_LIMIT) {
        ++step_last;
        step_value[step_last] = dy;
        step_count[step_last] = 1;
    }
}
