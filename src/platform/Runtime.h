// The C runtime services whose behaviour the game depends on and glibc does not
// match: a 15-bit pseudo-random generator.
#pragma once

#include <cstdint>

// The largest value PlatformRand returns.
const int kPlatformRandMax = 32767;

// Next value of the program's random sequence, 0..32767 inclusive: a linear
// congruential generator (seed * 214013 + 2531011, bits 16..30 of the new seed)
// seeded with 1, so every run draws the same sequence. Not thread-safe; the game
// draws on its one thread.
int PlatformRand();
// Restarts the sequence from the given seed. The game never calls it; tests do.
void PlatformSeedRand(uint32_t seed);
