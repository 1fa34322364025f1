// The sample pair reader: buffer handling, the number grammar and the
// conversion of a number's text to a double.
#include "driver/pair_reader.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

// What the scan of one number has gathered. The first up to 19 significant
// digits are kept as an integer so that a short decimal converts with one
// exact multiplication or division; anything else goes to strtod.
struct NumberScan {
    const char* p;    // the next character to look at
    const char* lim;  // the number may not reach past here
    uint64_t mantissa = 0;
    int mantissa_digits = 0;  // significant digits held in mantissa
    bool too_long = false;    // more significant digits than mantissa holds
    int exp10 = 0;            // decimal exponent of mantissa's last digit
    bool any_digit = false;
};

constexpr int MANTISSA_DIGITS_MAX = 19;            // 10^19 - 1 fits in 64 bits
constexpr uint64_t EXACT_MANTISSA_MAX = 1ULL << 53;  // every integer up to here is a double
constexpr int EXACT_POWER_MAX = 22;                // 10^22 is the largest exact power of ten
constexpr int EXPONENT_CAP = 100000;               // far beyond any finite double

constexpr double POWERS_OF_TEN[EXACT_POWER_MAX + 1] = {
    1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
    1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22,
};

// One digit into the mantissa. Leading zeros add nothing; a fraction digit
// moves the exponent down whether or not it is significant.
inline void take_digit(NumberScan& s, unsigned d, bool fraction) {
    s.any_digit = true;
    if (s.mantissa_digits < MANTISSA_DIGITS_MAX) {
        if (s.mantissa != 0 || d != 0) {
            s.mantissa = s.mantissa * 10 + d;
            ++s.mantissa_digits;
        }
        if (fraction) --s.exp10;
    } else if (d != 0) {
        s.too_long = true;
    } else if (!fraction) {
        ++s.exp10;  // a trailing zero of the integer part scales by ten
    }
}

inline void scan_digits(NumberScan& s, bool fraction) {
    while (s.p < s.lim && is_digit(*s.p)) {
        take_digit(s, static_cast<unsigned>(*s.p - '0'), fraction);
        ++s.p;
    }
}

inline void scan_fraction(NumberScan& s) {
    if (s.p < s.lim && *s.p == '.') {
        ++s.p;
        scan_digits(s, true);
    }
}

// The exponent letter and a sign after it are consumed even when no digit
// follows; a missing exponent counts as zero.
inline void scan_exponent(NumberScan& s) {
    if (!(s.p < s.lim && (*s.p == 'e' || *s.p == 'E'))) return;
    ++s.p;
    bool negative = false;
    if (s.p < s.lim && (*s.p == '+' || *s.p == '-')) {
        negative = *s.p == '-';
        ++s.p;
    }
    int value = 0;
    while (s.p < s.lim && is_digit(*s.p)) {
        if (value < EXPONENT_CAP) value = value * 10 + (*s.p - '0');
        ++s.p;
    }
    s.exp10 += negative ? -value : value;
}

// The value of a short decimal, when one rounding gives it exactly as the
// full conversion would: both operands are exact doubles, so the product or
// quotient is the correctly rounded value. False when it cannot.
inline bool exact_value(const NumberScan& s, bool negative, double& v) {
    if (s.too_long) return false;
    double magnitude;
    if (s.mantissa == 0) {
        magnitude = 0.0;  // zero whatever the exponent
    } else if (s.mantissa > EXACT_MANTISSA_MAX || s.exp10 < -EXACT_POWER_MAX ||
               s.exp10 > EXACT_POWER_MAX) {
        return false;
    } else if (s.exp10 < 0) {
        magnitude = static_cast<double>(s.mantissa) / POWERS_OF_TEN[-s.exp10];
    } else {
        magnitude = static_cast<double>(s.mantissa) * POWERS_OF_TEN[s.exp10];
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
            return;
        }
        if (got < 0 && errno == EINTR) continue;
        // End of file, or a read error, which counts as the end of input.
        at_eof = true;
        return;
    }
}

bool PairReader::skip_space() {
    for (;;) {
        while (pos < end && is_space(static_cast<unsigned char>(*pos))) ++pos;
        if (pos < end) return true;
        if (at_eof) return false;
        fill();
    }
}

void PairReader::ensure_window() {
    while (static_cast<size_t>(end - pos) < WINDOW && !at_eof) fill();
}

int PairReader::next_number(double& v) {
    if (!skip_space()) return PAIR_END;
    ensure_window();

    const char* first = pos;
    const char* p = pos;
    bool negative = false;
    if (*p == '+' || *p == '-') {  // pos < end after skip_space
        negative = *p == '-';
        ++p;
    }
    NumberScan s;
    s.p = p;
    s.lim = end - p > NUMBER_TEXT_LIMIT ? p + NUMBER_TEXT_LIMIT : end;

    scan_digits(s, false);
    scan_fraction(s);
    if (!s.any_digit) {
        // The sign and point are lost; what stopped the scan stays. Since
        // the window holds the whole number, stopping at end means the
        // input ended.
        pos = s.p;
        return s.p == end ? PAIR_END : PAIR_NONE;
    }
    scan_exponent(s);
    pos = s.p;
    if (!exact_value(s, negative, v)) v = number_value(first, s.p);
    return 1;
}

int PairReader::read_pair(double& t, double& y) {
    double v;
    int found = next_number(v);
    if (found != 1) return found;
    t = v;
    if (next_number(v) != 1) return PAIR_TIME;
    y = v;
    return PAIR_BOTH;
}
