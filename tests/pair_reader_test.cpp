// The pair reader: the number grammar, what each read reports, and the same
// results whatever the sizes in which the input arrives.
#include "driver/pair_reader.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace {

const double INF = std::numeric_limits<double>::infinity();

// A reader over a temporary file holding text.
struct TextReader {
    std::FILE* file;
    PairReader reader;

    explicit TextReader(const std::string& text, size_t read_size = PairReader::BUFFER_SIZE) {
        file = std::tmpfile();
        std::fwrite(text.data(), 1, text.size(), file);
        std::fflush(file);
        lseek(fileno(file), 0, SEEK_SET);
        reader.fd = fileno(file);
        reader.read_size = read_size;
    }
    ~TextReader() { std::fclose(file); }
    size_t consumed() const { return static_cast<size_t>(reader.pos - reader.buffer); }
};

bool same_double(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// ---- One number: what is consumed, its value, and how a failure ends ----

struct GrammarCase {
    const char* input;
    size_t consumed;
    int result;    // of next_number
    double value;  // when result is 1
};

// Names the case in test listings.
void PrintTo(const GrammarCase& c, std::ostream* os) { *os << testing::PrintToString(std::string(c.input)); }

class Grammar : public testing::TestWithParam<GrammarCase> {};

TEST_P(Grammar, ConsumesAndConverts) {
    const GrammarCase& c = GetParam();
    TextReader text(c.input);
    double v = 42.0;
    EXPECT_EQ(text.reader.next_number(v), c.result) << c.input;
    // At the end of the input everything has been consumed and the buffer
    // refilled, so only a stop shows where the scan ended.
    if (c.result != -1) {
        EXPECT_EQ(text.consumed(), c.consumed) << c.input;
    }
    if (c.result == 1) {
        EXPECT_TRUE(same_double(v, c.value)) << c.input << " gave " << v;
    } else {
        EXPECT_EQ(v, 42.0) << c.input;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Numbers, Grammar,
    testing::Values(GrammarCase{"12.5e-3 ", 7, 1, 0.0125}, GrammarCase{"+7", 2, 1, 7.0},
                    GrammarCase{"-0", 2, 1, -0.0}, GrammarCase{"007", 3, 1, 7.0},
                    GrammarCase{".5", 2, 1, 0.5}, GrammarCase{"5.", 2, 1, 5.0},
                    GrammarCase{"5.e2", 4, 1, 500.0}, GrammarCase{"1e ", 2, 1, 1.0},
                    GrammarCase{"1E+x", 3, 1, 1.0}, GrammarCase{"1e-", 3, 1, 1.0},
                    GrammarCase{"1e5e3", 3, 1, 1e5}, GrammarCase{"1d5", 1, 1, 1.0},
                    GrammarCase{"0x1A", 1, 1, 0.0}, GrammarCase{"1,5", 1, 1, 1.0},
                    GrammarCase{"0.1", 3, 1, 0.1}, GrammarCase{"-2.5E+1", 7, 1, -25.0},
                    // Beyond the short exact path: the full conversion.
                    GrammarCase{"1e23", 4, 1, 1e23}, GrammarCase{"9007199254740993", 16, 1, 9007199254740992.0},
                    GrammarCase{"123456789012345678901234567890", 30, 1, 1.2345678901234568e29},
                    GrammarCase{"0.000000000000000000000000001", 29, 1, 1e-27},
                    GrammarCase{"4.9406564584124654e-324", 23, 1, 4.9406564584124654e-324},
                    GrammarCase{"1e400", 5, 1, INF}, GrammarCase{"-1e400", 6, 1, -INF},
                    GrammarCase{"1e-400", 6, 1, 0.0}, GrammarCase{"-1e-400", 7, 1, -0.0},
                    GrammarCase{"0e99999", 7, 1, 0.0}, GrammarCase{"1e99999999999999999999", 22, 1, INF},
                    // Failures: sign and point are lost, what stopped the scan stays.
                    GrammarCase{". ", 1, 0, 0}, GrammarCase{"+.e1", 2, 0, 0}, GrammarCase{"- 5", 1, 0, 0},
                    GrammarCase{"--5", 1, 0, 0}, GrammarCase{"e5", 0, 0, 0}, GrammarCase{"inf", 0, 0, 0},
                    GrammarCase{"nan", 0, 0, 0}, GrammarCase{"\xEF\xBB\xBF" "1", 0, 0, 0},
                    // The input ends before a digit: end, not a stop.
                    GrammarCase{"", 0, -1, 0}, GrammarCase{" \t\r\n\v\f", 6, -1, 0},
                    GrammarCase{"+.", 2, -1, 0}, GrammarCase{"  -", 3, -1, 0}),
    [](const testing::TestParamInfo<GrammarCase>& info) { return std::to_string(info.index); });

// ---- The length limit: 349 characters after the sign ----

struct LimitCase {
    std::string input;
    std::vector<std::string> numbers;  // the texts the input splits into
};

// Names the case in test listings.
void PrintTo(const LimitCase& c, std::ostream* os) { *os << c.input.size() << " characters"; }

class LengthLimit : public testing::TestWithParam<LimitCase> {};

TEST_P(LengthLimit, SplitsWhereTheLimitFalls) {
    const LimitCase& c = GetParam();
    for (size_t read_size : {PairReader::BUFFER_SIZE, size_t{1}, size_t{97}}) {
        TextReader text(c.input, read_size);
        for (const std::string& number : c.numbers) {
            double v = 0.0;
            ASSERT_EQ(text.reader.next_number(v), 1) << number.size();
            EXPECT_TRUE(same_double(v, std::strtod(number.c_str(), nullptr))) << number;
        }
        double v = 0.0;
        EXPECT_EQ(text.reader.next_number(v), -1);
    }
}

std::string digits(size_t count, char d = '1') { return std::string(count, d); }

INSTANTIATE_TEST_SUITE_P(
    Numbers, LengthLimit,
    testing::Values(LimitCase{digits(400), {digits(349), digits(51)}},
                    LimitCase{digits(349) + " ", {digits(349)}},
                    LimitCase{digits(350), {digits(349), "1"}},
                    LimitCase{"-" + digits(349), {"-" + digits(349)}},
                    LimitCase{"0." + digits(347, '3') + "5", {"0." + digits(347, '3'), "5"}},
                    // The exponent letter is the 349th character: the number
                    // is its mantissa, and the sign begins the next number.
                    LimitCase{"0." + digits(345, '0') + "1e-5", {"0." + digits(345, '0') + "1", "-5"}},
                    LimitCase{digits(347, '0') + "1e-5", {digits(347, '0') + "1", "-5"}},
                    // Letter and sign fit, the exponent digit does not.
                    LimitCase{digits(346, '0') + "1e-5", {digits(346, '0') + "1", "5"}}),
    [](const testing::TestParamInfo<LimitCase>& info) { return std::to_string(info.index); });

// ---- Whole reads: results and which variables change ----

struct Read {
    int result;
    double t, y;
};

struct PairCase {
    const char* name;
    std::string input;
    std::vector<Read> reads;  // every call, up to the first result below 1
};

// Names the case in test listings.
void PrintTo(const PairCase& c, std::ostream* os) { *os << c.name; }

class Pairs : public testing::TestWithParam<PairCase> {};

TEST_P(Pairs, ReadsTheSamePairsInAnyChunking) {
    const PairCase& c = GetParam();
    // Input arriving a byte at a time, in odd pieces or whole must read alike.
    for (size_t read_size : {PairReader::BUFFER_SIZE, size_t{1}, size_t{2}, size_t{7}}) {
        TextReader text(c.input, read_size);
        double t = 0.0, y = 0.0;
        for (size_t i = 0; i < c.reads.size(); ++i) {
            const Read& want = c.reads[i];
            ASSERT_EQ(text.reader.read_pair(t, y), want.result)
                << c.name << " call " << i << " read size " << read_size;
            EXPECT_EQ(t, want.t) << c.name << " call " << i;
            EXPECT_EQ(y, want.y) << c.name << " call " << i;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Reads, Pairs,
    testing::Values(
        PairCase{"Empty", "", {{-1, 0, 0}}},
        PairCase{"OnlySpace", " \n\n\t ", {{-1, 0, 0}}},
        PairCase{"SingleNumber", "5", {{1, 5, 0}, {-1, 5, 0}}},
        PairCase{"SingleNumberLine", "5\n", {{1, 5, 0}, {-1, 5, 0}}},
        PairCase{"OddCount", "0 1 2 3 4", {{2, 0, 1}, {2, 2, 3}, {1, 4, 3}, {-1, 4, 3}}},
        PairCase{"PairsCrossLines", "0 1 9\n1 2 9\n", {{2, 0, 1}, {2, 9, 1}, {2, 2, 9}, {-1, 2, 9}}},
        PairCase{"LinesDoNotMatter", "0\n1 2\n3\n", {{2, 0, 1}, {2, 2, 3}, {-1, 2, 3}}},
        PairCase{"AllSeparators", "0\r\n1\r2\v3\f4\t5", {{2, 0, 1}, {2, 2, 3}, {2, 4, 5}, {-1, 4, 5}}},
        PairCase{"HeaderLine", "time accel\n0 1\n", {{0, 0, 0}}},
        PairCase{"CommaSeparated", "0.0,1.5\n", {{1, 0, 0}, {0, 0, 0}}},
        PairCase{"WordAfterData", "1 2\nend\n", {{2, 1, 2}, {0, 1, 2}}},
        PairCase{"WordInAmplitudePlace", "1 2 3 end", {{2, 1, 2}, {1, 3, 2}, {0, 3, 2}}},
        PairCase{"ControlZ", "1 2\x1a 3 4", {{2, 1, 2}, {0, 1, 2}}},
        PairCase{"Nul", std::string("1 2 3\0 4", 8), {{2, 1, 2}, {1, 3, 2}, {0, 3, 2}}},
        PairCase{"HighByte", "1 2 \xa0" "3 4", {{2, 1, 2}, {0, 1, 2}}},
        PairCase{"LoneSignInData", "3 - 5 7", {{1, 3, 0}, {2, 5, 7}, {-1, 5, 7}}},
        PairCase{"RunTogether", "1-2 1.5.3", {{2, 1, -2}, {2, 1.5, 0.3}, {-1, 1.5, 0.3}}},
        PairCase{"TrailingSignAndPoint", "5 +.", {{1, 5, 0}, {-1, 5, 0}}}),
    [](const testing::TestParamInfo<PairCase>& info) { return std::string(info.param.name); });

// ---- The byte source: interrupted and failing reads ----

// A scripted read: serves the text, failing as told on the chosen call.
struct ScriptedSource {
    std::string text;
    size_t offset = 0;
    int call = 0;
    int fail_at = -1;  // the call that fails
    int fail_errno = 0;
};
ScriptedSource source;

ssize_t scripted_read(int, void* buf, size_t count) {
    int call = source.call++;
    if (call == source.fail_at) {
        errno = source.fail_errno;
        return -1;
    }
    size_t left = source.text.size() - source.offset;
    size_t n = count < left ? count : left;
    n = n < 4 ? n : 4;  // small pieces, so that a failure can fall mid-input
    std::memcpy(buf, source.text.data() + source.offset, n);
    source.offset += n;
    return static_cast<ssize_t>(n);
}

// An interrupted read is retried; a failed one ends the input, and the
// pairs before the failure stand. The source brings four bytes a call and
// fails on call 2.
TEST(ByteSource, InterruptedReadIsRetriedFailedReadEndsTheInput) {
    struct Case {
        const char* text;
        int fail_errno;
        std::vector<Read> reads;
    } cases[] = {
        {"1 2 3 4 ", EINTR, {{2, 1, 2}, {2, 3, 4}, {-1, 3, 4}}},
        {"1 2 3 4 5 6 7 8", EIO, {{2, 1, 2}, {2, 3, 4}, {-1, 3, 4}}},
    };
    for (const Case& c : cases) {
        source = ScriptedSource{c.text, 0, 0, 2, c.fail_errno};
        PairReader reader;
        reader.read_fn = scripted_read;
        double t = 0, y = 0;
        for (const Read& want : c.reads) {
            EXPECT_EQ(reader.read_pair(t, y), want.result) << c.text;
            EXPECT_EQ(t, want.t) << c.text;
            EXPECT_EQ(y, want.y) << c.text;
        }
    }
}

// Many numbers of every shape across many buffer refills read the same in
// any chunking, and as strtod reads each of them.
TEST(ByteSource, LongInputMatchesStrtodInAnyChunking) {
    std::string text;
    std::vector<double> expected;
    unsigned seed = 12345;
    auto next = [&seed] { return seed = seed * 1103515245u + 12345u; };
    char number[64];
    while (text.size() < 3 * PairReader::BUFFER_SIZE) {
        unsigned r = next();
        switch (r % 4) {
            case 0: std::snprintf(number, sizeof number, "%.6f", (next() % 2000000) / 1000.0 - 1000); break;
            case 1: std::snprintf(number, sizeof number, "%.7e", (next() % 2000000) / 7.0 - 140000); break;
            case 2: std::snprintf(number, sizeof number, "%u%u", next(), next()); break;
            default: std::snprintf(number, sizeof number, "%.17g", (next() / 65536.0) * 1e-300); break;
        }
        text += number;
        text += (r & 16) ? "\n" : " ";
        expected.push_back(std::strtod(number, nullptr));
    }
    for (size_t read_size : {PairReader::BUFFER_SIZE, size_t{4093}, size_t{351}}) {
        TextReader in(text, read_size);
        size_t i = 0;
        double v = 0.0;
        while (in.reader.next_number(v) == 1) {
            ASSERT_LT(i, expected.size());
            ASSERT_TRUE(same_double(v, expected[i])) << i << " read size " << read_size;
            ++i;
        }
        EXPECT_EQ(i, expected.size());
    }
}

}  // namespace
