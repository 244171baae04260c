// A 32-bit float's bit pattern and back: for the device's float-valued render
// states, network messages and sign tests on floats.
#pragma once

#include <cstdint>
#include <cstring>

inline uint32_t FloatBits(float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

inline float BitsFloat(uint32_t bits)
{
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}
