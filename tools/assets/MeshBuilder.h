// Builds one mesh with its materials and writes it as a 3D Studio (.3ds)
// file: the main chunk, the editor chunk with materials (colours and one
// texture map each) and one mesh object with vertices, mapping coordinates,
// a local matrix, faces, one face-material chunk per material and smoothing
// groups.
#pragma once

#include "assets/Image.h"

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace assets
{
struct Vec3
{
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};

Vec3 operator+(Vec3 a, Vec3 b);
Vec3 operator-(Vec3 a, Vec3 b);
Vec3 operator*(Vec3 a, float s);
float Dot(Vec3 a, Vec3 b);
Vec3 Cross(Vec3 a, Vec3 b);
Vec3 Normalized(Vec3 a);

// Texture coordinates of a point on a face with the given outward normal:
// u to the right, v down the picture (0 at its top edge).
struct Uv
{
    float u = 0.0f;
    float v = 0.0f;
};
using UvMap = std::function<Uv(Vec3 point, Vec3 normal)>;

// Planar mapping by the face's main axis, `unitsPerRepeat` world units per
// repeat of the texture; the picture's top points up on upright faces and it
// reads the right way round from outside. The game's space is left-handed (x
// right, y up, z ahead), so u runs along +x on a side facing -z, along -x on
// one facing +z, along +z on one facing +x and along -z on one facing -x; on
// a face looking up it runs along +x with the picture's top toward +z.
UvMap WorldUv(float unitsPerRepeat);

// Positions are given in the game's space: x right, y up, z forward (the
// front of a vehicle). The writer stores them the way a 3DS file holds them
// (z up, y forward), which the model importer swaps back, and orders each
// face's corners counter-clockwise seen from outside in the file's space.
class MeshBuilder
{
public:
    // Adds a material; names and texture file names must be at most 19
    // characters, the longest a face-material chunk and a map name keep.
    // Returns its index. Faces use the material set last.
    int AddMaterial(const std::string& name, const std::string& textureFile, Rgba diffuse);
    void UseMaterial(int material) { currentMaterial = material; }
    // A smoothing-group bit for a new flat side (cycles through the 32 bits;
    // flat sides share no vertices, so a repeated bit merges nothing).
    uint32_t NewGroup();

    uint16_t AddVertex(Vec3 p, Uv uv);
    // One face; its corners are reordered if needed so that it faces along
    // `outward`.
    void AddTriangle(uint16_t a, uint16_t b, uint16_t c, Vec3 outward, uint32_t smoothing);
    // A flat convex polygon (corners in order around it) facing away from
    // `inside`, a point within the solid it bounds; its own vertices and
    // smoothing group.
    void AddPolygon(const std::vector<Vec3>& corners, Vec3 inside, const UvMap& uv);

    // An axis-aligned box, six flat sides.
    void AddBox(Vec3 min, Vec3 max, const UvMap& uv);
    // A prism: the convex outline given as (z, y) points, swept along x from
    // x0 to x1.
    void AddPrismX(const std::vector<std::pair<float, float>>& outlineZY, float x0, float x1,
                   const UvMap& uv);
    // A solid between two convex (x, z) outlines of the same corner count,
    // the lower at height y0, the upper at y1.
    void AddLoftY(const std::vector<std::pair<float, float>>& lowerXZ, float y0,
                  const std::vector<std::pair<float, float>>& upperXZ, float y1, const UvMap& uv);
    // A round bar along z from z0 to z1 around (cx, cy): a smooth side and two
    // flat caps.
    void AddCylinderZ(float cx, float cy, float z0, float z1, float radius, int sides,
                      float unitsPerRepeat);

    size_t VertexCount() const { return vertices.size(); }
    size_t FaceCount() const { return faces.size(); }

    // The whole file for one mesh object of this name (at most 10 characters,
    // as 3D Studio names objects). Every material must be used by a face.
    std::vector<uint8_t> Write(const std::string& objectName) const;

private:
    struct Material
    {
        std::string name;
        std::string textureFile;
        Rgba diffuse;
    };
    struct Vertex
    {
        Vec3 position;
        Uv uv;
    };
    struct Face
    {
        uint16_t a, b, c;
        uint32_t smoothing;
        int material;
    };

    std::vector<Material> materials;
    std::vector<Vertex> vertices;
    std::vector<Face> faces;
    int currentMaterial = 0;
    uint32_t groupCounter = 0;
};
} // namespace assets
