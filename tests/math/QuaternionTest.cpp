#include "math/Quaternion.h"
#include "math/Color3.h"
#include "math/D3DXMath.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
void ExpectQuaternion(const Quaternion& q, float x, float y, float z, float w)
{
    EXPECT_NEAR(q.x, x, 1e-6f);
    EXPECT_NEAR(q.y, y, 1e-6f);
    EXPECT_NEAR(q.z, z, 1e-6f);
    EXPECT_NEAR(q.w, w, 1e-6f);
}
} // namespace

TEST(QuaternionTest, ProductIsTheEnginesOwnNotHamiltons)
{
    // Hamilton would give (24, 48, 48, -6).
    ExpectQuaternion(Quaternion(1, 2, 3, 4) * Quaternion(5, 6, 7, 8), 24, 18, 48, -60);
    ExpectQuaternion(Quaternion(5, 6, 7, 8) * Quaternion(1, 2, 3, 4), 32, 18, 56, -60);
    ExpectQuaternion(Quaternion() * Quaternion(), 0, 0, 0, -1);
    Quaternion q(1, 2, 3, 4);
    q *= Quaternion(5, 6, 7, 8);
    ExpectQuaternion(q, 24, 18, 48, -60);
}

TEST(QuaternionTest, CameraProductTurnsByTheNegatedAnglesInOrder)
{
    // A pitch quaternion times a yaw quaternion, as the cameras build it, is
    // the rotation about X by -a, then about Y by -b.
    float a = 0.6f, b = 1.0f;
    Quaternion pitch = Quaternion::FromAxisAngle(Vector3(1, 0, 0), a);
    Quaternion yaw = Quaternion::FromAxisAngle(Vector3(0, 1, 0), b);
    Matrix rx, ry;
    D3DXMatrixRotationX(&rx, -a);
    D3DXMatrixRotationY(&ry, -b);
    Matrix expected = rx * ry;
    Matrix actual = (pitch * yaw).ToMatrix();
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(actual.m[i], expected.m[i], 1e-5f) << "element " << i;
    // The other operand order is a different rotation.
    Matrix swapped = (yaw * pitch).ToMatrix();
    EXPECT_GT(std::abs(swapped.m[2] - expected.m[2]), 0.1f);
}

TEST(QuaternionTest, AxisAngleConjugateInverseAndMatrix)
{
    Quaternion half = Quaternion::FromAxisAngle(Vector3(0, 0, 2), 3.14159265f);
    ExpectQuaternion(half, 0, 0, 2, std::cos(3.14159265f / 2)); // axis not normalised
    ExpectQuaternion(Quaternion(1, 2, 3, 4).Conjugate(), -1, -2, -3, 4);
    ExpectQuaternion(Quaternion(0, 0, 2, 0).Inverse(), 0, 0, -0.5f, 0);
    ExpectQuaternion(Quaternion(1, 2, 3, 4) / Quaternion(5, 6, 7, 8), 0, 0, 0, 1);
    EXPECT_EQ(Quaternion(1, 2, 3, 4).NormSq(), 30.0f);

    Matrix identity;
    Matrix fromIdentity = Quaternion().ToMatrix();
    Matrix fromNegated = Quaternion(0, 0, 0, -1).ToMatrix();
    for (int i = 0; i < 16; ++i)
    {
        EXPECT_EQ(fromIdentity.m[i], identity.m[i]);
        EXPECT_EQ(fromNegated.m[i], identity.m[i]);
    }
}

TEST(ColorTest, PackingQuantisesByTruncationAndSaturates)
{
    EXPECT_EQ(Color3(1, 1, 1).ToARGB(), 0xFFFFFFFFu);
    EXPECT_EQ(Color3(1.5f, -0.2f, 0.5f).ToARGB(), 0xFFFF007Fu);
    EXPECT_EQ(Color3(1, 0.5f, 0).ToRGBA(), 0x007FFFFFu);
    EXPECT_EQ(Color3(1, 1, 1).ToRGB565(), 0xFFFF);
    EXPECT_EQ(Color3(1, 0, 0).ToRGB565(), 0xF800);
    EXPECT_EQ(Color3(1, 0, 0).ToBGR565(), 0x001F);
    EXPECT_EQ(Color3(0, 0.5f, 0).ToRGB565(), 32 << 5);
    EXPECT_EQ(Color3(1e30f, -1e30f, 0).ToARGB(), 0xFFFF0000u);

    Color3 c = Color3::FromARGB(0x00FF8000);
    EXPECT_EQ(c.r, 1.0f);
    EXPECT_EQ(c.g, 128.0f / 255.0f);
    EXPECT_EQ(c.b, 0.0f);
    EXPECT_EQ(Color3::FromARGB(0x12345678).ToARGB(), 0xFF345678u);
}
