// The read loop: the first pair seeds the statistics, every further pair
// that brings at least one value updates them, and the first read that
// brings nothing ends the input.
#include "driver/run.h"

#include "report/report.h"
#include "stats/running_stats.h"
#include "stats/step_histogram.h"
#include "stats/summary_stats.h"

int process_record(PairReader& reader, std::FILE* out) {
    RunningStats stats;
    StepHistogram histogram;
    histogram.clear_counts();

    // One amplitude variable serves every read: a read that brings only a
    // time leaves the previous amplitude (0 before the first) in place.
    double t0 = 0.0;
    double y = 0.0;
    if (reader.read_pair(t0, y) < PAIR_TIME) {
        std::fputs("\n No data on first line ", out);
        return 1;
    }
    stats.start(t0, y);

    double t = 0.0;
    while (reader.read_pair(t, y) >= PAIR_TIME) {
        double dy = stats.add(t, y);
        histogram.add(dy, stats.n);
    }

    SummaryStats summary = summarize(stats, histogram);
    print_report(stats, summary, out);
    return 0;
}
