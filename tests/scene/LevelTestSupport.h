// Level files built in code for the level's tests and benchmark: triangles,
// squares and boxes given in the engine's space (y up), written as a 3DS file
// holds them (z up, corners in the file's order), so that the loaded level
// holds each triangle with its corners in the order given here. And the walk
// of a loaded octree in the order the lightmaps number its triangles.
#pragma once

#include "math/Vector3.h"
#include "scene/OctreeNode.h"
#include "support/TdsSamples.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <tuple>
#include <vector>

class LevelFile
{
public:
    // A material chunk with one texture map; returns the index faces name.
    int Material(const std::string& name, const std::string& texture)
    {
        materials.push_back({name, texture});
        return static_cast<int>(materials.size()) - 1;
    }

    // A face loaded as (a, b, c), in this order, whose front is the side of
    // (b - a) x (c - a).
    // Material -1 puts the face in no face-material chunk.
    void Triangle(const Vector3& a, const Vector3& b, const Vector3& c, int material = -1)
    {
        // The loader reverses the corners (and swaps y and z back).
        faces.push_back({Vertex(c), Vertex(b), Vertex(a), material});
    }

    // The square p, p + u, p + u + v, p + v facing along u x v.
    void Quad(const Vector3& p, const Vector3& u, const Vector3& v, int material = -1)
    {
        Triangle(p, p + u, p + u + v, material);
        Triangle(p, p + u + v, p + v, material);
    }

    // An axis-aligned box with its faces outward.
    void Box(const Vector3& min, const Vector3& max, int material = -1)
    {
        const Vector3 size = max - min;
        const Vector3 dx(size.x, 0, 0), dy(0, size.y, 0), dz(0, 0, size.z);
        Quad(min, dy, dx, material);      // -z
        Quad(min + dz, dx, dy, material); // +z
        Quad(min, dz, dy, material);      // -x
        Quad(min + dx, dy, dz, material); // +x
        Quad(min, dx, dz, material);      // -y
        Quad(min + dy, dz, dx, material); // +y
    }

    size_t TriangleCount() const { return faces.size(); }

    // The whole file: the materials and one mesh. Face-material chunks follow
    // the order in which faces first name their material.
    std::vector<uint8_t> Bytes() const
    {
        std::vector<float> filePositions;
        for (const Vector3& p : positions)
            filePositions.insert(filePositions.end(), {p.x, p.z, p.y});
        std::vector<uint16_t> corners;
        tds_samples::MeshOptions options;
        for (size_t f = 0; f < faces.size(); ++f)
        {
            const Face& face = faces[f];
            corners.insert(corners.end(), {face.a, face.b, face.c});
            if (face.material < 0)
                continue;
            const std::string& name = materials[static_cast<size_t>(face.material)].name;
            auto listed =
                std::find_if(options.faceMaterials.begin(), options.faceMaterials.end(),
                             [&](const tds_samples::FaceMaterial& m) { return m.name == name; });
            if (listed == options.faceMaterials.end())
                listed = options.faceMaterials.insert(listed, {name, {}});
            listed->faces.push_back(static_cast<uint16_t>(f));
        }
        return tds_samples::EditorFile(
            [&](TdsWriter& w)
            {
                for (const MaterialEntry& material : materials)
                {
                    w.Begin(0xAFFF).StringChunk(0xA000, material.name);
                    w.Begin(0xA200).StringChunk(0xA300, material.texture).End().End();
                }
                tds_samples::WriteMesh(w, "Level", filePositions, corners, options);
            });
    }

private:
    struct MaterialEntry
    {
        std::string name;
        std::string texture;
    };
    struct Face
    {
        uint16_t a, b, c;
        int material;
    };

    // Corners at one position share one vertex.
    uint16_t Vertex(const Vector3& p)
    {
        auto inserted = shared.emplace(std::make_tuple(p.x, p.y, p.z), positions.size());
        if (inserted.second)
            positions.push_back(p);
        return inserted.first->second;
    }

    std::vector<MaterialEntry> materials;
    std::vector<Vector3> positions;
    std::vector<Face> faces;
    std::map<std::tuple<float, float, float>, uint16_t> shared;
};

struct WalkedTriangle
{
    LevelTriangle* triangle;
    OctreeNode* node;
};

// The triangles of the subtree after those of its children (children in index
// order): the n-th has lightmap number n.
inline void WalkTriangles(OctreeNode* node, std::vector<WalkedTriangle>& out)
{
    if (!node->isLeaf)
        for (const SmartPtr<OctreeNode>& child : node->children)
            WalkTriangles(child.Get(), out);
    for (LevelTriangle& triangle : node->triangles)
        out.push_back({&triangle, node});
}

inline std::vector<WalkedTriangle> WalkTriangles(OctreeNode* root)
{
    std::vector<WalkedTriangle> out;
    if (root)
        WalkTriangles(root, out);
    return out;
}
