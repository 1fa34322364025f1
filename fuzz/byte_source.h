// Serves a fuzz input to PairReader through its read function, the way a
// slow pipe or a flaky disk would: in small chunks of a size the input
// chooses, with interrupted calls, and ending either at end of file or at a
// read error.
//
// The first two bytes of a fuzz input shape the source and are not data:
//   byte 0: the most data bytes one read call gives, 1 to 255; 0 no limit;
//   byte 1: bits 0-3, every Nth read call is interrupted (EINTR), 0 and 1
//           never (a read that is always interrupted is no file);
//           bit 4, the input ends with a read error rather than end of file;
//           bits 5 and 6 both, blanks fill the reader's buffer almost to
//           its end ahead of the data, so that the first read fills the
//           buffer to its last byte and the data meets its end.
// Leading blanks change no result, so a reference reader reads the data
// without them.
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
inline size_t lead;    // blanks served before the data
inline size_t offset;  // into the blanks and then the data
inline size_t chunk;   // most data bytes per call, 0 no limit
inline unsigned calls;
inline unsigned interrupt_every;
inline bool fail_at_end;

inline ssize_t serve(int, void* buf, size_t count) {
    ++calls;
    if (interrupt_every > 1 && calls % interrupt_every == 0) {
        errno = EINTR;
        return -1;
    }
    if (offset == lead + size) {
        if (fail_at_end) {
            errno = EIO;
            return -1;
        }
        return 0;
    }
    char* out = static_cast<char*>(buf);
    size_t blanks = offset < lead ? lead - offset : 0;
    if (blanks > count) blanks = count;
    std::memset(out, ' ', blanks);
    size_t from = offset + blanks - lead;  // where the data goes on
    size_t n = count - blanks;
    if (n > size - from) n = size - from;
    if (chunk != 0 && n > chunk) n = chunk;
    std::memcpy(out + blanks, data + from, n);
    offset += blanks + n;
    return static_cast<ssize_t>(blanks + n);
}

// Splits off the two shaping bytes, points the source at the rest and sets
// up reader afresh to read from it. False when the input is too short.
inline bool start(PairReader& reader, const uint8_t*& in, size_t& in_size) {
    if (in_size < 2) return false;
    chunk = in[0];
    interrupt_every = in[1] & 0x0f;
    fail_at_end = (in[1] & 0x10) != 0;
    lead = (in[1] & 0x60) == 0x60 ? PairReader::BUFFER_SIZE - 1 - chunk / 2 : 0;
    in += 2;
    in_size -= 2;
    data = in;
    size = in_size;
    offset = 0;
    calls = 0;
    new (&reader) PairReader;  // its pointers must point into its own buffer
    reader.read_fn = serve;
    // The reader's own cap on a read, too; but not while the blanks fill
    // the buffer in one call.
    if (chunk != 0 && lead == 0) reader.read_size = chunk;
    return true;
}

}  // namespace byte_source
