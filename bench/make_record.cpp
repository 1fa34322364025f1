// Writes one of the benchmark's records, the same bytes on every run:
//   make_record r1 COUNT FILE   "%.6f %.6f" lines, a 12-bit quantised signal
//                               sampled at 20 kHz: few distinct steps;
//   make_record r2 COUNT FILE   "%.7e\t%.7e" lines, a 16-bit signal with
//                               broad noise: the step table fills at once and
//                               most steps are searched and then dropped.
// The file is written under a temporary name and renamed when complete, so
// an interrupted run leaves no half record behind to be taken as cached.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "splitmix.h"

namespace {

constexpr double PI = 3.14159265358979323846;
constexpr double SPAN = 10.0;  // the converter spans -5 G to +5 G

// Code of a converter with the given number of codes, clamped to its range.
double quantise(double g, double codes) {
    double code = std::floor((g + SPAN / 2) / SPAN * codes + 0.5);
    if (code < 0) code = 0;
    if (code > codes - 1) code = codes - 1;
    return code * (SPAN / codes) - SPAN / 2;
}

bool write_r1(std::FILE* out, uint64_t count) {
    Splitmix random{1};
    const double rate = 20000.0;
    double drift = 0.0;
    for (uint64_t i = 0; i < count; ++i) {
        double t = static_cast<double>(i) / rate;
        // A slow vibration with a little wander: consecutive codes move by
        // zero, one or two bits, one bit most often.
        drift += (random.uniform() - 0.5) * 0.002;
        double g = 3.0 * std::sin(2 * PI * 7.0 * t) + drift + 0.001 * random.normal();
        if (std::fprintf(out, "%.6f %.6f\n", t, quantise(g, 4096)) < 0) return false;
    }
    return true;
}

bool write_r2(std::FILE* out, uint64_t count) {
    Splitmix random{2};
    const double rate = 25600.0;
    for (uint64_t i = 0; i < count; ++i) {
        double t = static_cast<double>(i) / rate;
        // Noise of about 400 bits: the steps run over some thousands of
        // distinct bit multiples, far more than the table keeps.
        double g = 2.0 * std::sin(2 * PI * 31.0 * t) + 0.06 * random.normal();
        if (std::fprintf(out, "%.7e\t%.7e\n", t, quantise(g, 65536)) < 0) return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4 || (std::strcmp(argv[1], "r1") != 0 && std::strcmp(argv[1], "r2") != 0)) {
        std::fputs("usage: make_record r1|r2 COUNT FILE\n", stdout);
        return 2;
    }
    uint64_t count = std::strtoull(argv[2], nullptr, 10);
    std::string temporary = std::string(argv[3]) + ".part";
    std::FILE* out = std::fopen(temporary.c_str(), "wb");
    if (out == nullptr) {
        std::printf("make_record: cannot write %s\n", temporary.c_str());
        return 1;
    }
    static char buffer[1 << 16];
    std::setvbuf(out, buffer, _IOFBF, sizeof buffer);
    bool ok = argv[1][1] == '1' ? write_r1(out, count) : write_r2(out, count);
    ok = std::fclose(out) == 0 && ok;
    if (!ok || std::rename(temporary.c_str(), argv[3]) != 0) {
        std::printf("make_record: writing %s failed\n", argv[3]);
        std::remove(temporary.c_str());
        return 1;
    }
    return 0;
}
