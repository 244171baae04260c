// Small 3DS files built in code: each material variant, meshes with and
// without smoothing and mapping, lights, cameras and a keyframer tree. Shared
// by the reader's tests, the benchmark and the fuzzer's seed corpus.
#pragma once

#include "support/TdsWriter.h"
#include "tds/TdsReader.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace tds_samples
{
struct FaceMaterial
{
    std::string name;
    std::vector<uint16_t> faces;
};

struct MeshOptions
{
    // One mask per face; empty writes no smoothing chunk.
    std::vector<uint32_t> smoothing;
    bool mapping = true;
    // Four rows of three floats; empty writes no matrix chunk.
    std::vector<float> matrix;
    std::vector<FaceMaterial> faceMaterials;
};

struct Cube
{
    std::vector<float> positions; // x, y, z per vertex
    std::vector<uint16_t> faces;  // a, b, c per face
};

// A unit cube of 8 vertices and 12 outward-facing triangles; faces 2k and
// 2k + 1 form side k (sides -x, +x, -y, +y, -z, +z).
inline Cube MakeCube()
{
    Cube cube;
    for (int i = 0; i < 8; ++i)
    {
        cube.positions.push_back(static_cast<float>(i & 1));
        cube.positions.push_back(static_cast<float>((i >> 1) & 1));
        cube.positions.push_back(static_cast<float>((i >> 2) & 1));
    }
    for (int axis = 0; axis < 3; ++axis)
    {
        for (int side = 0; side < 2; ++side)
        {
            int p = (axis + 1) % 3;
            int q = (axis + 2) % 3;
            auto corner = [&](int bp, int bq)
            { return static_cast<uint16_t>((side << axis) | (bp << p) | (bq << q)); };
            uint16_t c[4] = {corner(0, 0), corner(1, 0), corner(1, 1), corner(0, 1)};
            uint16_t tris[2][3] = {{c[0], c[1], c[2]}, {c[0], c[2], c[3]}};
            for (auto& t : tris)
            {
                // The reader's face normal is (C - B) x (A - B); make it point outward.
                auto at = [&](uint16_t v, int k) { return cube.positions[v * 3 + k]; };
                float e1[3], e2[3];
                for (int k = 0; k < 3; ++k)
                {
                    e1[k] = at(t[2], k) - at(t[1], k);
                    e2[k] = at(t[0], k) - at(t[1], k);
                }
                float n[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2],
                              e1[0] * e2[1] - e1[1] * e2[0]};
                if ((n[axis] > 0) != (side == 1))
                    std::swap(t[1], t[2]);
                cube.faces.insert(cube.faces.end(), {t[0], t[1], t[2]});
            }
        }
    }
    return cube;
}

// An object chunk holding a mesh of the given vertices and faces.
inline void WriteMesh(TdsWriter& w, const std::string& name, const std::vector<float>& positions,
                      const std::vector<uint16_t>& faces, const MeshOptions& options)
{
    uint16_t vertexCount = static_cast<uint16_t>(positions.size() / 3);
    uint16_t faceCount = static_cast<uint16_t>(faces.size() / 3);
    w.Begin(0x4000).String(name);
    w.Begin(0x4100);
    w.Begin(0x4110).U16(vertexCount);
    for (float v : positions)
        w.Float(v);
    w.End();
    if (options.mapping)
    {
        w.Begin(0x4140).U16(vertexCount);
        for (uint16_t i = 0; i < vertexCount; ++i)
            w.Float(positions[i * 3] + 0.5f * positions[i * 3 + 2])
                .Float(positions[i * 3 + 1] + 0.25f * positions[i * 3 + 2]);
        w.End();
    }
    if (!options.matrix.empty())
    {
        w.Begin(0x4160);
        for (float v : options.matrix)
            w.Float(v);
        w.End();
    }
    w.Begin(0x4120).U16(faceCount);
    for (uint16_t f = 0; f < faceCount; ++f)
        w.U16(faces[f * 3]).U16(faces[f * 3 + 1]).U16(faces[f * 3 + 2]).U16(7);
    for (const FaceMaterial& material : options.faceMaterials)
    {
        w.Begin(0x4130).String(material.name).U16(static_cast<uint16_t>(material.faces.size()));
        for (uint16_t face : material.faces)
            w.U16(face);
        w.End();
    }
    if (!options.smoothing.empty())
    {
        w.Begin(0x4150);
        for (uint32_t mask : options.smoothing)
            w.U32(mask);
        w.End();
    }
    w.End(); // faces
    w.End(); // mesh
    w.End(); // object
}

inline void WriteCube(TdsWriter& w, const std::string& name, const MeshOptions& options)
{
    Cube cube = MakeCube();
    WriteMesh(w, name, cube.positions, cube.faces, options);
}

// The reader over the bytes of a whole file; false when it refuses them.
inline bool Load(TdsReader& reader, const std::vector<uint8_t>& bytes)
{
    return reader.LoadMemory(bytes.data(), static_cast<uint32_t>(bytes.size()));
}

// A file of one editor chunk whose body the caller writes.
template <typename Body> std::vector<uint8_t> EditorFile(Body body)
{
    TdsWriter w;
    w.Begin(0x4D4D).Begin(0x3D3D);
    body(w);
    w.End().End();
    return w.Bytes();
}

// Every material variant: colours as bytes and floats, percentages as
// integer and float, each map kind, flat shading, the reflection map forms.
inline void WriteMaterials(TdsWriter& w)
{
    w.Begin(0xAFFF);
    w.StringChunk(0xA000, "Painted");
    w.Begin(0xA010).ColorBytes(255, 0, 51).End();
    w.Begin(0xA020).ColorFloat(0.1f, 0.2f, 0.3f).End();
    w.Begin(0xA030).Begin(0x0013).Floats({0.5f, 0.6f, 0.7f}).End().End();
    w.Begin(0xA040).PercentShort(45).End();
    w.Begin(0xA050).PercentFloat(0.45f).End();
    w.Begin(0xA100).I16(3).End();
    w.Begin(0xA200)
        .PercentShort(50)
        .StringChunk(0xA300, "tank.png")
        .FloatChunk(0xA354, 2.0f)
        .FloatChunk(0xA356, 3.0f)
        .FloatChunk(0xA358, 0.25f)
        .FloatChunk(0xA35A, 0.5f)
        .FloatChunk(0xA35C, 45.0f)
        .End();
    w.Begin(0xA33A).PercentShort(20).StringChunk(0xA300, "second.png").End();
    w.Begin(0xA210).StringChunk(0xA300, "opacity.png").End();
    w.Begin(0xA230).StringChunk(0xA300, "bump.png").End();
    w.Begin(0xA204).StringChunk(0xA300, "specular.png").End();
    w.Begin(0xA220).PercentShort(30).StringChunk(0xA300, "").End();
    w.End();

    w.Begin(0xAFFF);
    w.StringChunk(0xA000, "Shiny");
    w.Begin(0xA040).PercentFloat(45.0f).End();
    w.Begin(0xA085).End();
    w.Begin(0xA100).I16(9).End();
    w.Begin(0xA220).PercentShort(60).StringChunk(0xA300, "sky.png").End();
    w.End();

    // The reflection map's second child is not its name.
    w.Begin(0xAFFF);
    w.StringChunk(0xA000, "OddReflection");
    w.Begin(0xA020).ColorBytes(0, 255, 0).End();
    w.Begin(0xA220).PercentShort(10).FloatChunk(0xA354, 4.0f).End();
    w.Begin(0xA200).StringChunk(0xA300, "kept.png").End();
    w.End();
}

// Materials, two meshes with face materials, a light, a spotlight, two
// cameras, an object of another kind and a keyframer tree.
inline std::vector<uint8_t> SceneFile()
{
    TdsWriter w;
    w.Begin(0x4D4D).Begin(0x3D3D);
    WriteMaterials(w);
    MeshOptions body;
    body.matrix = {1, 0, 0, 0, 1, 0, 0, 0, 1, 5, 6, 7};
    body.faceMaterials = {{"Painted", {0, 1, 2, 3}}, {"Shiny", {4, 5}}};
    body.smoothing = std::vector<uint32_t>(12, 1);
    WriteCube(w, "Body", body);
    MeshOptions turret;
    turret.mapping = false;
    turret.faceMaterials = {{"Unknown", {0}}};
    WriteCube(w, "Turret", turret);
    WriteCube(w, "Gun", MeshOptions());
    WriteCube(w, "Hatch", MeshOptions());

    w.Begin(0x4000).String("Sun");
    w.Begin(0x4600).Floats({1, 2, 3});
    w.ColorFloat(1.0f, 0.5f, 0.25f);
    w.FloatChunk(0x4659, 50.0f).FloatChunk(0x465A, 500.0f);
    w.End().End();

    w.Begin(0x4000).String("Spot");
    w.Begin(0x4600).Floats({0, 10, 0});
    w.ColorBytes(255, 255, 0);
    w.Begin(0x4610).Floats({0, 0, 0, 20, 40}).End();
    w.End().End();

    w.Begin(0x4000).String("Eye");
    w.Begin(0x4700).Floats({0, 1, 2, 3, 4, 5, 0.5f, 50.0f});
    w.Begin(0x4720).Floats({1.0f, 300.0f}).End();
    w.End().End();

    w.Begin(0x4000).String("Plain");
    w.Begin(0x4700).Floats({0, 0, 0, 0, 0, 1, 0, 24.0f}).End();
    w.End();

    // The first child says this is no mesh, light or camera.
    w.Begin(0x4000).String("Hidden");
    w.Begin(0x4010).End();
    w.Begin(0x4100).Begin(0x4110).U16(1).Floats({0, 0, 0}).End().End();
    w.End();
    w.End(); // editor

    w.Begin(0xB000);
    auto node = [&](const std::string& name, int16_t parent, bool pose)
    {
        w.Begin(0xB002);
        w.Begin(0xB010).String(name).U16(0).U16(0).I16(parent).End();
        if (pose)
        {
            w.Begin(0xB013).Floats({0.5f, 0.25f, 0.125f}).End();
            // Key flags 0x8000 and 0x0800 each add one float before the value.
            w.Begin(0xB020).U16(0).U32(0).U32(0).U32(1).U32(0).U16(0x8800).Floats({9, 9});
            w.Floats({1, 2, 3}).End();
            w.Begin(0xB021).U16(0).U32(0).U32(0).U32(1).U32(0).U16(0).Floats({0.5f, 0, 1, 0});
            w.End();
            w.Begin(0xB022).U16(0).U32(0).U32(0).U32(0).End();
        }
        w.End();
    };
    node("Body", -1, true);
    node("Nobody", 0, false);
    node("Turret", 0, false);
    node("Gun", 1, false);
    node("Hatch", 0, false);
    w.End(); // keyframer
    w.End(); // main
    return w.Bytes();
}

// A cube with six sides of six smoothing masks, another with one mask, and
// one without smoothing or mapping chunks.
inline std::vector<uint8_t> SmoothingFile()
{
    return EditorFile(
        [](TdsWriter& w)
        {
            MeshOptions sides;
            for (uint32_t side = 0; side < 6; ++side)
                sides.smoothing.insert(sides.smoothing.end(), {1u << side, 1u << side});
            WriteCube(w, "Sides", sides);
            MeshOptions smooth;
            smooth.smoothing = std::vector<uint32_t>(12, 4);
            WriteCube(w, "Smooth", smooth);
            MeshOptions bare;
            bare.mapping = false;
            WriteCube(w, "Bare", bare);
        });
}

// Meshes of side x side quads (two faces each, two smoothing groups in
// stripes), with faceCount faces in all, for timing the parser.
inline std::vector<uint8_t> GridFile(uint32_t faceCount, uint32_t side = 100)
{
    return EditorFile(
        [faceCount, side](TdsWriter& w)
        {
            const uint32_t kSide = side;
            uint32_t written = 0;
            for (int meshIndex = 0; written < faceCount; ++meshIndex)
            {
                std::vector<float> positions;
                std::vector<uint16_t> faces;
                for (uint32_t y = 0; y <= kSide; ++y)
                    for (uint32_t x = 0; x <= kSide; ++x)
                        positions.insert(positions.end(),
                                         {float(x), float(y), float((x * 7 + y * 3) % 5) * 0.1f});
                MeshOptions options;
                for (uint32_t y = 0; y < kSide && written < faceCount; ++y)
                    for (uint32_t x = 0; x < kSide && written < faceCount; ++x)
                    {
                        uint16_t v = static_cast<uint16_t>(y * (kSide + 1) + x);
                        uint16_t right = static_cast<uint16_t>(v + 1);
                        uint16_t up = static_cast<uint16_t>(v + kSide + 1);
                        faces.insert(faces.end(), {v, right, up});
                        options.smoothing.push_back(((x / 10) % 2) ? 1u : 2u);
                        ++written;
                        if (written < faceCount)
                        {
                            faces.insert(faces.end(), {right, static_cast<uint16_t>(up + 1), up});
                            options.smoothing.push_back(((x / 10) % 2) ? 1u : 2u);
                            ++written;
                        }
                    }
                WriteMesh(w, "Grid" + std::to_string(meshIndex), positions, faces, options);
            }
        });
}

// Every sample under a file name, for the fuzzer's seed corpus.
inline std::vector<std::pair<std::string, std::vector<uint8_t>>> AllSamples()
{
    return {{"scene.3ds", SceneFile()},
            {"smoothing.3ds", SmoothingFile()},
            {"materials.3ds", EditorFile([](TdsWriter& w) { WriteMaterials(w); })},
            {"grid.3ds", GridFile(200, 10)}};
}
} // namespace tds_samples
