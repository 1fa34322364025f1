// The sample pair reader: buffer handling, the number grammar and the
// conversion of a number's text to a double.
#include "driver/pair_reader.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

// A short decimal, whose digits fit in MANTISSA_DIGITS_MAX and whose value
// they give as mantissa * 10^exp10 with the mantissa an exact double and the
// power of ten exact too, converts with one correctly rounded multiplication
// or division, the same double as the full conversion. Everything else goes
// to strtod.
constexpr long MANTISSA_DIGITS_MAX = 19;             // 10^19 - 1 fits in 64 bits
constexpr uint64_t EXACT_MANTISSA_MAX = 1ULL << 53;  // every integer up to here is a double
constexpr int EXACT_POWER_MAX = 22;                  // 10^22 is the largest exact power of ten
constexpr int EXPONENT_CAP = 100000;                 // far beyond any finite double

constexpr double POWERS_OF_TEN[EXACT_POWER_MAX + 1] = {
    1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
    1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22,
};

// What the scan of one number gathered. Past nineteen digits the mantissa
// wraps; digit_count tells, and the full conversion is taken instead.
struct NumberScan {
    const char* p;  // where the scan stopped
    uint64_t mantissa = 0;
    long digit_count = 0;  // digits before and after the point
    long fraction_digits = 0;
    int exponent = 0;  // the exponent part's value, capped
};

// The common scan checks the limit only once a loop step, so it may run a
// few characters past it; it stops there all the same, so that a run of
// millions of digits costs no more than its length. The rare number found
// longer than the limit is scanned again with the limit checked at every
// character.
template <bool LIMITED>
inline bool within(const char* p, const char* lim) {
    return !LIMITED || p < lim;
}

template <bool LIMITED>
inline const char* scan_digits(const char* p, const char* lim, uint64_t& mantissa) {
    if (!LIMITED) {
        // Two digits a step, half the loop's branches and updates. p[1] may
        // be the byte after the NUL, which the buffer's padding holds.
        while (p < lim) {
            unsigned first = static_cast<unsigned char>(p[0]) - '0';
            unsigned second = static_cast<unsigned char>(p[1]) - '0';
            if (first >= 10) return p;
            if (second >= 10) {
                mantissa = mantissa * 10 + first;
                return p + 1;
            }
            mantissa = mantissa * 100 + first * 10 + second;
            p += 2;
        }
        return p;
    }
    while (within<LIMITED>(p, lim) && is_digit(static_cast<unsigned char>(*p))) {
        mantissa = mantissa * 10 + static_cast<unsigned char>(*p - '0');
        ++p;
    }
    return p;
}

// A fraction's digits are read eight at a time, as one word: records print
// fractions of six or seven digits, which take one word instead of three
// or four steps of the two-digit loop. Integer parts, mostly of one to
// three digits, are cheaper in that loop. The byte order matters, so other
// machines take the loop for fractions too.
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
constexpr bool WORD_FRACTIONS = true;
#else
constexpr bool WORD_FRACTIONS = false;
#endif

constexpr uint64_t bytes_of(unsigned char c) { return 0x0101010101010101ULL * c; }

constexpr uint64_t DIGIT_SCALE[9] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000};

// The value of eight digits given as their values, one a byte, the first in
// the lowest byte: pairs, then fours, then all eight, in three
// multiplications.
inline uint64_t eight_digits_value(uint64_t digits) {
    digits = digits * 10 + (digits >> 8);  // byte i: ten times digit i, plus digit i + 1
    const uint64_t pairs = 0x000000FF000000FFULL;
    return ((digits & pairs) * (100 + (1000000ULL << 32)) +
            ((digits >> 16) & pairs) * (1 + (10000ULL << 32))) >>
           32;
}

// The common digit scan a word at a time, checking lim once a word. The
// NUL after the last byte read ends every run, and the buffer's padding
// holds the rest of the word loaded at it.
inline const char* scan_digit_words(const char* p, const char* lim, uint64_t& mantissa) {
    while (p < lim) {
        uint64_t word;
        std::memcpy(&word, p, sizeof word);
        uint64_t values = word ^ bytes_of('0');  // a digit's byte becomes its value
        // The high half of a byte is set where the byte is no digit: a
        // digit's value is at most 9, and 6 more is still below 16. Exact up
        // to the first such byte; a carry out of it may mark later bytes,
        // which are not looked at.
        uint64_t stops = (values | (values + bytes_of(6))) & bytes_of(0xF0);
        if (stops == 0) {
            mantissa = mantissa * DIGIT_SCALE[8] + eight_digits_value(values);
            p += 8;
            continue;
        }
        unsigned count = static_cast<unsigned>(__builtin_ctzll(stops)) / 8;
        if (count == 0) return p;
        // Shifted up, the digits come after zeros, which count as leading
        // zeros, and the bytes from the stop on are gone.
        mantissa = mantissa * DIGIT_SCALE[count] + eight_digits_value(values << (64 - 8 * count));
        return p + count;
    }
    return p;
}

template <bool LIMITED>
inline void scan_fraction(NumberScan& s, const char* lim) {
    if (!(within<LIMITED>(s.p, lim) && *s.p == '.')) return;
    const char* digits = ++s.p;
    s.p = !LIMITED && WORD_FRACTIONS ? scan_digit_words(s.p, lim, s.mantissa)
                                     : scan_digits<LIMITED>(s.p, lim, s.mantissa);
    s.fraction_digits = s.p - digits;
    s.digit_count += s.fraction_digits;
}

// The exponent letter and a sign after it are consumed even when no digit
// follows; a missing exponent counts as zero.
template <bool LIMITED>
inline void scan_exponent(NumberScan& s, const char* lim) {
    const char* p = s.p;
    if (!(within<LIMITED>(p, lim) && (*p == 'e' || *p == 'E'))) return;
    ++p;
    bool negative = false;
    if (within<LIMITED>(p, lim) && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    int value = 0;
    while (p < lim && is_digit(static_cast<unsigned char>(*p))) {
        if (value < EXPONENT_CAP) value = value * 10 + (*p - '0');
        ++p;
    }
    s.exponent = negative ? -value : value;
    s.p = p;
}

// Integer part, fraction, and, only after a digit, the exponent; p is just
// past the sign.
template <bool LIMITED>
inline NumberScan scan_number(const char* p, const char* lim) {
    NumberScan s;
    s.p = scan_digits<LIMITED>(p, lim, s.mantissa);
    s.digit_count = s.p - p;
    scan_fraction<LIMITED>(s, lim);
    if (s.digit_count != 0) scan_exponent<LIMITED>(s, lim);
    return s;
}

// The value of a short decimal, when one rounding gives it exactly as the
// full conversion would: both operands are exact doubles, so the product or
// quotient is the correctly rounded value. False when it cannot.
inline bool exact_value(const NumberScan& s, bool negative, double& v) {
    if (s.digit_count > MANTISSA_DIGITS_MAX) return false;
    // fraction_digits is at most NUMBER_TEXT_LIMIT: no overflow.
    int exp10 = s.exponent - static_cast<int>(s.fraction_digits);
    double magnitude;
    if (s.mantissa == 0) {
        magnitude = 0.0;  // zero whatever the exponent
    } else if (s.mantissa > EXACT_MANTISSA_MAX || exp10 < -EXACT_POWER_MAX ||
               exp10 > EXACT_POWER_MAX) {
        return false;
    } else if (exp10 < 0) {
        magnitude = static_cast<double>(s.mantissa) / POWERS_OF_TEN[-exp10];
    } else {
        magnitude = static_cast<double>(s.mantissa) * POWERS_OF_TEN[exp10];
    }
    v = negative ? -magnitude : magnitude;
    return true;
}

}  // namespace

double number_value(const char* first, const char* last) {
    // strtod stops before an exponent letter that no digit follows; here
    // such a letter, and its sign, are part of the number and mean "times
    // one", so they are left out of the copy.
    if (last - first >= 2 && (last[-1] == '+' || last[-1] == '-') &&
        (last[-2] == 'e' || last[-2] == 'E')) {
        last -= 2;
    } else if (last - first >= 1 && (last[-1] == 'e' || last[-1] == 'E')) {
        last -= 1;
    }
    // A sign and NUMBER_TEXT_LIMIT characters, and the terminator. The
    // program never calls setlocale, so strtod's point is '.'.
    char text[1 + NUMBER_TEXT_LIMIT + 1];
    size_t length = static_cast<size_t>(last - first);
    if (length > sizeof text - 1) length = sizeof text - 1;
    std::memcpy(text, first, length);
    text[length] = '\0';
    return std::strtod(text, nullptr);
}

void PairReader::fill() {
    size_t kept = static_cast<size_t>(end - pos);
    std::memmove(buffer, pos, kept);
    pos = buffer;
    end = buffer + kept;
    size_t room = BUFFER_SIZE - kept;
    if (room > read_size) room = read_size;
    ReadFunction read_bytes = read_fn ? read_fn : ::read;
    for (;;) {
        ssize_t got = read_bytes(fd, buffer + kept, room);
        if (got > 0) {
            end += got;
            break;
        }
        if (got < 0 && errno == EINTR) continue;
        // End of file, or a read error, which counts as the end of input.
        at_eof = true;
        break;
    }
    buffer[end - buffer] = '\0';
}

bool PairReader::skip_space() {
    for (;;) {
        // The NUL after the last byte stops this loop.
        while (is_space(static_cast<unsigned char>(*pos))) ++pos;
        if (pos < end) return true;
        if (at_eof) return false;
        fill();
    }
}

void PairReader::ensure_window() {
    while (static_cast<size_t>(end - pos) < WINDOW && !at_eof) fill();
}

namespace {

// The rare ends of a number's scan, kept out of the inlined common path: a
// number longer than the limit (which has digits, so is a number) is
// scanned again, stopping at the limit, and may then be a short decimal
// after all; any other comes here as no short decimal and takes the full
// conversion.
[[gnu::noinline]] const char* finish_number(NumberScan& s, const char* first,
                                            const char* digits, bool negative,
                                            double& v) {
    if (s.p - digits > NUMBER_TEXT_LIMIT) {
        s = scan_number<true>(digits, digits + NUMBER_TEXT_LIMIT);
        if (exact_value(s, negative, v)) return s.p;
    }
    v = number_value(first, s.p);
    return s.p;
}

// One number, written into read_pair twice: white space, then the number.
// Only near the end of the buffered bytes does it call on skip_space and
// ensure_window to refill.
[[gnu::always_inline]] inline int scan_next(PairReader& r, double& v) {
    const char* p = r.pos;
    while (is_space(static_cast<unsigned char>(*p))) ++p;  // stops at the NUL
    r.pos = p;
    if (static_cast<size_t>(r.end - p) < PairReader::WINDOW) {
        if (!r.skip_space()) return PAIR_END;
        r.ensure_window();
        p = r.pos;
    }
    const char* first = p;
    bool negative = false;
    if (*p == '+' || *p == '-') {  // p < end after skip_space
        negative = *p == '-';
        ++p;
    }
    // A number that reaches one past the limit is too long: rescanned.
    NumberScan s = scan_number<false>(p, p + NUMBER_TEXT_LIMIT + 1);
    if (s.p - p > NUMBER_TEXT_LIMIT || (s.digit_count != 0 && !exact_value(s, negative, v))) {
        s.p = finish_number(s, first, p, negative, v);
    }
    r.pos = s.p;
    if (s.digit_count == 0) {
        // The sign and point are lost; what stopped the scan stays. Since
        // the window holds the whole number, stopping at end means the
        // input ended.
        return s.p == r.end ? PAIR_END : PAIR_NONE;
    }
    return 1;
}

}  // namespace

int PairReader::next_number(double& v) { return scan_next(*this, v); }

int PairReader::read_pair(double& t, double& y) {
    double v;
    int found = scan_next(*this, v);
    if (found != 1) return found;
    t = v;
    if (scan_next(*this, v) != 1) return PAIR_TIME;
    y = v;
    return PAIR_BOTH;
}
