// The step histogram: tolerance matching, the lowest index on ties, the
// table limit, and the most frequent step.
#include "stats/step_histogram.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

namespace {

const double INF = std::numeric_limits<double>::infinity();

// Feeds steps as the driver does: the first at sample 2.
StepHistogram histogram_of(const std::vector<double>& steps) {
    StepHistogram h;
    h.clear_counts();
    uint64_t n = 2;
    for (double dy : steps) h.add(dy, n++);
    return h;
}

struct Entry {
    double value;
    int64_t count;
};

struct HistogramCase {
    const char* name;
    std::vector<double> steps;
    std::vector<Entry> entries;  // entries 0 to step_last
    double most_frequent;
};

// Names the case in test listings.
void PrintTo(const HistogramCase& c, std::ostream* os) { *os << c.name; }

class Histogram : public testing::TestWithParam<HistogramCase> {};

TEST_P(Histogram, CountsAndSelects) {
    const HistogramCase& c = GetParam();
    StepHistogram h = histogram_of(c.steps);
    ASSERT_EQ(h.step_last + 1, c.entries.size());
    for (size_t j = 0; j < c.entries.size(); ++j) {
        EXPECT_EQ(h.step_value[j], c.entries[j].value) << "entry " << j;
        EXPECT_EQ(h.step_count[j], c.entries[j].count) << "entry " << j;
    }
    EXPECT_EQ(h.most_frequent(), c.most_frequent);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, Histogram,
    testing::Values(
        HistogramCase{"FiveSamples", {0.25, 0.25, 0.5, 0.75}, {{0.25, 2}, {0.5, 1}, {0.75, 1}}, 0.25},
        HistogramCase{"FirstStepZero", {0, 0.5, 0.5, 0, 0.5}, {{0, 0}, {0.5, 3}}, 0.5},
        HistogramCase{"Tolerance",
                      {0.001, 0.0010005, 0.0009995, 0.0010015, 0.0010015},
                      {{0.001, 3}, {0.0010015, 2}},
                      0.001},
        // Within the tolerance of two entries: the lower index takes it.
        HistogramCase{"TwoEntriesMatch", {0.001, 0.0010015, 0.00100075, 0.00100075},
                      {{0.001, 3}, {0.0010015, 1}}, 0.001},
        HistogramCase{"TwoEntriesMatchHigherValueFirst", {0.0010015, 0.001, 0.00100075},
                      {{0.0010015, 2}, {0.001, 1}}, 0.0010015},
        HistogramCase{"ToleranceItselfIsNoStep", {1e-6, 5e-7, 0}, {{0, 0}}, NO_STEP},
        HistogramCase{"NoStep", {}, {{0, 0}}, NO_STEP},
        HistogramCase{"TieGoesToLowerIndex", {0.5, 0.5, 0.25, 0.25, 0.5, 0.25}, {{0.5, 3}, {0.25, 3}}, 0.5},
        HistogramCase{"LargerCountWins", {0.5, 0.25, 0.25, 0.25, 0.25}, {{0.5, 1}, {0.25, 4}}, 0.25},
        HistogramCase{"NotANumberIsNoStep", {std::numeric_limits<double>::quiet_NaN(), 0.5},
                      {{0, 0}, {0.5, 1}}, 0.5},
        // Two infinities are not a number apart, which is not larger than
        // the tolerance: the second infinite step counts in the first's entry.
        HistogramCase{"InfiniteSteps", {0.5, INF, 1.0, INF}, {{0.5, 1}, {INF, 2}, {1.0, 1}}, INF}),
    [](const testing::TestParamInfo<HistogramCase>& info) { return std::string(info.param.name); });

TEST(Histogram, ExactToleranceDistanceMatches) {
    // Chosen so that the distance is exactly the tolerance as doubles,
    // which needs small steps: above about 2e-6 no two doubles lie exactly
    // one tolerance apart.
    double a = 1.4509372275118275e-06;
    double b = 2.4509372275118274e-06;
    ASSERT_EQ(b - a, STEP_TOLERANCE);
    StepHistogram h = histogram_of({a, b});
    EXPECT_EQ(h.step_last, 0u);
    EXPECT_EQ(h.step_count[0], 2);
}

TEST(Histogram, FullTableDropsNewSteps) {
    std::vector<double> steps;
    for (int i = 1; i <= 259; ++i) steps.push_back(i / 1000.0);
    for (int i = 0; i < 20; ++i) steps.push_back(0.25);
    StepHistogram h = histogram_of(steps);
    EXPECT_EQ(h.step_last, STEP_LAST_LIMIT);
    for (uint32_t j = 0; j <= 200; ++j) {
        EXPECT_EQ(h.step_value[j], (j + 1) / 1000.0);
        EXPECT_EQ(h.step_count[j], 1);
    }
    for (int j = 201; j < STEP_SLOTS; ++j) EXPECT_EQ(h.step_count[j], 0);
    EXPECT_EQ(h.most_frequent(), 0.001);
}

TEST(Histogram, FullTableAfterZeroFirstStep) {
    std::vector<double> steps{0};
    for (int i = 1; i <= 250; ++i) steps.push_back(i / 1000.0);
    StepHistogram h = histogram_of(steps);
    EXPECT_EQ(h.step_last, STEP_LAST_LIMIT);
    EXPECT_EQ(h.step_value[0], 0.0);
    EXPECT_EQ(h.step_count[0], 0);
    EXPECT_EQ(h.step_value[200], 0.2);
}

TEST(Histogram, TwelveBitRecorder) {
    const double bit = 10.0 / 4096;
    std::vector<double> steps;
    int level = 0;
    unsigned seed = 7;
    for (int i = 0; i < 5000; ++i) {
        seed = seed * 1103515245u + 12345u;
        int move = (seed >> 16) % 10 < 6 ? 1 : ((seed >> 16) % 10 < 8 ? 0 : 2);
        int next = level + ((seed >> 8) & 1 ? move : -move);
        // Steps as the record computes them: differences of amplitudes.
        steps.push_back(std::fabs(next * bit - level * bit));
        level = next;
    }
    StepHistogram h = histogram_of(steps);
    EXPECT_LE(h.step_last, 2u);
    EXPECT_EQ(h.most_frequent(), bit);
}

}  // namespace
