#include "tds/TdsMath.h"

#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace
{
TdsVector& At(TdsVector* first, size_t i, size_t stride)
{
    return *reinterpret_cast<TdsVector*>(reinterpret_cast<uint8_t*>(first) + i * stride);
}
} // namespace

void TdsNormalizeEach(TdsVector* first, size_t count, size_t stride)
{
    size_t i = 0;
#if defined(__SSE2__)
    const __m128 zero = _mm_setzero_ps();
    const __m128 one = _mm_set1_ps(1.0f);
    for (; i + 4 <= count; i += 4)
    {
        TdsVector& v0 = At(first, i, stride);
        TdsVector& v1 = At(first, i + 1, stride);
        TdsVector& v2 = At(first, i + 2, stride);
        TdsVector& v3 = At(first, i + 3, stride);
        __m128 x = _mm_setr_ps(v0.x, v1.x, v2.x, v3.x);
        __m128 y = _mm_setr_ps(v0.y, v1.y, v2.y, v3.y);
        __m128 z = _mm_setr_ps(v0.z, v1.z, v2.z, v3.z);
        // The same operations in the same order as Length and Normalize.
        __m128 length = _mm_sqrt_ps(
            _mm_add_ps(_mm_add_ps(_mm_mul_ps(x, x), _mm_mul_ps(y, y)), _mm_mul_ps(z, z)));
        __m128 inverse = _mm_div_ps(one, length);
        __m128 scale = _mm_or_ps(_mm_cmplt_ps(length, zero), _mm_cmpgt_ps(length, zero));
        x = _mm_or_ps(_mm_and_ps(scale, _mm_mul_ps(x, inverse)), _mm_andnot_ps(scale, x));
        y = _mm_or_ps(_mm_and_ps(scale, _mm_mul_ps(y, inverse)), _mm_andnot_ps(scale, y));
        z = _mm_or_ps(_mm_and_ps(scale, _mm_mul_ps(z, inverse)), _mm_andnot_ps(scale, z));
        float xs[4], ys[4], zs[4];
        _mm_storeu_ps(xs, x);
        _mm_storeu_ps(ys, y);
        _mm_storeu_ps(zs, z);
        v0 = TdsVector(xs[0], ys[0], zs[0]);
        v1 = TdsVector(xs[1], ys[1], zs[1]);
        v2 = TdsVector(xs[2], ys[2], zs[2]);
        v3 = TdsVector(xs[3], ys[3], zs[3]);
    }
#endif
    for (; i < count; ++i)
    {
        TdsVector& v = At(first, i, stride);
        v = TdsVector::Normalize(v);
    }
}

void TdsMatrix::SetIdentity()
{
    for (int k = 0; k < 16; ++k)
        m[k] = (k % 5 == 0) ? 1.0f : 0.0f;
}

TdsVertex TdsMatrix::Transform(const TdsVertex& v) const
{
    float x = v.x * m[0] + v.y * m[4] + v.z * m[8] + v.w * m[12];
    float y = v.x * m[1] + v.y * m[5] + v.z * m[9] + v.w * m[13];
    float z = v.x * m[2] + v.y * m[6] + v.z * m[10] + v.w * m[14];
    float w = v.x * m[3] + v.y * m[7] + v.z * m[11] + v.w * m[15];
    if (w != 0.0f)
    {
        float inverse = 1.0f / w;
        x *= inverse;
        y *= inverse;
        z *= inverse;
    }
    TdsVertex result;
    result.x = x;
    result.y = y;
    result.z = z;
    result.w = 1.0f;
    return result;
}
