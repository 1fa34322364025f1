// Micro-benchmarks: the reader on record text held in memory, and the step
// table on the steps of a quantised and of a noisy signal.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "driver/pair_reader.h"
#include "splitmix.h"
#include "stats/step_histogram.h"

namespace {

constexpr int LINES = 100000;

// Lines of a record: times at 20 kHz and converter codes of `codes` steps
// over 10 G, printed with `format`.
std::string record_text(const char* format, double codes, double noise) {
    Splitmix random{3};
    std::string text;
    char line[64];
    for (int i = 0; i < LINES; ++i) {
        double t = i / 20000.0;
        double g = 3 * std::sin(2 * 3.14159265358979 * 7 * t) + noise * (random.uniform() - 0.5);
        double y = std::floor((g + 5) / 10 * codes + 0.5) * (10 / codes) - 5;
        text.append(line, static_cast<size_t>(std::snprintf(line, sizeof line, format, t, y)));
    }
    return text;
}

const std::string* served;
size_t served_offset;

ssize_t read_memory(int, void* buf, size_t count) {
    size_t left = served->size() - served_offset;
    if (count > left) count = left;
    std::memcpy(buf, served->data() + served_offset, count);
    served_offset += count;
    return static_cast<ssize_t>(count);
}

void read_all(benchmark::State& state, const std::string& text) {
    for (auto _ : state) {
        served = &text;
        served_offset = 0;
        // A fresh reader each time, on the heap: its buffer is too large
        // for the stack.
        auto reader = std::make_unique<PairReader>();
        reader->read_fn = read_memory;
        double t = 0, y = 0, sum = 0;
        while (reader->read_pair(t, y) >= PAIR_TIME) sum += y;
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * LINES);
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}

void BM_ReadFixedDecimals(benchmark::State& state) {
    static const std::string text = record_text("%.6f %.6f\n", 4096, 0.01);
    read_all(state, text);
}
BENCHMARK(BM_ReadFixedDecimals);

void BM_ReadExponentForm(benchmark::State& state) {
    static const std::string text = record_text("%.7e\t%.7e\n", 65536, 0.4);
    read_all(state, text);
}
BENCHMARK(BM_ReadExponentForm);

// The steps between consecutive codes of a signal.
std::vector<double> steps(double codes, double noise) {
    Splitmix random{4};
    std::vector<double> out;
    double previous = 0;
    for (int i = 0; i < LINES; ++i) {
        double g = 3 * std::sin(2 * 3.14159265358979 * 7 * i / 20000.0) +
                   noise * (random.uniform() - 0.5);
        double y = std::floor((g + 5) / 10 * codes + 0.5) * (10 / codes) - 5;
        out.push_back(std::fabs(y - previous));
        previous = y;
    }
    return out;
}

StepHistogram table;

void count_steps(benchmark::State& state, const std::vector<double>& dys) {
    for (auto _ : state) {
        table = StepHistogram{};
        table.clear_counts();
        uint64_t n = 1;
        for (double dy : dys) table.add(dy, ++n);
        benchmark::DoNotOptimize(table.most_frequent());
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(dys.size()));
}

// A few distinct steps, nearly every one matching an entry.
void BM_StepsQuantised(benchmark::State& state) {
    static const std::vector<double> dys = steps(4096, 0.01);
    count_steps(state, dys);
}
BENCHMARK(BM_StepsQuantised);

// A full table, most steps searched and dropped.
void BM_StepsNoisy(benchmark::State& state) {
    static const std::vector<double> dys = steps(65536, 0.4);
    count_steps(state, dys);
}
BENCHMARK(BM_StepsNoisy);

}  // namespace

BENCHMARK_MAIN();
