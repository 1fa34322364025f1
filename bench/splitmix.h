// splitmix64: a small generator whose sequence is fixed by its seed alone,
// unlike the distributions of <random>, whose output the library chooses.
// The benchmark's records and the tests' generated inputs come from it, so
// they are the same bytes on every run and every machine.
#pragma once

#include <cstdint>

struct Splitmix {
    uint64_t state;

    uint64_t next() {
        uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    // Uniform in [0, 1).
    double uniform() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }
    // Roughly normal, mean 0 and deviation 1 (sum of twelve uniforms).
    double normal() {
        double sum = 0.0;
        for (int i = 0; i < 12; ++i) sum += uniform();
        return sum - 6.0;
    }
    uint64_t below(uint64_t bound) { return next() % bound; }
    bool chance(int percent) { return below(100) < static_cast<uint64_t>(percent); }
};
