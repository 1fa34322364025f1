// Test support: the exact texts the program prints, built up from their
// parts, and a scratch directory for files that a test makes.
#pragma once

#include <ftw.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace expected {

// The start-up banner, the credit text and the echo of the argument
// vector, as main prints them before it opens anything.
inline std::string greeting(const std::vector<std::string>& argv) {
    std::string text =
        "\n\n\n quarvel, ver 1.0, October 29, 2008  \n"
        "\n by the quarvel developers <quarvel-devel@quarvel.org>\n\n";
    text += "\n\n  argc = " + std::to_string(argv.size()) + " ";
    text += "\n argv[0] " + (argv.size() > 0 ? argv[0] : "(null)") + " ";
    text += "\n argv[1] " + (argv.size() > 1 ? argv[1] : "(null)") + " ";
    return text;
}

inline std::string opened(const std::string& name) { return " File: " + name + " opened. \n"; }
inline std::string failed_to_open(const std::string& name) {
    return " Failed to open file: " + name + " \n";
}
inline const std::string NO_DATA = "\n No data on first line ";

// The five pairs (0, 0.1), (0.001, 0.2), (0.002, 0.1), (0.003, -0.3),
// (0.005, 0), one to a line.
inline const std::string WORKED_EXAMPLE =
    "0.000 0.10\n0.001 0.20\n0.002 0.10\n0.003 -0.30\n0.005 0.0\n";
inline const std::string WORKED_EXAMPLE_REPORT =
    "\n samples= 5 "
    "\n\n time span=            0 sec to        0.005 sec"
    "\n\n duration=        0.005 sec "
    "\n\n ymin=      -0.3 G at        0.003 sec"
    "\n ymax=       0.2 G at        0.001 sec"
    "\n\n  ave=      0.02 G    std dev =     0.172 G   rms=    0.1732 G"
    "\n kurtosis=      2.26"
    "\n\n ________________________________________________ \n\n"
    "\n dtmin=       0.001 sec\t between       0.001 &           0 sec\t"
    "\n dt   =     0.00125 sec\t\t"
    "\n dtmax=       0.002 sec\t between       0.005 &       0.003 sec\t\n"
    "\n"
    "\n SRmin=         500 samples/sec"
    "\n SR   =         800 samples/sec"
    "\n SRmax=        1000 samples/sec\n"
    "\n (G/bit) =         0.1 \n";

// The second half of the report of a single sample: no interval and no
// step was seen, so the starting values show, and the average interval is
// 0 / 0.
inline const std::string ONE_SAMPLE_REPORT_TAIL =
    "\n\n ________________________________________________ \n\n"
    "\n dtmin=       1e+90 sec\t between           0 &           0 sec\t"
    "\n dt   =        -nan sec\t\t"
    "\n dtmax=      -1e+90 sec\t between           0 &           0 sec\t\n"
    "\n"
    "\n SRmin=      -1e-90 samples/sec"
    "\n SR   =        -nan samples/sec"
    "\n SRmax=       1e-90 samples/sec\n"
    "\n (G/bit) =       1e+90 \n";

// The report of n pairs (0, 0): every interval and step is zero.
inline std::string all_zero_report(unsigned long long n) {
    return "\n samples= " + std::to_string(n) +
           " "
           "\n\n time span=            0 sec to            0 sec"
           "\n\n duration=            0 sec "
           "\n\n ymin=         0 G at            0 sec"
           "\n ymax=         0 G at            0 sec"
           "\n\n  ave=         0 G    std dev =         0 G   rms=         0 G"
           "\n kurtosis=      -nan"
           "\n\n ________________________________________________ \n\n"
           "\n dtmin=           0 sec\t between           0 &           0 sec\t"
           "\n dt   =           0 sec\t\t"
           "\n dtmax=           0 sec\t between           0 &           0 sec\t\n"
           "\n"
           "\n SRmin=         inf samples/sec"
           "\n SR   =         inf samples/sec"
           "\n SRmax=         inf samples/sec\n"
           "\n (G/bit) =       1e+90 \n";
}

}  // namespace expected

// A fresh directory under TMPDIR (or /tmp), removed with all it holds when
// the test ends.
struct ScratchDir {
    std::string path;

    ScratchDir() {
        const char* base = getenv("TMPDIR");
        std::string pattern = std::string(base ? base : "/tmp") + "/quarvel-test-XXXXXX";
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        if (mkdtemp(name.data()) != nullptr) path = name.data();
    }
    ~ScratchDir() {
        if (path.empty()) return;
        nftw(
            path.c_str(),
            [](const char* p, const struct stat*, int, struct FTW*) { return remove(p); }, 16,
            FTW_DEPTH | FTW_PHYS);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    // Writes content to the file name inside the directory; returns its path.
    std::string write(const std::string& name, const std::string& content) const {
        std::string file = path + "/" + name;
        std::ofstream(file, std::ios::binary) << content;
        return file;
    }
};
