// Runs quarvel, a one-pass awk script and `wc -l` on the benchmark records
// in alternation, and prints the median wall times, their ratios against
// the targets, and quarvel's peak resident memory.
//
//   compare_runs QUARVEL AWK AWK_SCRIPT SMALL R1 R2 [ROUNDS]
//
// SMALL is a record of a thousand samples, R1 and R2 the two records of
// ten million (see make_record). Every command's output goes to /dev/null.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

namespace {

// Targets: quarvel at least this many times faster than awk, at most this
// many times the time of `wc -l`; R2 per sample at most this many times R1;
// peak memory at most this, and as much for a short record as for a long
// one, within the last.
constexpr double AWK_RATIO_MIN = 10.0;
constexpr double WC_RATIO_MAX = 8.0;
constexpr double R2_PER_SAMPLE_MAX = 1.3;
constexpr double RSS_MAX_MIB = 4.0;
constexpr double RSS_SPREAD_MAX_MIB = 0.5;

struct Run {
    double seconds;
    long peak_kib;
};

[[noreturn]] void fail(const char* what) {
    std::printf("compare_runs: %s failed\n", what);
    std::fflush(stdout);
    std::exit(1);
}

double now() {
    timespec ts;
    if (clock_gettime(CLOCK_MONOTONIC, &ts) != 0) fail("clock_gettime");
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// Runs argv with standard output on /dev/null; the wall time from fork to
// the end of the child, and the child's peak resident set.
Run run(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::fflush(stdout);
    double start = now();
    pid_t child = fork();
    if (child < 0) fail("fork");
    if (child == 0) {
        int null = open("/dev/null", O_WRONLY);
        if (null < 0 || dup2(null, STDOUT_FILENO) < 0) _exit(126);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status;
    rusage usage;
    pid_t waited;
    do {
        waited = wait4(child, &status, 0, &usage);
    } while (waited < 0 && errno == EINTR);
    if (waited != child) fail("wait4");
    double seconds = now() - start;
    if (!WIFEXITED(status) || WEXITSTATUS(status) >= 126) {
        std::printf("compare_runs: could not run %s\n", argv[0]);
        std::exit(1);
    }
    return Run{seconds, usage.ru_maxrss};  // ru_maxrss is in KiB here
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

long count_lines(const std::string& path) {
    std::FILE* in = std::fopen(path.c_str(), "rb");
    if (in == nullptr) fail(("open " + path).c_str());
    static char buffer[1 << 16];
    long lines = 0;
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, in)) > 0) {
        lines += std::count(buffer, buffer + got, '\n');
    }
    std::fclose(in);
    return lines;
}

const char* verdict(bool met) { return met ? "met" : "MISSED"; }

struct RecordTimes {
    double quarvel, awk, wc;
    long peak_kib;
    long lines;
};

RecordTimes measure(const std::string& quarvel, const std::string& awk,
                    const std::string& script, const std::string& record, int rounds) {
    // One untimed pass of each warms the page cache and the binaries.
    run({"wc", "-l", record});
    run({quarvel, record});
    std::vector<double> q, a, w;
    long peak = 0;
    for (int i = 0; i < rounds; ++i) {
        Run r = run({quarvel, record});
        q.push_back(r.seconds);
        peak = std::max(peak, r.peak_kib);
        a.push_back(run({awk, "-f", script, record}).seconds);
        w.push_back(run({"wc", "-l", record}).seconds);
    }
    return RecordTimes{median(q), median(a), median(w), peak, count_lines(record)};
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 7) {
        std::puts("usage: compare_runs QUARVEL AWK AWK_SCRIPT SMALL R1 R2 [ROUNDS]");
        return 2;
    }
    std::string quarvel = argv[1], awk = argv[2], script = argv[3];
    std::string small = argv[4];
    const char* names[2] = {"R1", "R2"};
    std::string records[2] = {argv[5], argv[6]};
    int rounds = argc > 7 ? std::atoi(argv[7]) : 5;
    if (rounds < 1) rounds = 1;

    std::printf("median wall time of %d alternating runs each, page cache warm\n\n", rounds);
    std::printf("%-4s %10s %9s %9s %9s   %-24s %-24s\n", "", "samples", "quarvel", "awk",
                "wc -l", "awk / quarvel (>= 10)", "quarvel / wc -l (<= 8)");
    RecordTimes times[2];
    for (int k = 0; k < 2; ++k) {
        times[k] = measure(quarvel, awk, script, records[k], rounds);
        const RecordTimes& t = times[k];
        double awk_ratio = t.awk / t.quarvel;
        double wc_ratio = t.quarvel / t.wc;
        std::printf("%-4s %10ld %8.3fs %8.3fs %8.3fs   %6.1f  %-16s %6.2f  %-16s\n", names[k],
                    t.lines, t.quarvel, t.awk, t.wc, awk_ratio,
                    verdict(awk_ratio >= AWK_RATIO_MIN), wc_ratio,
                    verdict(wc_ratio <= WC_RATIO_MAX));
    }
    double per_sample = (times[1].quarvel / static_cast<double>(times[1].lines)) /
                        (times[0].quarvel / static_cast<double>(times[0].lines));
    std::printf("\nR2 / R1 per sample: %.2f (<= %.1f) %s\n", per_sample, R2_PER_SAMPLE_MAX,
                verdict(per_sample <= R2_PER_SAMPLE_MAX));
    std::printf("quarvel per sample: R1 %.1f ns, R2 %.1f ns\n",
                times[0].quarvel / static_cast<double>(times[0].lines) * 1e9,
                times[1].quarvel / static_cast<double>(times[1].lines) * 1e9);

    long small_kib = 0;
    for (int i = 0; i < rounds; ++i) small_kib = std::max(small_kib, run({quarvel, small}).peak_kib);
    long large_kib = std::max(times[0].peak_kib, times[1].peak_kib);
    double small_mib = static_cast<double>(small_kib) / 1024;
    double large_mib = static_cast<double>(large_kib) / 1024;
    double spread = large_mib > small_mib ? large_mib - small_mib : small_mib - large_mib;
    std::printf("\npeak resident memory of quarvel: %ld samples %.2f MiB, %ld samples %.2f MiB\n",
                count_lines(small), small_mib, times[0].lines, large_mib);
    std::printf("  largest %.2f MiB (<= %.1f) %s; difference %.2f MiB (<= %.1f) %s\n",
                std::max(small_mib, large_mib), RSS_MAX_MIB,
                verdict(std::max(small_mib, large_mib) <= RSS_MAX_MIB), spread,
                RSS_SPREAD_MAX_MIB, verdict(spread <= RSS_SPREAD_MAX_MIB));
    return 0;
}
