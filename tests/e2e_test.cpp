// End to end: the built program on small records, its whole standard output
// compared byte for byte, and its exit status.
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "expected_text.h"
#include "run_program.h"

namespace {

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void write_file(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// What the program prints before it opens anything, for an argument vector
// whose element 0 is "quarvel".
std::string greeting(std::vector<std::string> args) {
    args.insert(args.begin(), "quarvel");
    return expected::greeting(args);
}

using expected::NO_DATA;
using expected::opened;
std::string failed(const std::string& name) { return expected::failed_to_open(name); }

// The report of the five-sample record in worked_example.txt.
const std::string& FIVE_SAMPLE_REPORT = expected::WORKED_EXAMPLE_REPORT;

const std::string ONE_SAMPLE_REPORT =
    "\n samples= 1 "
    "\n\n time span=          2.5 sec to          2.5 sec"
    "\n\n duration=            0 sec "
    "\n\n ymin=         0 G at          2.5 sec"
    "\n ymax=         0 G at          2.5 sec"
    "\n\n  ave=         0 G    std dev =         0 G   rms=         0 G"
    "\n kurtosis=      -nan" +
    expected::ONE_SAMPLE_REPORT_TAIL;

// A fresh directory for a test's files, removed with them afterwards.
struct TempDir {
    std::string path;
    TempDir() {
        char name[] = "/tmp/quarvel-e2e-XXXXXX";
        path = mkdtemp(name);
    }
    ~TempDir() {
        std::string command = "rm -rf '" + path + "'";
        if (std::system(command.c_str()) != 0) std::perror("rm");
    }
    std::string file(const std::string& name, const std::string& text) const {
        write_file(path + "/" + name, text);
        return name;
    }
};

ProgramRun quarvel(const std::vector<std::string>& args, const std::string& cwd,
                   int stdin_fd = -1) {
    ProgramSpawn spawn;
    spawn.path = QUARVEL_BINARY;
    spawn.argv.push_back("quarvel");
    spawn.argv.insert(spawn.argv.end(), args.begin(), args.end());
    spawn.cwd = cwd;
    spawn.stdin_fd = stdin_fd;
    return run_program(spawn);
}

struct RunCase {
    const char* name;
    std::vector<std::string> args;
    std::string expected_after_greeting;
    int status;
};

// Names the case in test listings.
void PrintTo(const RunCase& c, std::ostream* os) { *os << c.name; }

class Fixtures : public testing::TestWithParam<RunCase> {};

TEST_P(Fixtures, WholeOutputAndStatus) {
    const RunCase& c = GetParam();
    ProgramRun run = quarvel(c.args, FIXTURE_DIR);
    EXPECT_EQ(run.out, greeting(c.args) + c.expected_after_greeting);
    EXPECT_EQ(run.status, c.status);
    EXPECT_EQ(run.err, "");
}

INSTANTIATE_TEST_SUITE_P(
    Runs, Fixtures,
    testing::Values(
        RunCase{"FiveSamples", {"worked_example.txt"}, opened("worked_example.txt") + FIVE_SAMPLE_REPORT, 0},
        RunCase{"CrLfLineEnds", {"worked_example_crlf.txt"}, opened("worked_example_crlf.txt") + FIVE_SAMPLE_REPORT, 0},
        RunCase{"TextAfterTheData", {"trailing_text.txt"}, opened("trailing_text.txt") + FIVE_SAMPLE_REPORT, 0},
        RunCase{"ExtraArgumentsAreIgnored", {"worked_example.txt", "other.txt", "-v"},
                opened("worked_example.txt") + FIVE_SAMPLE_REPORT, 0},
        RunCase{"OneTimeOnly", {"one_time.txt"}, opened("one_time.txt") + ONE_SAMPLE_REPORT, 0},
        RunCase{"HeaderLine", {"header_line.txt"}, opened("header_line.txt") + NO_DATA, 1},
        RunCase{"EmptyFile", {"empty.txt"}, opened("empty.txt") + NO_DATA, 1},
        RunCase{"OnlyWhiteSpace", {"blank_lines.txt"}, opened("blank_lines.txt") + NO_DATA, 1},
        RunCase{"MissingFile", {"no_such_file.txt"}, failed("no_such_file.txt"), 1},
        RunCase{"Directory", {"."}, failed("."), 1},
        RunCase{"EmptyName", {""}, failed(""), 1}),
    [](const testing::TestParamInfo<RunCase>& info) { return std::string(info.param.name); });

TEST(Run, NoArgumentReadsAIn) {
    TempDir dir;
    dir.file("a.in", read_file(std::string(FIXTURE_DIR) + "/worked_example.txt"));
    ProgramRun run = quarvel({}, dir.path);
    EXPECT_EQ(run.out, greeting({}) + opened("a.in") + FIVE_SAMPLE_REPORT);
    EXPECT_EQ(run.status, 0);
}

TEST(Run, NoArgumentAndNoAIn) {
    TempDir dir;
    ProgramRun run = quarvel({}, dir.path);
    EXPECT_EQ(run.out, greeting({}) + failed("a.in"));
    EXPECT_EQ(run.status, 1);
}

TEST(Run, LongFileNameIsHeldWhole) {
    // 300 characters, in folders, since one name may not pass 255.
    TempDir dir;
    std::string name;
    for (int i = 0; i < 5; ++i) {
        name += std::string(55, static_cast<char>('a' + i)) + "/";
        ASSERT_EQ(mkdir((dir.path + "/" + name).c_str(), 0700), 0);
    }
    name += std::string(16, 'r') + ".txt";
    ASSERT_EQ(name.size(), 300u);
    dir.file(name, "0 1\n1 1.5\n");
    ProgramRun run = quarvel({name}, dir.path);
    EXPECT_EQ(run.out.substr(0, (greeting({name}) + opened(name)).size()), greeting({name}) + opened(name));
    EXPECT_NE(run.out.find("\n samples= 2 "), std::string::npos);
    EXPECT_EQ(run.status, 0);
}

TEST(Run, TimeWithoutAmplitudeKeepsThePreviousOne) {
    // A lone sign is no amplitude: that time takes the amplitude before it,
    // and the record goes on.
    TempDir dir;
    dir.file("lost.txt", "0.000 0.10\n0.001 0.20\n0.002 -\n0.003 -0.30\n0.005 0.0\n");
    dir.file("kept.txt", "0.000 0.10\n0.001 0.20\n0.002 0.20\n0.003 -0.30\n0.005 0.0\n");
    ProgramRun lost = quarvel({"lost.txt"}, dir.path);
    ProgramRun kept = quarvel({"kept.txt"}, dir.path);
    const std::string lost_head = greeting({"lost.txt"}) + opened("lost.txt");
    const std::string kept_head = greeting({"kept.txt"}) + opened("kept.txt");
    ASSERT_EQ(lost.out.substr(0, lost_head.size()), lost_head);
    ASSERT_EQ(kept.out.substr(0, kept_head.size()), kept_head);
    EXPECT_EQ(lost.out.substr(lost_head.size()), kept.out.substr(kept_head.size()));
    EXPECT_NE(lost.out.find("\n samples= 5 "), std::string::npos);
    EXPECT_EQ(lost.status, 0);
}

TEST(Run, ReadsFromAPipe) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    std::string text = read_file(std::string(FIXTURE_DIR) + "/worked_example.txt");
    ASSERT_EQ(write(fds[1], text.data(), text.size()), static_cast<ssize_t>(text.size()));
    close(fds[1]);
    ProgramRun run = quarvel({"/dev/stdin"}, FIXTURE_DIR, fds[0]);
    close(fds[0]);
    EXPECT_EQ(run.out, greeting({"/dev/stdin"}) + opened("/dev/stdin") + FIVE_SAMPLE_REPORT);
    EXPECT_EQ(run.status, 0);
}

// Every sample record shipped in examples/ against the report kept beside
// it, so the documentation cannot drift from the program.
TEST(Examples, EachMatchesItsReport) {
    DIR* dir = opendir(EXAMPLES_DIR);
    ASSERT_NE(dir, nullptr);
    int checked = 0;
    while (struct dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name.size() < 5 || name.compare(name.size() - 4, 4, ".txt") != 0) continue;
        std::string report = std::string(EXAMPLES_DIR) + "/" + name.substr(0, name.size() - 4) + ".report";
        struct stat st;
        ASSERT_EQ(stat(report.c_str(), &st), 0) << name << " has no .report";
        ProgramRun run = quarvel({name}, EXAMPLES_DIR);
        EXPECT_EQ(run.out, read_file(report)) << name;
        int status = run.out.find("\n samples= ") != std::string::npos ? 0 : 1;
        EXPECT_EQ(run.status, status) << name;
        ++checked;
    }
    closedir(dir);
    EXPECT_GT(checked, 0);
}

}  // namespace
