// ByteReader: reads a file once from start to end through a 1 MiB buffer,
// so that the image readers can decode straight out of memory instead of
// fetching byte after byte from a stream.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <type_traits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

class ByteReader {
  public:
    // Unread bytes of the buffer: [next, end).
    const uint8_t* next = nullptr;
    const uint8_t* end = nullptr;
    // Set by a failed text extraction; every later extraction then fails too.
    bool failed = false;

    ByteReader() = default;
    ByteReader(const ByteReader&) = delete;
    ByteReader& operator=(const ByteReader&) = delete;
    ~ByteReader();

    // Opens the file for binary reading; false when it cannot be opened.
    bool open(const char* fileName);

    size_t available() const { return size_t(end - next); }

    // Makes at least `want` bytes available when the file still holds that
    // many (and they fit in the buffer); returns the bytes available.
    size_t request(size_t want) {
        if (available() < want) {
            refill();
        }
        return available();
    }

    // One byte, or false at the end of the file.
    bool get(uint8_t& byte) {
        if (next == end && !refill()) {
            return false;
        }
        byte = *next++;
        return true;
    }

    // The next byte without consuming it, or -1 at the end of the file.
    int peek() {
        if (next == end && !refill()) {
            return -1;
        }
        return *next;
    }

    // Consumes up to `count` bytes, fewer when the file ends first.
    void skip(size_t count);

  private:
    // Moves the unread bytes to the front and reads more behind them; false
    // when nothing is left to read.
    bool refill();

    std::FILE* file = nullptr;
    uint8_t* buffer = nullptr;
    size_t capacity = 0;
    bool exhausted = false;
};

// Reads `count` units of UNIT bytes each and hands them to
// `decode(source, unitCount, firstUnit, stride)`, which decodes unitCount
// units starting at unit number firstUnit from `source`, advancing `stride`
// bytes per unit (a compile-time constant: UNIT, or 0 to repeat one unit).
// When the file ends, each byte that can no longer be read keeps the value
// last read in the same position of a unit: `last` carries those values in
// and out (zeros before anything was read).
template <size_t UNIT, class Decode>
void readUnits(ByteReader& reader, uint8_t (&last)[UNIT], size_t count, Decode&& decode) {
    size_t done = 0;
    while (done < count) {
        size_t ready = reader.available();
        if (ready < UNIT) {
            ready = reader.request(UNIT);
            if (ready < UNIT) {
                break;
            }
        }
        const size_t units = std::min(count - done, ready / UNIT);
        decode(reader.next, units, done, std::integral_constant<size_t, UNIT>());
        reader.next += units * UNIT;
        done += units;
        std::memcpy(last, reader.next - UNIT, UNIT);
    }
    if (done == count) {
        return;
    }
    for (size_t i = 0; i < UNIT && reader.next != reader.end; ++i) {
        last[i] = *reader.next++;
    }
    decode(static_cast<const uint8_t*>(last), count - done, done,
           std::integral_constant<size_t, 0>());
}

// The float of each byte value scaled by 1/255, so that 255 is exactly 1.
struct ByteScale {
    float value[256];
    constexpr ByteScale() : value() {
        for (int i = 0; i < 256; ++i) {
            value[i] = float(i * (1.0 / 255.0));
        }
    }
};
inline constexpr ByteScale BYTE_SCALE{};

// Decodes `units` units of STEP bytes each (STEP 0: one unit repeated) into
// CHANNELS floats apiece with `decodeOne(source, out)`. The floats go to a
// large destination that is written once and not read back soon: on SSE2
// they are written with streaming stores, which do not first read the
// destination's cache lines. Call finishStreamedFloats after the last run.
template <size_t CHANNELS, size_t STEP, class DecodeOne>
inline void decodeStreamed(const uint8_t* source, size_t units, float* target,
                           DecodeOne&& decodeOne) {
#if defined(__SSE2__)
    // Units whose floats fill whole 4-float vectors.
    constexpr size_t GROUP = CHANNELS == 4 ? 1 : 4;
    constexpr size_t GROUP_FLOATS = GROUP * CHANNELS;
    static_assert(GROUP_FLOATS % 4 == 0, "a group fills whole vectors");
    for (; units > 0 && (reinterpret_cast<uintptr_t>(target) & 15u) != 0; --units) {
        decodeOne(source, target);
        source += STEP;
        target += CHANNELS;
    }
    for (; units >= GROUP; units -= GROUP) {
        float values[GROUP_FLOATS];
        for (size_t g = 0; g < GROUP; ++g) {
            decodeOne(source + g * STEP, values + g * CHANNELS);
        }
        for (size_t q = 0; q < GROUP_FLOATS; q += 4) {
            _mm_stream_ps(target + q,
                          _mm_setr_ps(values[q], values[q + 1], values[q + 2], values[q + 3]));
        }
        source += GROUP * STEP;
        target += GROUP_FLOATS;
    }
#endif
    for (; units > 0; --units) {
        decodeOne(source, target);
        source += STEP;
        target += CHANNELS;
    }
}

inline void finishStreamedFloats() {
#if defined(__SSE2__)
    _mm_sfence();
#endif
}
