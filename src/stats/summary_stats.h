// The final figures of a run, computed once from the running statistics and
// the step histogram after the last sample. Nothing is tested or clamped:
// degenerate records give infinities and not-a-number values, which the
// report prints as they are.
#pragma once

#include "stats/running_stats.h"
#include "stats/step_histogram.h"

struct SummaryStats {
    double duration;  // sec, first to last sample
    double dt;        // sec, average interval
    double ave;       // G, mean
    double rms;       // G
    double sd;        // G, population standard deviation
    double kurtosis;  // sum of y^4 over n * sd^4
    double sr_min;    // samples/sec, from the longest interval
    double sr;        // samples/sec, from the average interval
    double sr_max;    // samples/sec, from the shortest interval
    double gbit;      // G per bit, the most frequent step
};

SummaryStats summarize(const RunningStats& stats, const StepHistogram& histogram);
