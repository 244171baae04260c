// How a level triangle's lightmap lies on it, shared by the bake and the load
// so that both give a triangle the same size and coordinates, and the counter
// that numbers the lightmap files in the order both walk the octree.
#pragma once

#include "math/Vector3.h"

#include <cstdint>

struct LevelTriangle;

// The running lightmap file number: set to 0 before a bake or a load walks the
// octree, and raised by one for every triangle visited, so the n-th triangle
// of the walk (from 0) owns "lmap<n>.bmp".
extern int32_t LightmapCounter;

// Texels along a side of f texels' worth of length: 2048 above 2048, else the
// largest power of two strictly below f, and 1 for f <= 2 (or not a number).
int LightmapSize(float f);

// The axis plane a lightmap is projected on, by the normal's largest
// component: 0 for x (u along z, v along y), 1 for y (u along x, v along z), 2
// for z (u along x, v along y). Ties go to y, then to x.
int LightmapPlane(const Vector3& normal);

struct LightmapLayout
{
    int plane = 1;
    // The triangle's box.
    Vector3 min;
    Vector3 max;
    // Sixteen texels per unit of the box along u and v, rounded down to a
    // power of two by LightmapSize.
    int width = 1;
    int height = 1;

    // The point's coordinate along the plane's u or v axis.
    float U(const Vector3& p) const;
    float V(const Vector3& p) const;
    // Lightmap coordinates of a corner of the triangle.
    void Coordinates(const Vector3& p, float& lu, float& lv) const;
    // The point of the plane dot(p, normal) = d whose coordinates along u and
    // v are the ones given.
    Vector3 PointAt(float u, float v, float d, const Vector3& normal) const;
};

// The layout of the triangle's lightmap; false for a triangle without area
// (a zero normal), which gets no lightmap.
bool LayOutLightmap(const LevelTriangle& triangle, LightmapLayout& layout);

// Softens the ARGB texels of a width by height lightmap (rows one after the
// other) in place: each texel at least two away from every edge becomes the
// 4 by 4 weighted sum of the texels from two before it to one after it on
// each axis, divided by 9, read from the unblurred picture. The two outermost
// rows and columns keep their values, so a map of 4 or fewer texels a side
// does not change.
void BlurLightmap(uint32_t* texels, int width, int height);
