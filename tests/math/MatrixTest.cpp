#include "math/Matrix.h"
#include "math/D3DXMath.h"
#include "math/Quaternion.h"
#include "math/Vector3.h"
#include "support/VectorNear.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
struct Clip
{
    float x, y, z, w;
};

// [p 1] * M with the fourth column, as the pipeline transforms a vertex.
Clip ToClip(const Vector3& p, const Matrix& m)
{
    const float* e = m.m;
    return Clip{p.x * e[0] + p.y * e[4] + p.z * e[8] + e[12],
                p.x * e[1] + p.y * e[5] + p.z * e[9] + e[13],
                p.x * e[2] + p.y * e[6] + p.z * e[10] + e[14],
                p.x * e[3] + p.y * e[7] + p.z * e[11] + e[15]};
}

void ExpectNear(const Matrix& a, const Matrix& b, float tolerance = 1e-5f)
{
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(a.m[i], b.m[i], tolerance) << "element " << i;
}
} // namespace

TEST(MatrixTest, LookAtAndPerspectivePlacePointsAsTheLeftHandedPipelineDoes)
{
    // Camera at z = -5 looking at the origin, up +y; 90 degree field, square.
    Vector3 eye(0, 0, -5), at(0, 0, 0), up(0, 1, 0);
    Matrix view, projection;
    EXPECT_EQ(D3DXMatrixLookAtLH(&view, &eye, &at, &up), &view);
    D3DXMatrixPerspectiveFovLH(&projection, 3.14159265f / 2, 1.0f, 1.0f, 100.0f);
    Matrix viewProjection = view * projection;

    // +x is to the right and +y up on the screen; depth grows into the screen.
    Clip right = ToClip(Vector3(1, 0, 0), viewProjection);
    EXPECT_NEAR(right.w, 5.0f, 1e-5f);
    EXPECT_NEAR(right.x / right.w, 0.2f, 1e-5f);
    EXPECT_NEAR(right.y / right.w, 0.0f, 1e-5f);
    EXPECT_NEAR(right.z / right.w, (5.0f * 100 - 100) / 99 / 5, 1e-5f);
    Clip top = ToClip(Vector3(0, 2, 0), viewProjection);
    EXPECT_NEAR(top.y / top.w, 0.4f, 1e-5f);

    // The near plane maps to depth 0 and the far plane to 1.
    Clip nearPoint = ToClip(Vector3(0, 0, -4), viewProjection);
    EXPECT_NEAR(nearPoint.z / nearPoint.w, 0.0f, 1e-5f);
    Clip farPoint = ToClip(Vector3(0, 0, 95), viewProjection);
    EXPECT_NEAR(farPoint.z / farPoint.w, 1.0f, 1e-5f);

    // Aspect 4:3 narrows x only.
    D3DXMatrixPerspectiveFovLH(&projection, 3.14159265f / 2, 4.0f / 3.0f, 1.0f, 100.0f);
    Clip wide = ToClip(Vector3(1, 1, 0), view * projection);
    EXPECT_NEAR(wide.x / wide.w, 0.15f, 1e-5f);
    EXPECT_NEAR(wide.y / wide.w, 0.2f, 1e-5f);
}

TEST(MatrixTest, LookAtAlongXPutsMinusZOnTheRight)
{
    Vector3 eye(10, 2, 3), at(11, 2, 3), up(0, 1, 0);
    Matrix view;
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    EXPECT_EQ(Vector3(10, 2, 3).TransformCoord(view), Vector3(0, 0, 0));
    EXPECT_EQ(Vector3(15, 2, 2).TransformCoord(view), Vector3(1, 0, 5));
    EXPECT_EQ(Vector3(15, 4, 3).TransformCoord(view), Vector3(0, 2, 5));
}

TEST(MatrixTest, ProductsApplyTheLeftOperandFirst)
{
    Matrix scale, move, turn;
    D3DXMatrixScaling(&scale, 2, 3, 4);
    D3DXMatrixTranslation(&move, 1, 0, 0);
    D3DXMatrixRotationY(&turn, 3.14159265f / 2);

    EXPECT_EQ(Vector3(1, 1, 1).TransformCoord(scale * move), Vector3(3, 3, 4));
    EXPECT_EQ(Vector3(1, 1, 1).TransformCoord(move * scale), Vector3(4, 3, 4));
    // Turning +x a quarter about y gives -z (clockwise seen from above).
    EXPECT_EQ(Vector3(1, 0, 0).TransformCoord(turn), Vector3(0, 0, -1));
    EXPECT_EQ(Vector3(1, 0, 0).TransformCoord(turn * move), Vector3(1, 0, -1));
    EXPECT_EQ(Vector3(1, 0, 0).TransformCoord(move * turn), Vector3(0, 0, -2));

    // The D3DX product agrees and may write into an operand.
    Matrix product = scale;
    D3DXMatrixMultiply(&product, &product, &move);
    ExpectNear(product, scale * move);
    Matrix compound = scale;
    compound *= move;
    ExpectNear(compound, scale * move);
}

TEST(MatrixTest, RotationsTranslationAndTransforms)
{
    Matrix x, z;
    D3DXMatrixRotationX(&x, 3.14159265f / 2);
    D3DXMatrixRotationZ(&z, 3.14159265f / 2);
    EXPECT_EQ(Vector3(0, 1, 0).TransformNormal(x), Vector3(0, 0, 1));
    EXPECT_EQ(Vector3(1, 0, 0).TransformNormal(z), Vector3(0, 1, 0));

    Matrix move;
    D3DXMatrixTranslation(&move, 7, 8, 9);
    EXPECT_EQ(move.GetTranslation(), Vector3(7, 8, 9));
    EXPECT_EQ(Vector3().TransformCoord(move), Vector3(7, 8, 9));
    EXPECT_EQ(Vector3(1, 2, 3).TransformNormal(move), Vector3(1, 2, 3));
    Vector3 p(1, 1, 1);
    p.TransformCoordInPlace(move);
    EXPECT_EQ(p, Vector3(8, 9, 10));

    // Turned about x (cos 0.6, sin 0.8), then about y (cos 0.8, sin 0.6),
    // then moved: every coordinate feeds every other. The rows of the turn,
    // worked by hand, are (0.8, 0, -0.6), (0.48, 0.6, 0.64) and
    // (0.36, -0.8, 0.48), so (1, 2, 3) goes to
    // (0.8 + 0.96 + 1.08, 1.2 - 2.4, -0.6 + 1.28 + 1.44) + (10, 20, 30).
    Matrix tilt, swing, mixed;
    D3DXMatrixRotationX(&tilt, std::atan2(0.8f, 0.6f));
    D3DXMatrixRotationY(&swing, std::atan2(0.6f, 0.8f));
    D3DXMatrixTranslation(&move, 10, 20, 30);
    mixed = tilt * swing * move;
    EXPECT_TRUE(VectorNear(Vector3(1, 2, 3).TransformCoord(mixed), Vector3(12.84f, 18.8f, 32.12f)));

    Matrix q;
    Quaternion turn = Quaternion::FromAxisAngle(Vector3(0, 1, 0), 0.7f);
    Matrix y;
    D3DXMatrixRotationY(&y, 0.7f);
    ExpectNear(*D3DXMatrixRotationQuaternion(&q, &turn), y);
}

TEST(MatrixTest, InverseUndoesTheMatrixAndRefusesSingularOnes)
{
    Matrix scale, turn, move;
    D3DXMatrixScaling(&scale, 2, 0.5f, 4);
    D3DXMatrixRotationX(&turn, 0.3f);
    D3DXMatrixTranslation(&move, 3, -2, 5);
    Matrix m = scale * turn * move;
    m.m[3] = 0.25f; // not affine: exercise the full 4x4 inverse
    Matrix inverse;
    float determinant = 0;
    ASSERT_EQ(D3DXMatrixInverse(&inverse, &determinant, &m), &inverse);
    EXPECT_NE(determinant, 0.0f);
    ExpectNear(m * inverse, Matrix());
    ExpectNear(inverse * m, Matrix());

    Matrix flat;
    D3DXMatrixScaling(&flat, 1, 0, 1);
    Matrix untouched = move;
    EXPECT_EQ(D3DXMatrixInverse(&untouched, nullptr, &flat), nullptr);
    ExpectNear(untouched, move);
}

TEST(VectorTest, NormalisationLengthAndTolerantEquality)
{
    Vector3 zero;
    EXPECT_EQ(zero.InverseLength(), 1.0f);
    zero.Normalize();
    EXPECT_EQ(zero.x, 0.0f);
    EXPECT_EQ(zero.y, 0.0f);
    EXPECT_EQ(zero.z, 0.0f);

    Vector3 v(3, 0, 4);
    EXPECT_EQ(v.Length(), 5.0f);
    v.Normalize();
    EXPECT_EQ(v, Vector3(0.6f, 0, 0.8f));

    EXPECT_TRUE(Vector3(1, 2, 3) == Vector3(1.000005f, 2, 3));
    EXPECT_FALSE(Vector3(1, 2, 3) == Vector3(1.0001f, 2, 3));
    EXPECT_EQ(Vector3(1, 0, 0).Cross(Vector3(0, 1, 0)), Vector3(0, 0, 1));
    EXPECT_EQ(Vector3(2, 4, 6) / 2.0f, Vector3(1, 2, 3));
    EXPECT_EQ(Vector3(1, 2, 3) + 1.0f, Vector3(2, 3, 4));
}
