// The step histogram's once-per-run operations.
#include "stats/step_histogram.h"

void StepHistogram::clear_counts() {
    for (int64_t& count : step_count) count = 0;
}

double StepHistogram::most_frequent() const {
    int64_t best = 0;
    double result = NO_STEP;
    for (uint32_t j = 0; j <= step_last; ++j) {
        if (step_count[j] > best) {
            best = step_count[j];
            result = step_value[j];
        }
    }
    return result;
}
