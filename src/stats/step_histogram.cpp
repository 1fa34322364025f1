// The step histogram's once-per-run operations, and the upkeep of its
// buckets, which happens once for each new entry.
#include "stats/step_histogram.h"

#include <cstring>

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

int32_t StepHistogram::search_in_order(double dy) const {
    for (uint32_t j = 0; j <= step_last; ++j) {
        if (step_matches(dy, step_value[j])) return static_cast<int32_t>(j);
    }
    return -1;
}

void StepHistogram::file_entry(uint32_t j) {
    ++filed;
    double value = step_value[j];
    // Only steps below STEP_BUCKETED_LIMIT are looked up in the buckets, and
    // only entries below twice that can match them; a negative or
    // not-a-number value matches no counted step.
    if (!(value >= 0.0 && value < 2 * STEP_BUCKETED_LIMIT)) return;
    int64_t own = static_cast<int64_t>(value * STEP_BUCKET_SCALE);
    for (int64_t bucket = own - 1; bucket <= own + 1; ++bucket) {
        uint32_t i = step_bucket_slot(bucket);
        while (buckets[i].count != 0 && buckets[i].bucket != bucket) {
            i = (i + 1) & (STEP_BUCKET_SLOTS - 1);
        }
        StepBucket& slot = buckets[i];
        slot.bucket = bucket;
        uint32_t bit = step_bucket_bit(bucket);
        bucket_bits[bit / 64] |= uint64_t{1} << (bit % 64);
        if (slot.count < STEP_BUCKET_ENTRIES) slot.entry[slot.count] = static_cast<uint16_t>(j);
        if (slot.count <= STEP_BUCKET_ENTRIES) ++slot.count;
    }
}

void StepHistogram::refile() {
    std::memset(buckets, 0, sizeof buckets);
    std::memset(bucket_bits, 0, sizeof bucket_bits);
    std::memset(memo, 0, sizeof memo);
    filed = 0;
    for (uint32_t j = 0; j <= step_last; ++j) file_entry(j);
}
