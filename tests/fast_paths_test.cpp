// The program's fast paths against straightforward ones, on many generated
// inputs: the reader's number values against strtod on the same text, the
// kept fourth powers against pow, and the step table's bucket lookup
// against a plain in-order search. Any
// difference, down to the last bit, is a fault.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "driver/pair_reader.h"
#include "splitmix.h"
#include "stats/running_stats.h"
#include "stats/step_histogram.h"

namespace {

uint64_t bits_of(double v) {
    uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    return bits;
}

// ---- Reader ----------------------------------------------------------

// The reader's input, served from memory.
struct MemoryInput {
    const std::string* text = nullptr;
    size_t offset = 0;
};
MemoryInput memory_input;

ssize_t read_memory(int, void* buf, size_t count) {
    size_t left = memory_input.text->size() - memory_input.offset;
    if (count > left) count = left;
    std::memcpy(buf, memory_input.text->data() + memory_input.offset, count);
    memory_input.offset += count;
    return static_cast<ssize_t>(count);
}

std::string digit_run(Splitmix& random, size_t length) {
    std::string digits;
    for (size_t i = 0; i < length; ++i) digits += static_cast<char>('0' + random.below(10));
    return digits;
}

// A number text of the grammar with its exponent digits present, so that
// strtod consumes all of it: varied digit counts, leading and trailing
// zeros, point positions, exponents and signs, with many short decimals
// (the fast path) and many that are not (the fallback).
std::string random_number(Splitmix& random) {
    std::string text;
    int sign = static_cast<int>(random.below(3));
    if (sign == 1) text += '-';
    if (sign == 2) text += '+';

    std::string digits;
    switch (random.below(6)) {
        case 0:  // boundary mantissas near 2^53 and at 19 and 20 digits
        {
            static const char* const EDGES[] = {
                "9007199254740991", "9007199254740992", "9007199254740993",
                "9007199254740994", "18014398509481984", "9999999999999999999",
                "1000000000000000000", "18446744073709551615", "18446744073709551616",
                "99999999999999999999", "4503599627370497", "1"};
            digits = EDGES[random.below(sizeof EDGES / sizeof *EDGES)];
            break;
        }
        case 1:  // long mantissas
            digits = digit_run(random, 17 + random.below(30));
            break;
        default:  // short decimals, as records hold them
            digits = digit_run(random, 1 + random.below(12));
            break;
    }
    if (random.chance(15)) digits = std::string(1 + random.below(4), '0') + digits;
    if (random.chance(15)) digits += std::string(1 + random.below(6), '0');

    // The point: none, before all digits, after all, or inside.
    switch (random.below(4)) {
        case 0:
            text += digits;
            break;
        case 1:
            text += "." + digits;
            break;
        case 2:
            text += digits + ".";
            break;
        default: {
            size_t at = random.below(digits.size() + 1);
            text += digits.substr(0, at) + "." + digits.substr(at);
            break;
        }
    }

    if (random.chance(60)) {
        text += random.chance(50) ? 'e' : 'E';
        int exp_sign = static_cast<int>(random.below(3));
        if (exp_sign == 1) text += '-';
        if (exp_sign == 2) text += '+';
        // Mostly around the exact powers of ten (22), sometimes far out.
        long exponent = random.chance(80) ? static_cast<long>(random.below(27))
                                          : static_cast<long>(random.below(400));
        std::string exponent_text = std::to_string(exponent);
        if (random.chance(10)) exponent_text = "00" + exponent_text;
        text += exponent_text;
    }
    return text;
}

const char* const SEPARATORS[] = {" ", "\n", "\t", "\r\n", "  ", "\v", "\f"};

// Reads the numbers of `texts`, joined by white space, through the reader
// with reads of at most read_size bytes, and compares each value with
// strtod on the text.
void expect_values_as_strtod(const std::vector<std::string>& texts, Splitmix& random,
                             size_t read_size) {
    std::string input;
    for (const std::string& text : texts) {
        input += text;
        input += SEPARATORS[random.below(sizeof SEPARATORS / sizeof *SEPARATORS)];
    }
    memory_input = MemoryInput{&input, 0};
    // On the heap: the buffer is too large for the stack.
    auto reader = std::make_unique<PairReader>();
    reader->read_fn = read_memory;
    reader->read_size = read_size;

    size_t i = 0;
    double t = 0.0, y = 0.0;
    int result;
    while ((result = reader->read_pair(t, y)) >= PAIR_TIME) {
        ASSERT_LT(i, texts.size());
        ASSERT_EQ(bits_of(t), bits_of(std::strtod(texts[i].c_str(), nullptr))) << texts[i];
        ++i;
        if (result == PAIR_TIME) break;
        ASSERT_LT(i, texts.size());
        ASSERT_EQ(bits_of(y), bits_of(std::strtod(texts[i].c_str(), nullptr))) << texts[i];
        ++i;
    }
    EXPECT_EQ(i, texts.size());
}

TEST(FastPaths, ReaderValuesMatchStrtodBitForBit) {
    Splitmix random{20240611};
    for (int round = 0; round < 40; ++round) {
        std::vector<std::string> texts;
        for (int k = 0; k < 5000; ++k) texts.push_back(random_number(random));
        // Large reads, and small ones that make every number straddle refills.
        size_t read_size = round % 4 == 0 ? 1 + random.below(40) : PairReader::BUFFER_SIZE;
        expect_values_as_strtod(texts, random, read_size);
    }
}

// Decimals as records print them, %.6f and %.7e of doubles over a wide range,
// and doubles printed in full: almost all on the fast path.
TEST(FastPaths, PrintedDoublesMatchStrtodBitForBit) {
    Splitmix random{7};
    std::vector<std::string> texts;
    char text[64];
    for (int k = 0; k < 60000; ++k) {
        double magnitude = std::ldexp(random.uniform(), static_cast<int>(random.below(80)) - 40);
        double v = random.chance(50) ? -magnitude : magnitude;
        static const char* const FORMATS[] = {"%.6f", "%.7e", "%.17g", "%.3f", "%.15e", "%g"};
        std::snprintf(text, sizeof text, FORMATS[k % 6], v);
        texts.push_back(text);
    }
    expect_values_as_strtod(texts, random, PairReader::BUFFER_SIZE);
}

// Fractions of every length up to past two words, each in the last bytes of
// an input that fills the buffer exactly, where the digit scan's word loads
// reach past the last byte read; and each at every offset from a word
// boundary, followed by every kind of byte that ends a number.
TEST(FastPaths, FractionDigitRunsMatchStrtod) {
    Splitmix random{23};
    for (size_t length = 0; length <= 20; ++length) {
        std::string number = std::to_string(random.below(1000)) + "." + digit_run(random, length);
        for (const char* stop : {"", " ", "e", "e-", "x", ".", "-", "+"}) {
            std::string tail = number + stop;
            std::string input(PairReader::BUFFER_SIZE - tail.size(), ' ');
            input[0] = '1';
            input += tail;
            memory_input = MemoryInput{&input, 0};
            auto reader = std::make_unique<PairReader>();
            reader->read_fn = read_memory;
            double t = 0.0, y = 0.0;
            ASSERT_EQ(reader->read_pair(t, y), PAIR_BOTH) << tail;
            EXPECT_EQ(bits_of(y), bits_of(std::strtod(number.c_str(), nullptr))) << tail;
        }
        std::vector<std::string> texts;
        for (int shift = 0; shift < 8; ++shift) {
            texts.push_back(std::string(shift, '0') + number);
            texts.push_back("-" + number + "e+0" + std::to_string(shift));
        }
        expect_values_as_strtod(texts, random, PairReader::BUFFER_SIZE);
    }
}

// ---- Fourth powers ---------------------------------------------------

// Amplitudes drawn with repeats from a pool larger than the table, so that
// slots are replaced again and again, and the special values among them:
// every kept power has the bits of a fresh pow.
TEST(FastPaths, KeptFourthPowersMatchPow) {
    Splitmix random{11};
    std::vector<double> pool = {0.0, -0.0, INFINITY, -INFINITY, 5e-324, -1e-160, 1e80, 1.5};
    while (pool.size() < 100000) {
        double code = static_cast<double>(random.below(65536)) - 32768;
        pool.push_back(random.chance(50) ? code * (10.0 / 65536)
                                         : std::ldexp(random.uniform() - 0.5,
                                                      static_cast<int>(random.below(200)) - 100));
    }
    for (int k = 0; k < 1000000; ++k) {
        // Mostly from a small window of the pool, as a record's amplitudes
        // stay near each other, sometimes from anywhere.
        size_t i = random.chance(80) ? random.below(3000) : random.below(pool.size());
        double y = pool[i];
        ASSERT_EQ(bits_of(fourth_power(y)), bits_of(std::pow(y, 4))) << y;
    }
}

// ---- Step table ------------------------------------------------------

// The table as first written: a plain search of entries 0 to last in order.
struct ReferenceSteps {
    double value[STEP_SLOTS] = {};
    int64_t count[STEP_SLOTS] = {};
    uint32_t last = 0;

    void add(double dy, uint64_t n) {
        if (!(dy > STEP_TOLERANCE)) return;
        if (n == 2) {
            value[0] = dy;
            count[0] = 1;
            last = 0;
            return;
        }
        for (uint32_t j = 0; j <= last; ++j) {
            if (!(std::fabs(dy - value[j]) > STEP_TOLERANCE)) {
                ++count[j];
                return;
            }
        }
        if (last < STEP_LAST_LIMIT) {
            ++last;
            value[last] = dy;
            count[last] = 1;
        }
    }
    double most_frequent() const {
        int64_t best = 0;
        double result = NO_STEP;
        for (uint32_t j = 0; j <= last; ++j) {
            if (count[j] > best) {
                best = count[j];
                result = value[j];
            }
        }
        return result;
    }
};

void expect_same_table(const StepHistogram& table, const ReferenceSteps& reference) {
    ASSERT_EQ(table.step_last, reference.last);
    for (int j = 0; j < STEP_SLOTS; ++j) {
        ASSERT_EQ(bits_of(table.step_value[j]), bits_of(reference.value[j])) << "entry " << j;
        ASSERT_EQ(table.step_count[j], reference.count[j]) << "entry " << j;
    }
    ASSERT_EQ(bits_of(table.most_frequent()), bits_of(reference.most_frequent()));
}

// Step sources: each makes the next step of a sequence.
enum class Steps {
    CLUSTERED,   // values a little over the tolerance apart, steps between them
    AT_EDGES,    // steps exactly the tolerance from values already seen
    WIDE,        // many distinct steps: the table fills and drops
    LARGE,       // around and above the largest bucketed step, and infinities
};

double next_step(Steps kind, Splitmix& random, const std::vector<double>& seen) {
    if (random.chance(8)) {
        // Not counted: zero, tiny, exactly the tolerance, or not a number.
        static const double SMALL[] = {0.0, 1e-7, STEP_TOLERANCE, NAN, 5e-7};
        return SMALL[random.below(5)];
    }
    if (random.chance(3)) return INFINITY;
    switch (kind) {
        case Steps::CLUSTERED: {
            // Centres 1.5 tolerances apart on a 12-place grid: a step can lie
            // within the tolerance of two entries at once.
            double centre = 0.25 + 1.5 * STEP_TOLERANCE * static_cast<double>(random.below(12));
            return centre + (random.uniform() * 4 - 2) * STEP_TOLERANCE;
        }
        case Steps::AT_EDGES: {
            if (seen.empty() || random.chance(20)) return 0.001 + 3e-6 * random.uniform();
            double base = seen[random.below(seen.size())];
            if (std::isinf(base)) return base;
            double offsets[] = {STEP_TOLERANCE, -STEP_TOLERANCE, 0.0,
                                std::nextafter(STEP_TOLERANCE, 1.0),
                                std::nextafter(STEP_TOLERANCE, 0.0)};
            return base + offsets[random.below(5)];
        }
        case Steps::WIDE:
            // A 16-bit converter's steps: hundreds of distinct multiples.
            return static_cast<double>(1 + random.below(3000)) * (10.0 / 65536);
        case Steps::LARGE: {
            static const double AROUND[] = {0x1p39, 0x1p40, 1e12, 1e300, 3.5};
            double base = AROUND[random.below(5)];
            return base + static_cast<double>(random.below(5)) * std::ldexp(base, -53) *
                              (random.chance(50) ? 1 : -1);
        }
    }
    return 0.0;
}

TEST(FastPaths, StepTableMatchesPlainSearch) {
    Splitmix random{99};
    const Steps kinds[] = {Steps::CLUSTERED, Steps::AT_EDGES, Steps::WIDE, Steps::LARGE};
    for (int round = 0; round < 200; ++round) {
        Steps kind = kinds[round % 4];
        static StepHistogram table;
        static ReferenceSteps reference;
        table = StepHistogram{};
        reference = ReferenceSteps{};
        table.clear_counts();
        std::vector<double> seen;
        int length = 1 + static_cast<int>(random.below(round % 8 == 0 ? 20 : 3000));
        for (uint64_t n = 2; n < static_cast<uint64_t>(length) + 2; ++n) {
            double dy = next_step(kind, random, seen);
            // Every fifth sequence has a first step of zero: entry 0 stays
            // empty and the table fills from entry 1.
            if (n == 2 && round % 5 == 0) dy = 0.0;
            seen.push_back(dy);
            table.add(dy, n);
            reference.add(dy, n);
            if (n % 97 == 0) expect_same_table(table, reference);
        }
        expect_same_table(table, reference);
    }
}

// One table through record after record, each opened again by its first
// step: the entries a step matched in one record say nothing of the next,
// so nothing the table remembers from a record may decide a step of the
// next one.
TEST(FastPaths, StepTableReopenedMatchesPlainSearch) {
    Splitmix random{17};
    static StepHistogram table;
    table = StepHistogram{};
    table.clear_counts();
    for (int record = 0; record < 60; ++record) {
        static ReferenceSteps reference;
        reference = ReferenceSteps{};
        // The table keeps its counts across records, as the reference does
        // not; clearing them keeps the comparison to the entries.
        table.clear_counts();
        Steps kind = record % 2 == 0 ? Steps::AT_EDGES : Steps::WIDE;
        std::vector<double> seen;
        int length = 2 + static_cast<int>(random.below(2000));
        for (uint64_t n = 2; n < static_cast<uint64_t>(length) + 2; ++n) {
            double dy = next_step(kind, random, seen);
            // A first step each record can count, so that each reopens the
            // table.
            if (n == 2) dy = 0.001 + 1e-3 * random.uniform();
            seen.push_back(dy);
            table.add(dy, n);
            reference.add(dy, n);
        }
        // Entries past the reference's last are the previous record's.
        ASSERT_EQ(table.step_last, reference.last);
        for (uint32_t j = 0; j <= reference.last; ++j) {
            ASSERT_EQ(bits_of(table.step_value[j]), bits_of(reference.value[j])) << "entry " << j;
            ASSERT_EQ(table.step_count[j], reference.count[j]) << "entry " << j;
        }
    }
}

// Entries set by hand, not by add: the table refiles them before its next
// search.
TEST(FastPaths, StepTableSetByHandMatchesPlainSearch) {
    Splitmix random{5};
    static StepHistogram table;
    static ReferenceSteps reference;
    table.clear_counts();
    for (uint32_t j = 0; j < 150; ++j) {
        double value = 0.01 + 1.5e-6 * j;
        table.step_value[j] = reference.value[j] = value;
        table.step_count[j] = reference.count[j] = 1;
    }
    table.step_last = reference.last = 149;
    for (uint64_t n = 3; n < 5000; ++n) {
        double dy = 0.01 + 1.5e-6 * static_cast<double>(random.below(200)) +
                    (random.uniform() * 2 - 1) * STEP_TOLERANCE;
        table.add(dy, n);
        reference.add(dy, n);
    }
    expect_same_table(table, reference);
}

}  // namespace
