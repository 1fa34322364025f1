// Fuzz target: a whole run, from bytes to report text. Whatever the bytes,
// the run ends with the no-data message and status 1 exactly when the
// reference reader finds no first pair, and otherwise with a report whose
// sample count and time span agree with the reference reader.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "byte_source.h"
#include "driver/pair_reader.h"
#include "driver/run.h"
#include "reference_reader.h"

namespace {

PairReader reader;  // too large for the stack

std::string format(const char* fmt, unsigned long long n, double a, double b) {
    char text[256];
    std::snprintf(text, sizeof text, fmt, n, a, b);
    return text;
}

[[noreturn]] void fail(const char* what, const std::string& report) {
    std::fprintf(stderr, "%s; the report was:\n%s\n", what, report.c_str());
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!byte_source::start(reader, data, size)) return 0;

    char* text = nullptr;
    size_t length = 0;
    std::FILE* out = open_memstream(&text, &length);
    if (out == nullptr) return 0;
    int status = process_record(reader, out);
    std::fclose(out);
    std::string report(text, length);
    std::free(text);

    ReferenceReader ref(data, size);
    double t0 = 0.0, y = 0.0;
    if (ref.read_pair(t0, y) < 1) {
        if (status != 1 || report != "\n No data on first line ") fail("no first pair", report);
        return 0;
    }
    unsigned long long n = 1;
    double t_last = t0;
    while (ref.read_pair(t_last, y) >= 1) ++n;

    std::string head = format("\n samples= %llu \n\n time span= %12.6g sec to %12.6g sec", n,
                              t0, t_last);
    const std::string tail = " \n";
    if (status != 0 || report.compare(0, head.size(), head) != 0 ||
        report.size() < head.size() + tail.size() ||
        report.compare(report.size() - tail.size(), tail.size(), tail) != 0) {
        fail(("expected a report beginning " + head).c_str(), report);
    }
    return 0;
}
