// What the 3DS reader promises after loading any bytes at all: corners inside
// the vertex arrays, arrays of equal length, a hierarchy without cycles, and
// meshes that survive the optimisation passes. The fuzz target checks it on
// every input; the test suite runs the fuzzer's seeds through it once.
#pragma once

#include <cstddef>
#include <cstdint>

// Loads the bytes with TdsReader and checks every promise; false on the first
// one broken.
bool CheckTdsInput(const uint8_t* data, size_t size);
