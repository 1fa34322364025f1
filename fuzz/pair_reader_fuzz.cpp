// Fuzz target: PairReader against the plain reference reader. On every
// input both must give the same result, call for call, and the same bits in
// both variables, up to the first result below 1, as the program reads.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "byte_source.h"
#include "driver/pair_reader.h"
#include "reference_reader.h"

namespace {

PairReader reader;  // too large for the stack

bool same_bits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!byte_source::start(reader, data, size)) return 0;
    ReferenceReader ref(data, size);

    double t = 0.0, y = 0.0, ref_t = 0.0, ref_y = 0.0;
    for (int call = 1;; ++call) {
        int got = reader.read_pair(t, y);
        int want = ref.read_pair(ref_t, ref_y);
        if (got != want || !same_bits(t, ref_t) || !same_bits(y, ref_y)) {
            std::fprintf(stderr,
                         "call %d: reader %d (%.17g, %.17g), reference %d (%.17g, %.17g)"
                         " near byte %zu\n",
                         call, got, t, y, want, ref_t, ref_y, ref.pos);
            std::abort();
        }
        if (got < PAIR_TIME) break;
    }
    return 0;
}
