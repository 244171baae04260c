// Feeds arbitrary bytes to the 3DS reader and stops at the first input after
// which the reader breaks a promise (see TdsFuzzCheck.h).
#include "TdsFuzzCheck.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 1 << 20)
        return 0;
    if (!CheckTdsInput(data, size))
        std::abort();
    return 0;
}
