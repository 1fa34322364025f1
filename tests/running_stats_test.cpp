// Running statistics: extremes with their first times, power sums, interval
// extremes with their bounding times, and the steps handed on.
#include "stats/running_stats.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

const double INF = std::numeric_limits<double>::infinity();

struct Sample {
    double t, y;
};

// Feeds the samples as the driver does; returns the steps add gave.
std::vector<double> feed(RunningStats& r, const std::vector<Sample>& samples) {
    std::vector<double> steps;
    r.start(samples[0].t, samples[0].y);
    for (size_t i = 1; i < samples.size(); ++i) steps.push_back(r.add(samples[i].t, samples[i].y));
    return steps;
}

TEST(RunningStats, FiveSampleRecord) {
    RunningStats r;
    std::vector<double> steps =
        feed(r, {{0, 1.5}, {0.25, 1.75}, {0.5, 1.5}, {0.75, 2.0}, {1.25, 1.25}});
    EXPECT_EQ(steps, (std::vector<double>{0.25, 0.25, 0.5, 0.75}));
    EXPECT_EQ(r.n, 5u);
    EXPECT_EQ(r.t0, 0);
    EXPECT_EQ(r.t_last, 1.25);
    EXPECT_EQ(r.t_prev, 1.25);
    EXPECT_EQ(r.y_prev, 1.25);
    EXPECT_EQ(r.ymin, 1.25);
    EXPECT_EQ(r.t_ymin, 1.25);
    EXPECT_EQ(r.ymax, 2.0);
    EXPECT_EQ(r.t_ymax, 0.75);
    EXPECT_EQ(r.sum_y, 8.0);
    EXPECT_EQ(r.sum_y2, 13.125);
    EXPECT_EQ(r.sum_y4, 37.9453125);
    // The first of three equal shortest intervals.
    EXPECT_EQ(r.dtmin, 0.25);
    EXPECT_EQ(r.dtmin_t_end, 0.25);
    EXPECT_EQ(r.dtmin_t_start, 0);
    EXPECT_EQ(r.dtmax, 0.5);
    EXPECT_EQ(r.dtmax_t_end, 1.25);
    EXPECT_EQ(r.dtmax_t_start, 0.75);
}

TEST(RunningStats, OnePairKeepsTheIntervalSentinels) {
    RunningStats r;
    feed(r, {{3, -2}});
    EXPECT_EQ(r.n, 1u);
    EXPECT_EQ(r.ymin, -2);
    EXPECT_EQ(r.ymax, -2);
    EXPECT_EQ(r.t_ymin, 3);
    EXPECT_EQ(r.t_ymax, 3);
    EXPECT_EQ(r.sum_y, -2);
    EXPECT_EQ(r.sum_y2, 4);
    EXPECT_EQ(r.sum_y4, 16);
    EXPECT_EQ(r.t_last, 3);
    EXPECT_EQ(r.dtmin, 1e90);
    EXPECT_EQ(r.dtmax, -1e90);
    EXPECT_EQ(r.dtmin_t_end + r.dtmin_t_start + r.dtmax_t_end + r.dtmax_t_start, 0);
}

// Extremes: each with the time of its first occurrence, and sentinels that
// stay where no sample passes them.
struct ExtremeCase {
    const char* name;
    std::vector<Sample> samples;
    double ymin, t_ymin, ymax, t_ymax;
};

// Names the case in test listings.
void PrintTo(const ExtremeCase& c, std::ostream* os) { *os << c.name; }

class Extremes : public testing::TestWithParam<ExtremeCase> {};

TEST_P(Extremes, KeepTheFirstOccurrence) {
    const ExtremeCase& c = GetParam();
    RunningStats r;
    feed(r, c.samples);
    EXPECT_EQ(r.ymin, c.ymin);
    EXPECT_EQ(r.t_ymin, c.t_ymin);
    EXPECT_EQ(r.ymax, c.ymax);
    EXPECT_EQ(r.t_ymax, c.t_ymax);
}

INSTANTIATE_TEST_SUITE_P(
    Amplitudes, Extremes,
    testing::Values(
        ExtremeCase{"Ties", {{0, 1}, {1, 3}, {2, 0}, {3, 3}, {4, 0}, {5, 2}}, 0, 2, 3, 1},
        ExtremeCase{"AllHuge", {{0, 2e20}, {1, 3e20}, {2, 2e20}}, 1e20, 9999999.0, 3e20, 1},
        ExtremeCase{"AllHugeNegative", {{0, -2e20}, {1, -3e20}}, -3e20, 1, -1e20, 9999999.0},
        ExtremeCase{"AtTheSentinel", {{0, 1e20}, {1, 1e20}}, 1e20, 9999999.0, 1e20, 0}),
    [](const testing::TestParamInfo<ExtremeCase>& info) { return std::string(info.param.name); });

// Interval extremes: signed intervals, first occurrence, sentinels, and the
// not-a-number interval of two equal infinite times.
struct IntervalCase {
    const char* name;
    std::vector<double> times;
    double dtmin, dtmin_end, dtmin_start, dtmax, dtmax_end, dtmax_start;
};

// Names the case in test listings.
void PrintTo(const IntervalCase& c, std::ostream* os) { *os << c.name; }

class Intervals : public testing::TestWithParam<IntervalCase> {};

TEST_P(Intervals, TrackTheirBoundingTimes) {
    const IntervalCase& c = GetParam();
    std::vector<Sample> samples;
    for (double t : c.times) samples.push_back({t, 0});
    RunningStats r;
    feed(r, samples);
    EXPECT_EQ(r.dtmin, c.dtmin);
    EXPECT_EQ(r.dtmin_t_end, c.dtmin_end);
    EXPECT_EQ(r.dtmin_t_start, c.dtmin_start);
    EXPECT_EQ(r.dtmax, c.dtmax);
    EXPECT_EQ(r.dtmax_t_end, c.dtmax_end);
    EXPECT_EQ(r.dtmax_t_start, c.dtmax_start);
}

INSTANTIATE_TEST_SUITE_P(
    Times, Intervals,
    testing::Values(IntervalCase{"RepeatedTime", {0, 1, 1, 2}, 0, 1, 1, 1, 1, 0},
                    IntervalCase{"Decreasing", {5, 4, 3, 1}, -2, 1, 3, -1, 4, 5},
                    IntervalCase{"OnlyHugeInterval", {0, 1e95}, 1e90, 0, 0, 1e95, 1e95, 0},
                    IntervalCase{"OnlyHugeNegative", {0, -1e95}, -1e95, -1e95, 0, -1e90, 0, 0},
                    IntervalCase{"EqualInfiniteTimes", {INF, INF, 5, 6}, -INF, 5, INF, 1, 6, 5}),
    [](const testing::TestParamInfo<IntervalCase>& info) { return std::string(info.param.name); });

TEST(RunningStats, InfiniteAmplitudeSteps) {
    RunningStats r;
    r.start(0, 1);
    EXPECT_EQ(r.add(1, INF), INF);
    EXPECT_TRUE(std::isnan(r.add(2, INF)));
    EXPECT_EQ(r.sum_y, INF);
    EXPECT_EQ(r.ymax, INF);
    EXPECT_EQ(r.t_ymax, 1);
}

}  // namespace
