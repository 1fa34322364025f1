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

    // The loop reads one pair ahead, so that the set of the fourth-power
    // table that may keep the next amplitude's power is on its way into the
    // cache while the current pair is taken. The pairs are taken in the same order and with
    // the same values as without it; a read that stops the loop changes
    // neither variable.
    double t = 0.0;
    int next = reader.read_pair(t, y);
    while (next >= PAIR_TIME) {
        const double t_taken = t;
        const double y_taken = y;
        prefetch_fourth_power(y);
        next = reader.read_pair(t, y);
        double dy = stats.add(t_taken, y_taken);
        histogram.add(dy, stats.n);
    }

    SummaryStats summary = summarize(stats, histogram);
    print_report(stats, summary, out);
    return 0;
}
