// The sample pair reader: turns the bytes of the input into (time, amplitude)
// pairs. It owns nothing but its read buffer and its place in the input; the
// caller opens and closes the file descriptor.
//
// Input grammar, one number: an optional sign, digits with an optional
// decimal point, then, only after at least one digit, an optional exponent
// letter with an optional sign and digits. At most NUMBER_TEXT_LIMIT
// characters after the sign. White space is the six C-locale blanks and
// nothing else. A number ends at the first character that does not fit, which
// stays in the input for the next scan; a sign or point that no digit follows
// is consumed and lost.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>

constexpr int NUMBER_TEXT_LIMIT = 349;

// What read_pair reports.
enum PairResult : int {
    PAIR_END = -1,  // the input ended before a digit of the time was found
    PAIR_NONE = 0,  // a character stopped the time's scan before any digit
    PAIR_TIME = 1,  // the time was read; no amplitude followed it
    PAIR_BOTH = 2,  // time and amplitude were read
};

// The read(2) the reader calls; tests put a failing or dribbling one here.
using ReadFunction = ssize_t (*)(int fd, void* buf, size_t count);

struct PairReader {
    // Large enough that read(2) calls are rare next to the parsing work,
    // small enough to stay in the L2 cache.
    static constexpr size_t BUFFER_SIZE = 128 * 1024;
    // A number's whole text, sign included, is made contiguous in the buffer
    // before it is scanned, so the scanner works on plain pointers.
    static constexpr size_t WINDOW = 1 + NUMBER_TEXT_LIMIT;

    int fd = -1;
    ReadFunction read_fn = nullptr;  // ::read when left null
    size_t read_size = BUFFER_SIZE;  // the most one read call asks for
    const char* pos = buffer;        // next unread byte
    const char* end = buffer;        // one past the last byte read
    bool at_eof = false;             // read gave 0, or failed: no more bytes
    // fill() puts a NUL after the last byte read, which no scan loop takes,
    // so the loops need not compare positions against end; the digit loops
    // load a byte or a word beyond the last digit.
    static constexpr size_t PADDING = 8;
    char buffer[BUFFER_SIZE + PADDING] = {};

    // Reads the next number into t and, if that succeeds, the one after it
    // into y. Returns a PairResult; a variable that gets no number keeps its
    // value.
    int read_pair(double& t, double& y);

    // One number: 1 with its value in v, 0 when a character stopped the scan
    // before any digit, -1 when the input ended first.
    int next_number(double& v);

    // Skips white space; false when the input ends first.
    bool skip_space();
    // Makes at least WINDOW bytes readable at pos, or all that remain.
    void ensure_window();
    // Moves the unread bytes to the front and reads more behind them.
    void fill();
};

// Converts one number's text [first, last) as the scanner consumed it: an
// optional sign, digits with an optional point, and an exponent part whose
// digits may be missing. Correctly rounded; overflow gives a signed infinity
// and underflow a signed zero.
double number_value(const char* first, const char* last);

inline bool is_space(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
inline bool is_digit(unsigned char c) { return static_cast<unsigned>(c - '0') < 10; }
