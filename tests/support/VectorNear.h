// Vectors compared within a tolerance, each component on its own.
#pragma once

#include "math/Vector3.h"

#include <gtest/gtest.h>

#include <cmath>

inline ::testing::AssertionResult VectorNear(const Vector3& actual, const Vector3& expected,
                                             float tolerance = 1e-4f)
{
    if (std::fabs(actual.x - expected.x) <= tolerance &&
        std::fabs(actual.y - expected.y) <= tolerance &&
        std::fabs(actual.z - expected.z) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "(" << actual.x << ", " << actual.y << ", " << actual.z << ") is not within "
           << tolerance << " of (" << expected.x << ", " << expected.y << ", " << expected.z << ")";
}
