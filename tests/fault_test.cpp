// Faults of the environment: standard output that fails, is closed or is a
// pipe nobody reads; input from pipes, FIFOs, a growing file and a read
// that fails midway; names at the edges. The program must end, with the
// exact output and the status the input decides.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <thread>

#include "driver/pair_reader.h"
#include "driver/run.h"
#include "expected_text.h"
#include "run_program.h"

namespace {

ProgramRun run_quarvel(std::vector<std::string> argv, const std::string& cwd = "",
                       int stdin_fd = -1) {
    ProgramSpawn spawn;
    spawn.path = QUARVEL_BINARY;
    spawn.argv = std::move(argv);
    spawn.cwd = cwd;
    spawn.stdin_fd = stdin_fd;
    return run_program(spawn);
}

// What a run on the worked example prints when the file is called name.
std::string worked_example_output(const std::vector<std::string>& argv,
                                  const std::string& name) {
    return expected::greeting(argv) + expected::opened(name) + expected::WORKED_EXAMPLE_REPORT;
}

// Writes text to fd in pieces of a few bytes, as a slow producer would,
// then closes it.
void dribble(int fd, const std::string& text) {
    for (size_t at = 0; at < text.size(); at += 7) {
        size_t n = std::min<size_t>(7, text.size() - at);
        if (write(fd, text.data() + at, n) != static_cast<ssize_t>(n)) break;
    }
    close(fd);
}

TEST(FaultTest, FailingOrClosedStdoutKeepsTheInputsStatus) {
    ScratchDir dir;
    std::string good = dir.write("good.txt", expected::WORKED_EXAMPLE);
    std::string empty = dir.write("empty.txt", "");
    struct Case {
        std::string file;
        int status;
    } cases[] = {{good, 0}, {empty, 1}, {dir.path + "/missing.txt", 1}};
    for (const Case& c : cases) {
        for (bool closed : {false, true}) {
            SCOPED_TRACE(c.file + (closed ? ", stdout closed" : ", stdout /dev/full"));
            int full = open("/dev/full", O_WRONLY);
            ProgramSpawn spawn;
            spawn.path = QUARVEL_BINARY;
            spawn.argv = {"quarvel", c.file};
            spawn.stdout_fd = closed ? -1 : full;
            spawn.close_stdout = closed;
            ProgramRun run = run_program(spawn);
            close(full);
            EXPECT_EQ(run.signal, 0);
            EXPECT_EQ(run.status, c.status);
            EXPECT_EQ(run.out, "");
            EXPECT_EQ(run.err, "");
        }
    }
    // With standard output closed the input takes descriptor 1; it must come
    // through unwritten.
    std::ifstream in(good, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), expected::WORKED_EXAMPLE);
}

TEST(FaultTest, PipeWhoseReaderHasGoneEndsTheRunPromptly) {
    ScratchDir dir;
    std::string file = dir.write("w.txt", expected::WORKED_EXAMPLE);
    int out[2];
    ASSERT_EQ(pipe(out), 0);
    close(out[0]);
    ProgramSpawn spawn;
    spawn.path = QUARVEL_BINARY;
    spawn.argv = {"quarvel", file};
    spawn.stdout_fd = out[1];
    ProgramRun run = run_program(spawn);
    close(out[1]);
    // Like any filter: killed by SIGPIPE, or ended by itself with the status
    // of its input.
    EXPECT_TRUE(run.signal == SIGPIPE || (run.signal == 0 && run.status == 0))
        << "signal " << run.signal << ", status " << run.status;
    EXPECT_EQ(run.err, "");
}

TEST(FaultTest, PipeAndFifoGiveTheReportOfTheFile) {
    ScratchDir dir;
    int in[2];
    ASSERT_EQ(pipe(in), 0);
    std::thread producer(dribble, in[1], expected::WORKED_EXAMPLE);
    ProgramRun piped = run_quarvel({"quarvel", "/dev/stdin"}, "", in[0]);
    producer.join();
    close(in[0]);
    EXPECT_EQ(piped.out, worked_example_output({"quarvel", "/dev/stdin"}, "/dev/stdin"));
    EXPECT_EQ(piped.status, 0);

    std::string fifo = dir.path + "/fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::thread writer([&] { dribble(open(fifo.c_str(), O_WRONLY), expected::WORKED_EXAMPLE); });
    ProgramRun fifo_run = run_quarvel({"quarvel", fifo});
    writer.join();
    EXPECT_EQ(fifo_run.out, worked_example_output({"quarvel", fifo}, fifo));
    EXPECT_EQ(fifo_run.status, 0);
}

// Lines of 32 bytes, 128 to a 4 KiB block: a block appended with one write
// becomes visible to a reader whole or not at all.
constexpr size_t LINE = 32;
constexpr size_t LINES_PER_BLOCK = 4096 / LINE;

std::string growing_lines(size_t first, size_t count) {
    std::string text;
    for (size_t i = first; i < first + count; ++i) {
        char line[LINE + 1];
        std::snprintf(line, sizeof line, "%-31s\n",
                      (std::to_string(i) + ".5 " + std::to_string(i % 7) + ".25").c_str());
        text += line;
    }
    return text;
}

TEST(FaultTest, FileThatGrowsWhileReadGivesTheReportOfWhatWasRead) {
    ScratchDir dir;
    const size_t start_blocks = 512;  // 2 MiB, so that appends land mid-read
    const size_t more_blocks = 512;
    std::string file = dir.write("growing.txt", growing_lines(0, start_blocks * LINES_PER_BLOCK));
    std::thread appender([&] {
        int fd = open(file.c_str(), O_WRONLY | O_APPEND);
        for (size_t b = start_blocks; b < start_blocks + more_blocks; ++b) {
            std::string block = growing_lines(b * LINES_PER_BLOCK, LINES_PER_BLOCK);
            if (write(fd, block.data(), block.size()) != static_cast<ssize_t>(block.size())) break;
        }
        close(fd);
    });
    ProgramRun run = run_quarvel({"quarvel", file});
    appender.join();
    ASSERT_EQ(run.status, 0);

    // Whatever the count, the report must be that of a file of exactly the
    // pairs the run took.
    size_t at = run.out.find("samples= ");
    ASSERT_NE(at, std::string::npos);
    size_t pairs = std::stoul(run.out.substr(at + 9));
    EXPECT_GE(pairs, start_blocks * LINES_PER_BLOCK);
    EXPECT_LE(pairs, (start_blocks + more_blocks) * LINES_PER_BLOCK);
    std::string fixed = dir.write("fixed.txt", growing_lines(0, pairs));
    ProgramRun reference = run_quarvel({"quarvel", fixed});
    std::string report = reference.out.substr(reference.out.find(" opened. \n") + 10);
    EXPECT_EQ(run.out, expected::greeting({"quarvel", file}) + expected::opened(file) + report);
}

// A read function that serves a text, then fails, then would serve more.
struct FailingSource {
    static inline std::string before, after;
    static inline size_t offset;
    static inline bool failed;
    static inline int reads_after_failure;

    static ssize_t read(int, void* buf, size_t count) {
        if (failed) {
            ++reads_after_failure;
            return static_cast<ssize_t>(std::min(count, after.size()));
        }
        if (offset == before.size()) {
            failed = true;
            errno = EIO;
            return -1;
        }
        size_t n = std::min(count, before.size() - offset);
        std::memcpy(buf, before.data() + offset, n);
        offset += n;
        return static_cast<ssize_t>(n);
    }
};

PairReader reader;  // too large for the stack

std::string run_record_with_failure(const std::string& before, const std::string& after) {
    FailingSource::before = before;
    FailingSource::after = after;
    FailingSource::offset = 0;
    FailingSource::failed = false;
    FailingSource::reads_after_failure = 0;
    new (&reader) PairReader;
    reader.read_fn = FailingSource::read;
    reader.read_size = 5;
    char* text = nullptr;
    size_t length = 0;
    std::FILE* out = open_memstream(&text, &length);
    int status = process_record(reader, out);
    std::fclose(out);
    std::string result = std::to_string(status) + ":" + std::string(text, length);
    std::free(text);
    return result;
}

TEST(FaultTest, ReadErrorMidwayIsTheEndOfInput) {
    // After whole pairs: the report of those pairs; nothing more is read.
    EXPECT_EQ(run_record_with_failure(expected::WORKED_EXAMPLE, "9 9 9 9\n"),
              "0:" + expected::WORKED_EXAMPLE_REPORT);
    EXPECT_EQ(FailingSource::reads_after_failure, 0);
    // Inside the last number: it ends where the bytes ended.
    EXPECT_EQ(run_record_with_failure(expected::WORKED_EXAMPLE.substr(0, 54), "5 7\n"),
              "0:" + expected::WORKED_EXAMPLE_REPORT);
    // Before any byte: no first pair.
    EXPECT_EQ(run_record_with_failure("", "0 1\n"), "1:" + expected::NO_DATA);
    EXPECT_EQ(FailingSource::reads_after_failure, 0);
}

TEST(FaultTest, LongNamesAndEmptyProgramName) {
    ScratchDir dir;
    // 300 characters: a directory of 200 and a file of 99 below it.
    std::string sub = std::string(200, 'd');
    ASSERT_EQ(mkdir((dir.path + "/" + sub).c_str(), 0700), 0);
    std::string name = sub + "/" + std::string(99, 'f');
    ASSERT_EQ(name.size(), 300u);
    dir.write(name, expected::WORKED_EXAMPLE);
    ProgramRun run = run_quarvel({"quarvel", name}, dir.path);
    EXPECT_EQ(run.out, worked_example_output({"quarvel", name}, name));
    EXPECT_EQ(run.status, 0);

    std::string missing = sub + "/" + std::string(99, 'm');
    run = run_quarvel({"quarvel", missing}, dir.path);
    EXPECT_EQ(run.out, expected::greeting({"quarvel", missing}) + expected::failed_to_open(missing));
    EXPECT_EQ(run.status, 1);

    // An empty argument vector reaches main as a count of 1 and an empty
    // program name; the default input is then read.
    dir.write("a.in", expected::WORKED_EXAMPLE);
    run = run_quarvel({}, dir.path);
    EXPECT_EQ(run.out, worked_example_output({""}, "a.in"));
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
}

}  // namespace
