#include "net/WarningThrottle.h"

bool WarningThrottle::Warn(DWORD now)
{
    if (warned && now - lastWarning < kInterval)
    {
        ++unwarned;
        return false;
    }
    warned = true;
    lastWarning = now;
    return true;
}

bool WarningThrottle::IsReportDue(DWORD now) const
{
    return unwarned > 0 && now - lastWarning >= kInterval;
}

uint32_t WarningThrottle::TakeUnwarned()
{
    const uint32_t count = unwarned;
    unwarned = 0;
    return count;
}
