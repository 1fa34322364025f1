// A deliberately plain pair reader for the fuzz targets to hold the real one
// against: the whole input in memory, one character at a time, and strtod on
// the text it consumed. No buffer, no fast path, nothing clever.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <string>

struct ReferenceReader {
    static constexpr int LIMIT = 349;  // characters after a number's sign

    const unsigned char* data;
    size_t size;
    size_t pos = 0;

    ReferenceReader(const unsigned char* d, size_t n) : data(d), size(n) {}

    int peek() const { return pos < size ? data[pos] : -1; }
    static bool space(int c) {
        return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
    }
    static bool digit(int c) { return c >= '0' && c <= '9'; }

    // 1 and the value, 0 when a character stopped the scan before any digit,
    // -1 when the input ended first.
    int number(double& v) {
        while (space(peek())) ++pos;
        if (peek() < 0) return -1;
        std::string text;
        if (peek() == '+' || peek() == '-') text += static_cast<char>(data[pos++]);
        int room = LIMIT;
        bool any_digit = false;
        auto take = [&] {
            text += static_cast<char>(data[pos++]);
            --room;
        };
        while (room > 0 && digit(peek())) {
            take();
            any_digit = true;
        }
        if (room > 0 && peek() == '.') {
            take();
            while (room > 0 && digit(peek())) {
                take();
                any_digit = true;
            }
        }
        if (!any_digit) return peek() < 0 ? -1 : 0;
        if (room > 0 && (peek() == 'e' || peek() == 'E')) {
            take();
            if (room > 0 && (peek() == '+' || peek() == '-')) take();
            while (room > 0 && digit(peek())) take();
        }
        // strtod would stop before an exponent letter that has no digits.
        if (text.back() == '+' || text.back() == '-') text.pop_back();
        if (text.back() == 'e' || text.back() == 'E') text.pop_back();
        v = std::strtod(text.c_str(), nullptr);
        return 1;
    }

    int read_pair(double& t, double& y) {
        double v;
        int found = number(v);
        if (found != 1) return found;
        t = v;
        if (number(v) != 1) return 1;
        y = v;
        return 2;
    }
};
