#include "platform/Runtime.h"

namespace
{
uint32_t g_randSeed = 1;
} // namespace

int PlatformRand()
{
    g_randSeed = g_randSeed * 214013u + 2531011u;
    return static_cast<int>((g_randSeed >> 16) & 0x7FFF);
}

void PlatformSeedRand(uint32_t seed)
{
    g_randSeed = seed;
}
