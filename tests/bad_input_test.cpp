// Hostile input: bytes that are no text, encodings the reader does not know,
// numbers and lines of absurd length, values beyond every sum. Each run
// ends with the exact message or report, in memory that does not grow with
// the input.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "expected_text.h"
#include "run_program.h"

namespace {

struct Outcome {
    ProgramRun run;
    std::string expected_head;  // greeting and open message
};

Outcome run_on_file(const std::string& content) {
    ScratchDir dir;
    std::string file = dir.write("in.txt", content);
    ProgramSpawn spawn;
    spawn.path = QUARVEL_BINARY;
    spawn.argv = {"quarvel", file};
    return {run_program(spawn), expected::greeting(spawn.argv) + expected::opened(file)};
}

// Runs the program on "/dev/stdin", a pipe into which a thread writes
// `repeat` copies of `piece` and then `tail`: inputs of any size without a
// file on disk.
Outcome run_on_stream(const std::string& piece, size_t repeat, const std::string& tail = "") {
    int in[2];
    if (pipe(in) != 0) return {};
    std::thread producer([&] {
        std::string chunk;
        size_t per_chunk = std::max<size_t>(1, 65536 / piece.size());
        for (size_t i = 0; i < per_chunk; ++i) chunk += piece;
        for (size_t left = repeat; left > 0;) {
            size_t n = std::min(left, per_chunk);
            if (write(in[1], chunk.data(), n * piece.size()) < 0) break;
            left -= n;
        }
        if (write(in[1], tail.data(), tail.size()) < 0) {
            // the reader has gone; its result tells
        }
        close(in[1]);
    });
    ProgramSpawn spawn;
    spawn.path = QUARVEL_BINARY;
    spawn.argv = {"quarvel", "/dev/stdin"};
    spawn.stdin_fd = in[0];
    ProgramRun run = run_program(spawn);
    producer.join();
    close(in[0]);
    return {run, expected::greeting(spawn.argv) + expected::opened("/dev/stdin")};
}

// Peak resident memory of a run on a tiny input, to hold large runs
// against; a sanitizer build has a larger base.
long baseline_rss_kib() {
    static long base = run_on_stream(expected::WORKED_EXAMPLE, 1).run.max_rss_kib;
    return base;
}
constexpr long RSS_SLACK_KIB = 4 * 1024;

TEST(BadInputTest, ForeignBytesAfterTheDataEndTheInput) {
    // NUL, the DOS end-of-file byte, high bytes: in a time's place they end
    // the input, and nothing after them is read.
    for (std::string junk : {std::string("\0 7 8", 5), std::string("\x1a 7 8"),
                             std::string("\x80 7 8"), std::string("\xff\xfe 7 8")}) {
        SCOPED_TRACE(static_cast<unsigned>(static_cast<unsigned char>(junk[0])));
        Outcome o = run_on_file(expected::WORKED_EXAMPLE + junk);
        EXPECT_EQ(o.run.out, o.expected_head + expected::WORKED_EXAMPLE_REPORT);
        EXPECT_EQ(o.run.status, 0);
    }
}

TEST(BadInputTest, ByteOrderMarksAndWideTextAreNoData) {
    std::string utf16le;
    for (char c : expected::WORKED_EXAMPLE) utf16le += std::string{c, '\0'};
    for (std::string content : {"\xef\xbb\xbf" + expected::WORKED_EXAMPLE, "\xff\xfe" + utf16le,
                                std::string("\xfe\xff\0", 3) + expected::WORKED_EXAMPLE.substr(0, 1),
                                std::string("\0\0\xfe\xff", 4), std::string("\0", 1),
                                std::string("+-.+-. .-.+.. +-"), std::string("- . + .")}) {
        SCOPED_TRACE(content.substr(0, 8));
        Outcome o = run_on_file(content);
        EXPECT_EQ(o.run.out, o.expected_head + expected::NO_DATA);
        EXPECT_EQ(o.run.status, 1);
    }
}

TEST(BadInputTest, TenMillionDigitsSplitIntoNumbersInFixedMemory) {
    // 10,000,000 zeros: 28,653 numbers of 349 digits and one of 103, so
    // 14,327 pairs (0, 0).
    Outcome o = run_on_stream("0000000000", 1000000);
    EXPECT_EQ(o.run.out, o.expected_head + expected::all_zero_report(14327));
    EXPECT_EQ(o.run.status, 0);
    EXPECT_LT(o.run.max_rss_kib, baseline_rss_kib() + RSS_SLACK_KIB);
}

TEST(BadInputTest, HundredMegabyteLineWithoutLineEndInFixedMemory) {
    // 25 million pairs (0, 0) on one line of 100,000,000 bytes, the last
    // number ending at the end of the input.
    Outcome o = run_on_stream("0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 ", 2500000 - 1,
                              "0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 00");
    EXPECT_EQ(o.run.out, o.expected_head + expected::all_zero_report(25000000));
    EXPECT_EQ(o.run.status, 0);
    EXPECT_LT(o.run.max_rss_kib, baseline_rss_kib() + RSS_SLACK_KIB);
}

TEST(BadInputTest, ValuesBeyondEverySumGiveInfinitiesNotACrash) {
    // Times 3e308 apart overflow the interval and the duration; amplitudes
    // of 1.5e308 overflow the sum, and already their squares overflow. The
    // infinite interval is not shorter than the starting 1e90, and 1.5e308
    // not smaller than the starting 1e20: both keep their starting values.
    Outcome o = run_on_file("-1.5e308 1.5e308\n1.5e308 1.5e308\n");
    EXPECT_EQ(o.run.out,
              o.expected_head +
                  "\n samples= 2 "
                  "\n\n time span=    -1.5e+308 sec to     1.5e+308 sec"
                  "\n\n duration=          inf sec "
                  "\n\n ymin=     1e+20 G at        1e+07 sec"
                  "\n ymax=  1.5e+308 G at    -1.5e+308 sec"
                  "\n\n  ave=       inf G    std dev =      -nan G   rms=       inf G"
                  "\n kurtosis=      -nan"
                  "\n\n ________________________________________________ \n\n"
                  "\n dtmin=       1e+90 sec\t between           0 &           0 sec\t"
                  "\n dt   =         inf sec\t\t"
                  "\n dtmax=         inf sec\t between    1.5e+308 &   -1.5e+308 sec\t\n"
                  "\n"
                  "\n SRmin=           0 samples/sec"
                  "\n SR   =           0 samples/sec"
                  "\n SRmax=       1e-90 samples/sec\n"
                  "\n (G/bit) =       1e+90 \n");
    EXPECT_EQ(o.run.status, 0);
}

}  // namespace
