// Serves a fuzz input to PairReader through its read function, the way a
// slow pipe or a flaky disk would: in small chunks of a size the input
// chooses, with interrupted calls, and ending either at end of file or at a
// read error.
//
// The first two bytes of a fuzz input shape the source and are not data:
//   byte 0: read_size, 1 to 255; 0 leaves the reader's full buffer size;
//   byte 1: bits 0-3, every Nth read call is interrupted (EINTR), 0 and 1
//           never (a read that is always interrupted is no file);
//           bit 4, the input ends with a read error rather than end of file.
#pragma once

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>

#include "driver/pair_reader.h"

namespace byte_source {

inline const uint8_t* data;
inline size_t size;
inline size_t offset;
inline unsigned calls;
inline unsigned interrupt_every;
inline bool fail_at_end;

inline ssize_t serve(int, void* buf, size_t count) {
    ++calls;
    if (interrupt_every > 1 && calls % interrupt_every == 0) {
        errno = EINTR;
        return -1;
    }
    if (offset == size) {
        if (fail_at_end) {
            errno = EIO;
            return -1;
        }
        return 0;
    }
    size_t n = size - offset < count ? size - offset : count;
    std::memcpy(buf, data + offset, n);
    offset += n;
    return static_cast<ssize_t>(n);
}

// Splits off the two shaping bytes, points the source at the rest and sets
// up reader afresh to read from it. False when the input is too short.
inline bool start(PairReader& reader, const uint8_t*& in, size_t& in_size) {
    if (in_size < 2) return false;
    unsigned chunk = in[0];
    interrupt_every = in[1] & 0x0f;
    fail_at_end = (in[1] & 0x10) != 0;
    in += 2;
    in_size -= 2;
    data = in;
    size = in_size;
    offset = 0;
    calls = 0;
    new (&reader) PairReader;  // its pointers must point into its own buffer
    reader.read_fn = serve;
    if (chunk != 0) reader.read_size = chunk;
    return true;
}

}  // namespace byte_source
