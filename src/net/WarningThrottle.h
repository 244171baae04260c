// A warning that a peer can cause as often as it likes, written at most once
// a second: the occasions in between are counted, and the caller reports the
// count in one line of its own once the second is over or the peer is gone.
#pragma once

#include "platform/Win32.h"

#include <cstdint>

class WarningThrottle
{
public:
    // Milliseconds between two warnings.
    static constexpr DWORD kInterval = 1000;

    // One occasion at now (GetTickCount): true when the warning is to be
    // written now, after the caller has reported what TakeUnwarned gives;
    // false when it is counted instead.
    bool Warn(DWORD now);
    // True when occasions are counted and the second since the last warning
    // is over: the caller reports the count now.
    bool IsReportDue(DWORD now) const;
    // The occasions counted since the last report, handed over once; the
    // caller writes its count line when it is not 0.
    uint32_t TakeUnwarned();

private:
    bool warned = false;
    DWORD lastWarning = 0;
    uint32_t unwarned = 0;
};
