#include "tds/TdsRecords.h"

float TdsMaterial::Clamp01(float value)
{
    // Not "value < 0": a NaN must end up as 0 too.
    if (!(value >= 0.0f))
        value = 0.0f;
    if (value > 1.0f)
        value = 1.0f;
    return value;
}
