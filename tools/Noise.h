// Deterministic value noise for the generated pictures and the heightmap: the
// same numbers on every run and every machine (integer hashing, no rand()).
#pragma once

#include <cstdint>

// A hash of the three integers and the seed, spread over 0..1.
float HashUnit(int32_t x, int32_t y, int32_t z, uint32_t seed);

// Smooth 2D value noise in 0..1 with one lattice point per unit. With a
// period > 0 the lattice wraps every period units, so a picture that samples
// one period tiles without a seam.
float ValueNoise2(float x, float y, int period, uint32_t seed);

// Sum of octaves of ValueNoise2, each of double frequency and half weight,
// normalised to 0..1. The period doubles with the frequency, so a tiling base
// stays tiling.
float Fractal2(float x, float y, int octaves, int period, uint32_t seed);

// 3D value noise in 0..1 (no wrap); used on directions for the sky.
float ValueNoise3(float x, float y, float z, uint32_t seed);
float Fractal3(float x, float y, float z, int octaves, uint32_t seed);
