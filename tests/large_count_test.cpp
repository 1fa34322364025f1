// Records of more than 2^32 pairs: the count, the figures computed from it
// and the histogram's test for the second pair must not wrap at 32 bits.
// The statistics are driven there directly, with the count set near 2^32.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "report/report.h"
#include "stats/running_stats.h"
#include "stats/step_histogram.h"
#include "stats/summary_stats.h"

namespace {

constexpr uint64_t TWO_TO_32 = 1ULL << 32;

TEST(LargeCountTest, CountMeanAndRatesPastTwoToThe32) {
    // As if 2^32 - 2 pairs at 1 ms steps, every amplitude 1 G, had been
    // taken: the sums of whole numbers are exact.
    RunningStats stats;
    stats.start(0.0, 1.0);
    const uint64_t taken = TWO_TO_32 - 2;
    const double last_t = static_cast<double>(taken - 1) * 0.001;
    stats.n = taken;
    stats.sum_y = stats.sum_y2 = stats.sum_y4 = static_cast<double>(taken);
    stats.t_prev = stats.t_last = last_t;
    stats.dtmin = stats.dtmax = 0.001;

    // Four more pairs of 3 G carry the count across 2^32.
    double t = last_t;
    for (int i = 0; i < 4; ++i) stats.add(t += 0.001, 3.0);
    const uint64_t n = TWO_TO_32 + 2;
    EXPECT_EQ(stats.n, n);

    StepHistogram histogram;
    histogram.clear_counts();
    SummaryStats s = summarize(stats, histogram);
    const double count = static_cast<double>(n);
    EXPECT_EQ(s.ave, (static_cast<double>(taken) + 12.0) / count);
    EXPECT_EQ(s.rms, std::sqrt((static_cast<double>(taken) + 36.0) / count));
    EXPECT_EQ(s.dt, s.duration / static_cast<double>(n - 1));
    EXPECT_NEAR(s.sr, 1000.0, 1e-6);
    EXPECT_NEAR(s.ave, 1.0, 1e-8);  // a wrapped count of 2 would give billions

    char* text = nullptr;
    size_t length = 0;
    std::FILE* out = open_memstream(&text, &length);
    print_report(stats, s, out);
    std::fclose(out);
    std::string report(text, length);
    std::free(text);
    EXPECT_EQ(report.substr(0, 24), "\n samples= 4294967298 \n\n");
}

TEST(LargeCountTest, HistogramDoesNotRestartWhereTheCountWraps) {
    StepHistogram h;
    h.clear_counts();
    h.add(0.5, 2);  // the second pair opens entry 0
    h.add(0.5, 3);
    h.add(0.25, 4);
    // 2^32 + 2 is 2 in 32 bits: taken as the second pair, it would throw
    // entry 0 away.
    h.add(0.25, TWO_TO_32 + 2);
    h.add(0.25, TWO_TO_32 + 3);
    EXPECT_EQ(h.step_value[0], 0.5);
    EXPECT_EQ(h.step_count[0], 2);
    EXPECT_EQ(h.step_value[1], 0.25);
    EXPECT_EQ(h.step_count[1], 3);
    EXPECT_EQ(h.step_last, 1u);
    EXPECT_EQ(h.most_frequent(), 0.25);

    // A count past 2^31 still wins over a smaller one.
    h.step_count[0] = INT32_MAX;
    h.step_count[1] = INT32_MAX;
    h.add(0.5, TWO_TO_32 + 4);
    EXPECT_EQ(h.step_count[0], static_cast<int64_t>(INT32_MAX) + 1);
    EXPECT_EQ(h.most_frequent(), 0.5);
}

}  // namespace
