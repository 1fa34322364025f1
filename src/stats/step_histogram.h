// Histogram of the nonzero amplitude steps between consecutive samples. Its
// most frequent step estimates the recorder's resolution in G per bit.
// Steps within STEP_TOLERANCE of an entry count in it; the table holds at
// most STEP_LAST_LIMIT + 1 entries and later new steps are dropped.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>

constexpr double STEP_TOLERANCE = 1e-6;
constexpr int STEP_SLOTS = 300;
constexpr uint32_t STEP_LAST_LIMIT = 200;
constexpr double NO_STEP = 1e90;

// The entries are also filed by value in buckets of 2^-19 (just under
// twice the tolerance): a step can only match entries of its own bucket or
// the two next to it, since scaling by a power of two is exact. Each entry
// is filed under its bucket and both neighbours, so a step looks in one
// place and compares against at most STEP_BUCKET_ENTRIES entries: at most
// two fit in a bucket and three buckets are filed together. Steps and
// entries too large for a bucket number, and infinities, take the plain
// in-order search.
constexpr double STEP_BUCKET_SCALE = 0x1p19;
constexpr double STEP_BUCKETED_LIMIT = 0x1p39;  // larger steps: in-order search
constexpr int STEP_BUCKET_ENTRIES = 6;
constexpr uint32_t STEP_BUCKET_SLOTS = 2048;  // a power of two, over 3 * STEP_SLOTS
constexpr uint32_t STEP_BUCKET_BITS = 32768;  // a power of two, far over 3 * STEP_SLOTS

// A step that matched before gets its entry back from a small memo keyed on
// its exact bits: a quantised record takes only a hundred or so distinct
// step values, spread over several close entries, and the bucket search,
// whose path depends on which entry matches, costs several times one probe.
// A found entry stays the answer for good: entries are only appended, after
// every one there is, so no later entry can come before it. Steps that
// match nothing are not kept: on noisy data they are many and mostly
// distinct, and keeping them would only push the matches out.
constexpr uint32_t STEP_MEMO_SLOTS = 1024;  // a power of two
constexpr int STEP_MEMO_SHIFT = 54;          // 64 - log2(STEP_MEMO_SLOTS)

struct StepMemo {
    // 0 (+0.0, which is never counted, so never looked up) in an empty slot.
    uint64_t dy_bits;
    int32_t entry;
};

struct StepBucket {
    int64_t bucket;
    // 0: an unused slot; above STEP_BUCKET_ENTRIES: more entries than fit,
    // which a table filled by add never has; its steps are searched in order.
    uint16_t count;
    uint16_t entry[STEP_BUCKET_ENTRIES];  // ascending indices
};

struct StepHistogram {
    double step_value[STEP_SLOTS] = {};
    // 64 bits, like the sample count, so that no count can overflow.
    int64_t step_count[STEP_SLOTS] = {};
    uint32_t step_last = 0;  // index of the last entry in use

    // Entries 0 to filed - 1 are in the buckets; add files each new entry,
    // and refiles the whole table when filed does not match step_last, as
    // when the entries were set other than by add.
    StepBucket buckets[STEP_BUCKET_SLOTS] = {};
    // One bit for each of a finer hash of the bucket numbers: clear when no
    // filed bucket has that hash. On noisy data most steps find a clear bit
    // and are settled without a probe of the slots.
    uint64_t bucket_bits[STEP_BUCKET_BITS / 64] = {};
    uint32_t filed = 0;
    // Emptied with the buckets, since entries set other than by add may
    // change any answer.
    StepMemo memo[STEP_MEMO_SLOTS] = {};

    // Sets every count to 0; values and step_last are left alone.
    void clear_counts();
    // Counts the step dy taken at sample n (n counts the current sample).
    void add(double dy, uint64_t n);
    // The value of the entry with the greatest count, the lowest index on a
    // tie; NO_STEP when nothing was counted.
    double most_frequent() const;

    // The lowest index of an entry that dy matches, or -1 when none does.
    int32_t matching_entry(double dy);
    // The same from the buckets alone.
    int32_t search_buckets(double dy) const;
    // The same by visiting entries 0 to step_last in order.
    int32_t search_in_order(double dy) const;
    // The slot of a bucket number, or null when nothing is filed there.
    const StepBucket* find_bucket(int64_t bucket) const;
    // Files entry j, the newest, under its bucket and both neighbours.
    void file_entry(uint32_t j);
    // Empties the buckets and files entries 0 to step_last.
    void refile();
};

// "Not larger than": the distance of two equal infinities is not a number,
// so an infinite step matches an infinite entry.
inline bool step_matches(double dy, double value) {
    return !(std::fabs(dy - value) > STEP_TOLERANCE);
}

// Fibonacci hashing: the top bits of the product mix all of the number.
inline uint64_t step_bucket_hash(int64_t bucket) {
    return static_cast<uint64_t>(bucket) * 0x9E3779B97F4A7C15ULL;
}
inline uint32_t step_bucket_slot(int64_t bucket) {
    return static_cast<uint32_t>(step_bucket_hash(bucket) >> 53);
}
inline uint32_t step_bucket_bit(int64_t bucket) {
    return static_cast<uint32_t>(step_bucket_hash(bucket) >> 49);
}
static_assert(STEP_BUCKET_SLOTS == 1u << (64 - 53), "the hash gives one slot of the table");
static_assert(STEP_BUCKET_BITS == 1u << (64 - 49), "the hash gives one bit of the filter");
inline uint32_t step_memo_slot(uint64_t dy_bits) {
    return static_cast<uint32_t>((dy_bits * 0x9E3779B97F4A7C15ULL) >> STEP_MEMO_SHIFT);
}
static_assert(STEP_MEMO_SLOTS == 1u << (64 - STEP_MEMO_SHIFT), "the hash gives one memo slot");

inline const StepBucket* StepHistogram::find_bucket(int64_t bucket) const {
    // Linear probing; the table is never more than half full.
    for (uint32_t i = step_bucket_slot(bucket);; i = (i + 1) & (STEP_BUCKET_SLOTS - 1)) {
        const StepBucket& slot = buckets[i];
        if (slot.count == 0) return nullptr;
        if (slot.bucket == bucket) return &slot;
    }
}

inline int32_t StepHistogram::matching_entry(double dy) {
    if (filed != step_last + 1) refile();
    uint64_t dy_bits;
    std::memcpy(&dy_bits, &dy, sizeof dy_bits);
    StepMemo& slot = memo[step_memo_slot(dy_bits)];
    if (slot.dy_bits == dy_bits) return slot.entry;
    int32_t j = search_buckets(dy);
    if (j >= 0) slot = StepMemo{dy_bits, j};
    return j;
}

inline int32_t StepHistogram::search_buckets(double dy) const {
    if (!(dy < STEP_BUCKETED_LIMIT)) return search_in_order(dy);
    // dy is above the tolerance, so the truncation is the floor.
    int64_t bucket = static_cast<int64_t>(dy * STEP_BUCKET_SCALE);
    uint32_t bit = step_bucket_bit(bucket);
    if ((bucket_bits[bit / 64] >> (bit % 64) & 1) == 0) return -1;
    const StepBucket* slot = find_bucket(bucket);
    if (slot == nullptr) return -1;
    if (slot->count > STEP_BUCKET_ENTRIES) return search_in_order(dy);
    // Every entry of the slot is tested and the lowest match picked from a
    // mask: which of two close entries a step matches is as unpredictable
    // as the data, while a slot's count is the same at each visit.
    uint32_t matches = 0;
    for (uint32_t k = 0; k < slot->count; ++k) {
        matches |= static_cast<uint32_t>(step_matches(dy, step_value[slot->entry[k]])) << k;
    }
    if (matches == 0) return -1;
    return slot->entry[__builtin_ctz(matches)];
}

inline void StepHistogram::add(double dy, uint64_t n) {
    // Written so that a not-a-number step is not counted.
    if (!(dy > STEP_TOLERANCE)) return;
    if (n == 2) {
        // The step between the first two samples opens the table.
        step_value[0] = dy;
        step_count[0] = 1;
        step_last = 0;
        filed = 0;  // refiled at the next search
        return;
    }
    int32_t j = matching_entry(dy);
    if (j >= 0) {
        ++step_count[j];
        return;
    }
    if (step_last < STEP_LAST_LIMIT) {
        ++step_last;
        step_value[step_last] = dy;
        step_count[step_last] = 1;
        file_entry(step_last);
    }
}
