// A mesh of a 3DS reader in the engine's conventions, shared by the model
// import and the level loader. The file is z-up with texture rows counted from
// the bottom; the engine is y-up and left-handed with rows from the top.
#pragma once

#include "math/Vector3.h"

#include <cstdint>
#include <string>
#include <vector>

class TdsLoaderBase;
class TdsMesh;

// The material of a triangle that the file gives none.
constexpr int32_t kNoImportedMaterial = -1;

struct ImportedVertex
{
    // The file's (x, y, z) as (x, z, y).
    Vector3 position;
    // Swapped like the position.
    Vector3 normal;
    // The file's (u, v) as (u, 1 - v).
    float u = 0.0f;
    float v = 0.0f;
};

struct ImportedTriangle
{
    // The file's corners (a, b, c) as (c, b, a): swapping two axes mirrors the
    // mesh, and the reversed order keeps each face towards the same side.
    uint16_t indices[3] = {0, 0, 0};
    // normalise((p1 - p0) x (p2 - p0)) over the stored corners in stored order:
    // the side the face is seen from. Zero for a degenerate face.
    Vector3 normal;
    // Index into the reader's material list, or kNoImportedMaterial for a face
    // no face-material chunk lists (or one naming a material that is missing).
    int32_t material = kNoImportedMaterial;
};

struct ImportedMesh
{
    // One per vertex of the mesh, in the mesh's order.
    std::vector<ImportedVertex> vertices;
    // The mesh's triangles in order; a triangle naming a vertex the mesh does
    // not have is left out.
    std::vector<ImportedTriangle> triangles;
    // One per material of the reader, in its order: "data\textures\" followed
    // by the file name of the material's first texture map. A material without
    // one names the folder alone, which the texture cache answers with its
    // empty texture.
    std::vector<std::string> textureNames;
};

// Converts one mesh of a loaded reader. Model::ImportFrom builds its vertex
// buffer and material groups from the result; the level loader takes each
// triangle's three vertices in stored order, its normal, and the texture
// textureNames[material] (none for kNoImportedMaterial).
ImportedMesh ImportTdsMesh(const TdsLoaderBase& reader, const TdsMesh& mesh);
