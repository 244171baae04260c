// Hooks through which tests and benchmarks drive the sound mixer themselves
// instead of waiting for the audio device. The game never calls these.
#pragma once

#include <cstdint>

// While set, the audio device receives silence and no buffer's cursor moves;
// the mixer advances only through TestMixFrames.
void TestSetManualMixing(bool manual);

// Runs the mixer of the open device for the given number of frames and writes
// its output (interleaved 16-bit samples at the device's format) to out, which
// holds frames * channels samples. Returns the device's channel count, or 0
// (and writes nothing) when no device is open.
int TestMixFrames(int16_t* out, int frames);

// The device's output format; false when no device is open.
bool TestGetDeviceFormat(int* rate, int* channels);
