#include "math/D3DXMath.h"

#include <cmath>

Matrix* D3DXMatrixMultiply(Matrix* out, const Matrix* a, const Matrix* b)
{
    *out = *a * *b;
    return out;
}

Matrix* D3DXMatrixInverse(Matrix* out, float* determinant, const Matrix* m)
{
    // Laplace expansion by 2x2 minors of the top two and bottom two rows,
    // in double so that bind-pose inverses keep their precision.
    double a[4][4];
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            a[r][c] = (*m)(r, c);

    double s0 = a[0][0] * a[1][1] - a[1][0] * a[0][1];
    double s1 = a[0][0] * a[1][2] - a[1][0] * a[0][2];
    double s2 = a[0][0] * a[1][3] - a[1][0] * a[0][3];
    double s3 = a[0][1] * a[1][2] - a[1][1] * a[0][2];
    double s4 = a[0][1] * a[1][3] - a[1][1] * a[0][3];
    double s5 = a[0][2] * a[1][3] - a[1][2] * a[0][3];
    double c5 = a[2][2] * a[3][3] - a[3][2] * a[2][3];
    double c4 = a[2][1] * a[3][3] - a[3][1] * a[2][3];
    double c3 = a[2][1] * a[3][2] - a[3][1] * a[2][2];
    double c2 = a[2][0] * a[3][3] - a[3][0] * a[2][3];
    double c1 = a[2][0] * a[3][2] - a[3][0] * a[2][2];
    double c0 = a[2][0] * a[3][1] - a[3][0] * a[2][1];

    double det = s0 * c5 - s1 * c4 + s2 * c3 + s3 * c2 - s4 * c1 + s5 * c0;
    if (determinant)
        *determinant = static_cast<float>(det);
    if (det == 0.0 || !std::isfinite(det))
        return nullptr;
    double k = 1.0 / det;

    double b[16] = {
        (a[1][1] * c5 - a[1][2] * c4 + a[1][3] * c3) * k,
        (-a[0][1] * c5 + a[0][2] * c4 - a[0][3] * c3) * k,
        (a[3][1] * s5 - a[3][2] * s4 + a[3][3] * s3) * k,
        (-a[2][1] * s5 + a[2][2] * s4 - a[2][3] * s3) * k,

        (-a[1][0] * c5 + a[1][2] * c2 - a[1][3] * c1) * k,
        (a[0][0] * c5 - a[0][2] * c2 + a[0][3] * c1) * k,
        (-a[3][0] * s5 + a[3][2] * s2 - a[3][3] * s1) * k,
        (a[2][0] * s5 - a[2][2] * s2 + a[2][3] * s1) * k,

        (a[1][0] * c4 - a[1][1] * c2 + a[1][3] * c0) * k,
        (-a[0][0] * c4 + a[0][1] * c2 - a[0][3] * c0) * k,
        (a[3][0] * s4 - a[3][1] * s2 + a[3][3] * s0) * k,
        (-a[2][0] * s4 + a[2][1] * s2 - a[2][3] * s0) * k,

        (-a[1][0] * c3 + a[1][1] * c1 - a[1][2] * c0) * k,
        (a[0][0] * c3 - a[0][1] * c1 + a[0][2] * c0) * k,
        (-a[3][0] * s3 + a[3][1] * s1 - a[3][2] * s0) * k,
        (a[2][0] * s3 - a[2][1] * s1 + a[2][2] * s0) * k,
    };
    for (int i = 0; i < 16; ++i)
        out->m[i] = static_cast<float>(b[i]);
    return out;
}

Matrix* D3DXMatrixRotationX(Matrix* out, float angle)
{
    float c = std::cos(angle);
    float s = std::sin(angle);
    *out = Matrix(1, 0, 0, 0, 0, c, s, 0, 0, -s, c, 0, 0, 0, 0, 1);
    return out;
}

Matrix* D3DXMatrixRotationY(Matrix* out, float angle)
{
    float c = std::cos(angle);
    float s = std::sin(angle);
    *out = Matrix(c, 0, -s, 0, 0, 1, 0, 0, s, 0, c, 0, 0, 0, 0, 1);
    return out;
}

Matrix* D3DXMatrixRotationZ(Matrix* out, float angle)
{
    float c = std::cos(angle);
    float s = std::sin(angle);
    *out = Matrix(c, s, 0, 0, -s, c, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
    return out;
}

Matrix* D3DXMatrixRotationQuaternion(Matrix* out, const Quaternion* q)
{
    *out = q->ToMatrix();
    return out;
}

Matrix* D3DXMatrixScaling(Matrix* out, float sx, float sy, float sz)
{
    *out = Matrix(sx, 0, 0, 0, 0, sy, 0, 0, 0, 0, sz, 0, 0, 0, 0, 1);
    return out;
}

Matrix* D3DXMatrixTranslation(Matrix* out, float x, float y, float z)
{
    *out = Matrix(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1);
    return out;
}

Matrix* D3DXMatrixLookAtLH(Matrix* out, const Vector3* eye, const Vector3* at, const Vector3* up)
{
    Vector3 zAxis = *at - *eye;
    zAxis.Normalize();
    Vector3 xAxis = up->Cross(zAxis);
    xAxis.Normalize();
    Vector3 yAxis = zAxis.Cross(xAxis);
    *out = Matrix(xAxis.x, yAxis.x, zAxis.x, 0, xAxis.y, yAxis.y, zAxis.y, 0, xAxis.z, yAxis.z,
                  zAxis.z, 0, -xAxis.Dot(*eye), -yAxis.Dot(*eye), -zAxis.Dot(*eye), 1);
    return out;
}

Matrix* D3DXMatrixPerspectiveFovLH(Matrix* out, float fovY, float aspect, float zn, float zf)
{
    float yScale = 1.0f / std::tan(fovY / 2.0f);
    float xScale = yScale / aspect;
    float depth = zf / (zf - zn);
    *out = Matrix(xScale, 0, 0, 0, 0, yScale, 0, 0, 0, 0, depth, 1, 0, 0, -zn * depth, 0);
    return out;
}
