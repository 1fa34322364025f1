// The powers of an amplitude that the statistics sum: its square and its
// fourth power, each with the bits of the standard power function.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>

// The square of the standard power function, pow(y, 2). The exact square
// rounded once is what pow(y, 2) means and what the compiler makes of it
// when optimising; spelling it out keeps every build, optimised or not,
// to the same bits.
inline double square(double y) { return y * y; }

// pow(y, 4) costs more than all the rest of a sample's statistics, and a
// digitised record holds few distinct amplitudes, each met again and again.
// So each result of pow is kept in a fixed table: a repeated amplitude gets
// back the very bits pow gave it. An amplitude hashes to a set of four
// slots, one cache line, and may sit in any of them, so that the tens of
// thousands of amplitudes of a noisy 16-bit record mostly fit instead of
// pushing each other out; a new one replaces the set's slots in turn.
// 65 536 slots (1 MiB): the 29 000 amplitudes of such a record fill them by
// less than half, and few sets overflow; at half the size most sets were
// full, and one sample in seven called pow instead of one in 35.
// Every slot starts as +0.0 with pow(+0.0, 4) = +0.0, so none needs a flag.
constexpr int FOURTH_POWER_SET_BITS = 14;
constexpr int FOURTH_POWER_WAYS = 4;
struct alignas(64) FourthPowerSet {
    uint64_t y_bits[FOURTH_POWER_WAYS];
    double power[FOURTH_POWER_WAYS];
};
inline FourthPowerSet fourth_power_sets[1u << FOURTH_POWER_SET_BITS];
inline uint8_t fourth_power_next_way[1u << FOURTH_POWER_SET_BITS];

// The set of an amplitude, given as its bits.
inline uint32_t fourth_power_set(uint64_t bits) {
    // Fibonacci hashing: the top bits of the product mix all of y's bits.
    return static_cast<uint32_t>((bits * 0x9E3779B97F4A7C15ULL) >> (64 - FOURTH_POWER_SET_BITS));
}

// Starts loading the set that keeps y's fourth power, for a later
// fourth_power(y): the table is larger than the nearer caches, and a load
// from further out costs as much as the rest of a sample's work.
inline void prefetch_fourth_power(double y) {
    uint64_t bits;
    std::memcpy(&bits, &y, sizeof bits);
    __builtin_prefetch(&fourth_power_sets[fourth_power_set(bits)]);
}

inline double fourth_power(double y) {
    uint64_t bits;
    std::memcpy(&bits, &y, sizeof bits);
    const uint32_t index = fourth_power_set(bits);
    FourthPowerSet& set = fourth_power_sets[index];
    // Which slot holds it is as random as the data: a mask, not branches.
    unsigned found = 0;
    // Written out: at -O2 the loop keeps its counter, as many instructions
    // again as the compares.
#pragma GCC unroll 4
    for (int way = 0; way < FOURTH_POWER_WAYS; ++way) {
        found |= static_cast<unsigned>(set.y_bits[way] == bits) << way;
    }
    if (found != 0) return set.power[__builtin_ctz(found)];
    uint8_t& way = fourth_power_next_way[index];
    set.y_bits[way] = bits;
    set.power[way] = std::pow(y, 4);
    double power = set.power[way];
    way = static_cast<uint8_t>((way + 1) % FOURTH_POWER_WAYS);
    return power;
}
