// The bounding box of a mesh read by the 3DS reader, in the game's space: the
// file is z up and the importer swaps y and z.
#pragma once

#include "math/Vector3.h"
#include "tds/TdsReader.h"

#include <algorithm>

struct Box
{
    Vector3 min{1e9f, 1e9f, 1e9f};
    Vector3 max{-1e9f, -1e9f, -1e9f};
};

inline Box GameBox(const TdsMesh& mesh)
{
    Box box;
    for (uint32_t i = 0; i < mesh.GetVertexCount(); ++i)
    {
        const TdsVertex& v = mesh.GetVertex(i);
        box.min =
            Vector3(std::min(box.min.x, v.x), std::min(box.min.y, v.z), std::min(box.min.z, v.y));
        box.max =
            Vector3(std::max(box.max.x, v.x), std::max(box.max.y, v.z), std::max(box.max.z, v.y));
    }
    return box;
}
