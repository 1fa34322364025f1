// Summary statistics and the report text: the figures of degenerate records
// exactly as the arithmetic leaves them, and the report byte for byte.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "expected_text.h"
#include "report/report.h"
#include "stats/running_stats.h"
#include "stats/step_histogram.h"
#include "stats/summary_stats.h"

namespace {

const double INF = std::numeric_limits<double>::infinity();

struct Record {
    RunningStats stats;
    StepHistogram histogram;
    SummaryStats summary;
};

Record record_of(const std::vector<std::pair<double, double>>& samples) {
    Record r;
    r.histogram.clear_counts();
    r.stats.start(samples[0].first, samples[0].second);
    for (size_t i = 1; i < samples.size(); ++i) {
        double dy = r.stats.add(samples[i].first, samples[i].second);
        r.histogram.add(dy, r.stats.n);
    }
    r.summary = summarize(r.stats, r.histogram);
    return r;
}

std::vector<std::pair<double, double>> constant(int count, double y) {
    std::vector<std::pair<double, double>> samples;
    for (int i = 0; i < count; ++i) samples.push_back({i * 0.001, y});
    return samples;
}

TEST(Summary, FiveSampleRecord) {
    SummaryStats s = record_of({{0.000, 0.10}, {0.001, 0.20}, {0.002, 0.10}, {0.003, -0.30}, {0.005, 0.0}}).summary;
    EXPECT_EQ(s.duration, 0.005);
    EXPECT_EQ(s.dt, 0.00125);
    EXPECT_EQ(s.ave, 0.020000000000000007);
    EXPECT_NEAR(s.rms, 0.173205081, 1e-9);
    EXPECT_NEAR(s.sd, 0.172046505, 1e-9);
    EXPECT_NEAR(s.kurtosis, 2.25986121, 1e-8);
    EXPECT_EQ(s.sr_min, 500);
    EXPECT_EQ(s.sr, 800);
    EXPECT_EQ(s.sr_max, 1000);
    EXPECT_EQ(s.gbit, 0.1);
}

TEST(Summary, OneSample) {
    SummaryStats s = record_of({{2, -3}}).summary;
    EXPECT_EQ(s.duration, 0);
    EXPECT_TRUE(std::isnan(s.dt));
    EXPECT_TRUE(std::isnan(s.sr));
    EXPECT_EQ(s.ave, -3);
    EXPECT_EQ(s.rms, 3);
    EXPECT_EQ(s.sd, 0);
    EXPECT_EQ(s.kurtosis, INF);
    EXPECT_EQ(s.sr_max, 1e-90);
    EXPECT_EQ(s.sr_min, -1e-90);
    EXPECT_EQ(s.gbit, NO_STEP);
}

// The two squares of the deviation are rounded apart, so a constant record
// need not give a zero deviation; these are the figures the report shows.
TEST(Summary, ConstantAmplitudeIsNotClamped) {
    SummaryStats point_one = record_of(constant(3, 0.1)).summary;
    EXPECT_TRUE(std::isnan(point_one.sd));
    EXPECT_TRUE(std::isnan(point_one.kurtosis));

    SummaryStats half = record_of(constant(4, 0.5)).summary;
    EXPECT_EQ(half.sd, 0);
    EXPECT_EQ(half.kurtosis, INF);

    SummaryStats point_three = record_of(constant(3, 0.3)).summary;
    EXPECT_NEAR(point_three.sd, 5.27e-9, 0.01e-9);
    EXPECT_NEAR(point_three.kurtosis, 1.05e31, 0.01e31);
    EXPECT_EQ(point_three.gbit, NO_STEP);

    SummaryStats zero = record_of(constant(5, 0)).summary;
    EXPECT_EQ(zero.sd, 0);
    EXPECT_TRUE(std::isnan(zero.kurtosis));
}

TEST(Summary, SameTimeTwice) {
    SummaryStats s = record_of({{1, 0}, {1, 0}}).summary;
    EXPECT_EQ(s.duration, 0);
    EXPECT_EQ(s.dt, 0);
    EXPECT_EQ(s.sr, INF);
    EXPECT_EQ(s.sr_min, INF);
    EXPECT_EQ(s.sr_max, INF);
}

std::string report_text(const Record& r) {
    char* text = nullptr;
    size_t size = 0;
    std::FILE* out = open_memstream(&text, &size);
    print_report(r.stats, r.summary, out);
    std::fclose(out);
    std::string s(text, size);
    std::free(text);
    return s;
}

TEST(Report, FiveSampleRecord) {
    Record r = record_of({{0.000, 0.10}, {0.001, 0.20}, {0.002, 0.10}, {0.003, -0.30}, {0.005, 0.0}});
    EXPECT_EQ(report_text(r), expected::WORKED_EXAMPLE_REPORT);
}

TEST(Report, SentinelsAndNotANumber) {
    Record r = record_of({{7, 3}});
    EXPECT_EQ(report_text(r),
              "\n samples= 1 "
              "\n\n time span=            7 sec to            7 sec"
              "\n\n duration=            0 sec "
              "\n\n ymin=         3 G at            7 sec"
              "\n ymax=         3 G at            7 sec"
              "\n\n  ave=         3 G    std dev =         0 G   rms=         3 G"
              "\n kurtosis=       inf" +
                  expected::ONE_SAMPLE_REPORT_TAIL);
}

TEST(Report, CountBeyondThirtyTwoBits) {
    Record r = record_of({{0, 1}, {1, 2}});
    r.stats.n = 5000000000ULL;
    EXPECT_NE(report_text(r).find("\n samples= 5000000000 \n"), std::string::npos);
}

}  // namespace
