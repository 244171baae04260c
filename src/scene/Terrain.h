// A height field from a raw 8-bit heightmap, drawn as 16 by 16 patches whose
// level of detail follows the camera's distance, with the edges toward coarser
// patches bent onto their grid so that no crack opens between them.
#pragma once

#include "core/SmartPtr.h"
#include "scene/SceneNode.h"
#include "video/Texture.h"

#include <cstdint>
#include <vector>

struct Frustum;

// One vertex of a terrain quad: position, white, the shading and colour map
// coordinates (x / width, z / depth) twice and the sample coordinates (x, z).
struct TerrainVertex
{
    float x, y, z;
    uint32_t diffuse;
    float u0, v0;
    float u1, v1;
    float u2, v2;
};
static_assert(sizeof(TerrainVertex) == 40,
              "TerrainVertex must match the 40-byte kTerrainVertexFvf vertex");

// One patch of the grid: the samples x0 <= x < x1, z0 <= z < z1 bound it, and
// its quads reach x1 and z1, which are always inside the field.
struct TerrainPatch
{
    TerrainPatch* neighbourZPlus = nullptr;
    TerrainPatch* neighbourZMinus = nullptr;
    TerrainPatch* neighbourXMinus = nullptr;
    TerrainPatch* neighbourXPlus = nullptr;
    int32_t x0 = 0, z0 = 0, x1 = 0, z1 = 0;
    // Lowest and highest sample of the bounding range; both start at 0, so the
    // box always reaches down to 0.
    float minHeight = 0.0f, maxHeight = 0.0f;
    float centreX = 0.0f, centreZ = 0.0f, centreHeight = 0.0f;
    // Sample stride of the quads: 1, 2, 4, 8, 16 or 32.
    int32_t step = 1;

    // False for a patch that covers no quad (a map too small for its row or column).
    bool HasQuads() const { return x0 < x1 && z0 < z1; }
};

class Terrain : public SceneNode
{
public:
    // No samples, no patches, no textures: draws nothing.
    Terrain();
    // Builds the node and loads the heightmap (see LoadHeightmap).
    Terrain(const char* fileName, int width, int depth);
    ~Terrain() override;

    int GetType() override { return kNodeTerrain; }
    // Draws the patches the Video's current camera sees, each at the level of
    // detail its distance to that camera gives. Nothing without a camera.
    void Render(IDirect3DDevice9* device) override;

    // Reads width * depth bytes, row after row, as the sample heights (a short
    // file leaves the rest at 0), smooths them, computes the 512 by 512
    // shading texture, takes the colour and detail maps from the cache and
    // builds the patches. -1 after "Could not open file for heightmap: <name>"
    // when the file cannot be opened or the size is not a positive one this
    // node can hold; the terrain is then empty.
    int LoadHeightmap(const char* fileName, int width, int depth);

    // The height of sample (x, z), both clamped into the field; 0 without samples.
    float Height(int x, int z) const;
    // Sets each patch's step from the distance of its centre to the eye, in
    // the node's own space: 1 under 30 units, doubling every 30 units up to 32
    // from 150 on.
    void UpdateLevelsOfDetail(const Vector3& eye);
    // Appends the four fan vertices of each quad of the patch at its step and
    // returns the number of quads.
    int BuildPatch(const TerrainPatch& patch, std::vector<TerrainVertex>& vertices) const;
    // Sets the device state and draws every patch whose box, placed by
    // worldMatrix, the world-space frustum may see, one fan per quad, at the
    // steps the patches hold. Returns the number of quads drawn.
    int DrawPatches(IDirect3DDevice9* device, const Frustum& frustum);

    // Sample heights, index z * width + x.
    std::vector<float> heights;
    int32_t width = 0;
    int32_t depth = 0;
    SmartPtr<Texture> shadingTexture;
    SmartPtr<Texture> colorMap;
    SmartPtr<Texture> detailMap;
    int32_t patchesPerSide = 0;
    // Index pz * patchesPerSide + px.
    std::vector<TerrainPatch> patches;

private:
    void Clear();
    void Smooth();
    void ComputeShading();
    void BuildPatches();
    // Heights on a coarser neighbour's grid of step c along the side at column
    // xc (rows z0..z1) or at row zc (columns x0..x1).
    float AlongZ(const TerrainPatch& patch, int xc, int zc, int c) const;
    float AlongX(const TerrainPatch& patch, int xc, int zc, int c) const;

    std::vector<TerrainVertex> scratch;
};
