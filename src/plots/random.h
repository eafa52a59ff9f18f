// The random source of the Monte-Carlo plots.
//
// A small linear congruential generator of our own, so that the same design
// gives the same picture on every machine and in every run: the state starts
// at 1 and is never seeded, and the sequence continues from plot to plot for
// as long as the owner of the state lives.
//
//   next = next * 1103515245 + 12345   (mod 2^32)
//   value = (next / 65536) mod 32768   (bits 16..30 of the state)
//
// Values are uniform in 0..32767; the first ones are 16838, 5758, 10113,
// 17515, 31051.  The arithmetic is done in exactly 32 bits, so the sequence
// does not depend on the width of `unsigned long` on the platform.
#pragma once

#include <cstdint>

namespace orvelin {

/// Largest value the random source returns.
inline constexpr int kRandomMax = 32767;

struct RandomSource {
    std::uint32_t next = 1;  ///< generator state; 1 at start, never seeded
};

/// The next value of the sequence, 0..kRandomMax.
inline int nextRandom(RandomSource& r) {
    r.next = r.next * 1103515245u + 12345u;
    return static_cast<int>((r.next / 65536u) % 32768u);
}

}  // namespace orvelin
