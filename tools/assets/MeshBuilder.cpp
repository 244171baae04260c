#include "assets/MeshBuilder.h"

#include "assets/TdsWriter.h"

#include <cassert>
#include <cmath>

namespace assets
{
namespace
{
// 3DS chunk ids written here.
constexpr uint16_t kMain = 0x4D4D;
constexpr uint16_t kVersion = 0x0002;
constexpr uint16_t kEditor = 0x3D3D;
constexpr uint16_t kMeshVersion = 0x3D3E;
constexpr uint16_t kMaterial = 0xAFFF;
constexpr uint16_t kMaterialName = 0xA000;
constexpr uint16_t kAmbient = 0xA010;
constexpr uint16_t kDiffuse = 0xA020;
constexpr uint16_t kSpecular = 0xA030;
constexpr uint16_t kShininess = 0xA040;
constexpr uint16_t kTransparency = 0xA050;
constexpr uint16_t kShading = 0xA100;
constexpr uint16_t kTextureMap = 0xA200;
constexpr uint16_t kMapFile = 0xA300;
constexpr uint16_t kObject = 0x4000;
constexpr uint16_t kTriMesh = 0x4100;
constexpr uint16_t kVertices = 0x4110;
constexpr uint16_t kFaces = 0x4120;
constexpr uint16_t kFaceMaterial = 0x4130;
constexpr uint16_t kMapping = 0x4140;
constexpr uint16_t kSmoothing = 0x4150;
constexpr uint16_t kLocalMatrix = 0x4160;
constexpr uint16_t kKeyframer = 0xB000;
constexpr uint16_t kKeyframerHeader = 0xB00A;

// Game space (x right, y up, z forward) to file space (z up, y forward).
Vec3 ToFile(Vec3 p)
{
    return Vec3{p.x, p.z, p.y};
}

Vec3 Centroid(const std::vector<Vec3>& points)
{
    Vec3 sum;
    for (const Vec3& p : points)
        sum = sum + p;
    return sum * (1.0f / static_cast<float>(points.size()));
}

// Newell's normal of a planar polygon (any winding), normalised.
Vec3 PolygonNormal(const std::vector<Vec3>& points)
{
    Vec3 n;
    for (size_t i = 0; i < points.size(); ++i)
    {
        const Vec3& a = points[i];
        const Vec3& b = points[(i + 1) % points.size()];
        n.x += (a.y - b.y) * (a.z + b.z);
        n.y += (a.z - b.z) * (a.x + b.x);
        n.z += (a.x - b.x) * (a.y + b.y);
    }
    return Normalized(n);
}

// A material colour chunk holding the colour as three bytes.
void ColorChunk(TdsWriter& w, uint16_t id, Rgba c)
{
    w.Begin(id).ColorBytes(c.r, c.g, c.b).End();
}

// A material percentage chunk holding the value as a short.
void PercentChunk(TdsWriter& w, uint16_t id, int16_t percent)
{
    w.Begin(id).PercentShort(percent).End();
}

// The solid between two convex outlines of the same corner count, corner i
// of one joined to corner i of the other: both as caps, then a side between
// each pair of neighbouring corners.
void AddSolid(MeshBuilder& mesh, const std::vector<Vec3>& a, const std::vector<Vec3>& b,
              const UvMap& uv)
{
    const Vec3 inside = (Centroid(a) + Centroid(b)) * 0.5f;
    mesh.AddPolygon(a, inside, uv);
    mesh.AddPolygon(b, inside, uv);
    for (size_t i = 0; i < a.size(); ++i)
    {
        const size_t j = (i + 1) % a.size();
        mesh.AddPolygon({a[i], a[j], b[j], b[i]}, inside, uv);
    }
}
} // namespace

Vec3 operator+(Vec3 a, Vec3 b)
{
    return Vec3{a.x + b.x, a.y + b.y, a.z + b.z};
}

Vec3 operator-(Vec3 a, Vec3 b)
{
    return Vec3{a.x - b.x, a.y - b.y, a.z - b.z};
}

Vec3 operator*(Vec3 a, float s)
{
    return Vec3{a.x * s, a.y * s, a.z * s};
}

float Dot(Vec3 a, Vec3 b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

Vec3 Cross(Vec3 a, Vec3 b)
{
    return Vec3{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

Vec3 Normalized(Vec3 a)
{
    const float length = std::sqrt(Dot(a, a));
    return length > 0.0f ? a * (1.0f / length) : a;
}

UvMap WorldUv(float unitsPerRepeat)
{
    const float s = 1.0f / unitsPerRepeat;
    return [s](Vec3 p, Vec3 n)
    {
        const float ax = std::fabs(n.x);
        const float ay = std::fabs(n.y);
        const float az = std::fabs(n.z);
        if (ay >= ax && ay >= az)
            return Uv{p.x * s, -p.z * s};
        if (ax >= az)
            return Uv{(n.x > 0.0f ? p.z : -p.z) * s, -p.y * s};
        return Uv{(n.z > 0.0f ? -p.x : p.x) * s, -p.y * s};
    };
}

int MeshBuilder::AddMaterial(const std::string& name, const std::string& textureFile, Rgba diffuse)
{
    assert(name.size() <= 19 && "material names longer than 19 characters are cut by readers");
    assert(textureFile.size() <= 19 && "map file names longer than 19 characters are cut");
    materials.push_back(Material{name, textureFile, diffuse});
    currentMaterial = static_cast<int>(materials.size()) - 1;
    return currentMaterial;
}

uint32_t MeshBuilder::NewGroup()
{
    return 1u << (groupCounter++ % 32u);
}

uint16_t MeshBuilder::AddVertex(Vec3 p, Uv uv)
{
    assert(vertices.size() < 65535 && "3DS vertex indices are 16 bits");
    vertices.push_back(Vertex{p, uv});
    return static_cast<uint16_t>(vertices.size() - 1);
}

void MeshBuilder::AddTriangle(uint16_t a, uint16_t b, uint16_t c, Vec3 outward, uint32_t smoothing)
{
    assert(faces.size() < 65535 && "3DS face counts are 16 bits");
    // The file's space is a mirror image of the game's, which turns the
    // winding over: counter-clockwise from outside there is clockwise here,
    // so a face's own normal in game space must point inward.
    const Vec3 pa = vertices[a].position;
    const Vec3 n = Cross(vertices[b].position - pa, vertices[c].position - pa);
    if (Dot(n, outward) > 0.0f)
        std::swap(b, c);
    faces.push_back(Face{a, b, c, smoothing, currentMaterial});
}

void MeshBuilder::AddPolygon(const std::vector<Vec3>& corners, Vec3 inside, const UvMap& uv)
{
    Vec3 normal = PolygonNormal(corners);
    if (Dot(normal, Centroid(corners) - inside) < 0.0f)
        normal = normal * -1.0f;
    const uint32_t group = NewGroup();
    std::vector<uint16_t> index;
    for (const Vec3& p : corners)
        index.push_back(AddVertex(p, uv(p, normal)));
    for (size_t i = 1; i + 1 < index.size(); ++i)
        AddTriangle(index[0], index[i], index[i + 1], normal, group);
}

void MeshBuilder::AddBox(Vec3 min, Vec3 max, const UvMap& uv)
{
    const Vec3 inside = (min + max) * 0.5f;
    auto corner = [&](int i) {
        return Vec3{(i & 1) ? max.x : min.x, (i & 2) ? max.y : min.y, (i & 4) ? max.z : min.z};
    };
    const int sides[6][4] = {{0, 2, 6, 4}, {1, 3, 7, 5}, {0, 1, 5, 4},
                             {2, 3, 7, 6}, {0, 1, 3, 2}, {4, 5, 7, 6}};
    for (const auto& side : sides)
        AddPolygon({corner(side[0]), corner(side[1]), corner(side[2]), corner(side[3])}, inside,
                   uv);
}

void MeshBuilder::AddPrismX(const std::vector<std::pair<float, float>>& outlineZY, float x0,
                            float x1, const UvMap& uv)
{
    std::vector<Vec3> left;
    std::vector<Vec3> right;
    for (const auto& [z, y] : outlineZY)
    {
        left.push_back(Vec3{x0, y, z});
        right.push_back(Vec3{x1, y, z});
    }
    AddSolid(*this, left, right, uv);
}

void MeshBuilder::AddLoftY(const std::vector<std::pair<float, float>>& lowerXZ, float y0,
                           const std::vector<std::pair<float, float>>& upperXZ, float y1,
                           const UvMap& uv)
{
    assert(lowerXZ.size() == upperXZ.size() && "loft outlines need the same corner count");
    std::vector<Vec3> lower;
    std::vector<Vec3> upper;
    for (const auto& [x, z] : lowerXZ)
        lower.push_back(Vec3{x, y0, z});
    for (const auto& [x, z] : upperXZ)
        upper.push_back(Vec3{x, y1, z});
    AddSolid(*this, lower, upper, uv);
}

void MeshBuilder::AddCylinderZ(float cx, float cy, float z0, float z1, float radius, int sides,
                               float unitsPerRepeat)
{
    const float pi = 3.14159265f;
    const float s = 1.0f / unitsPerRepeat;
    const uint32_t group = NewGroup();
    std::vector<uint16_t> back;
    std::vector<uint16_t> front;
    // One more column than sides: the last repeats the first with u at the
    // end of the wrap, so the texture does not run backwards over one face.
    for (int i = 0; i <= sides; ++i)
    {
        const float angle = 2.0f * pi * static_cast<float>(i % sides) / static_cast<float>(sides);
        const float x = cx + radius * std::cos(angle);
        const float y = cy + radius * std::sin(angle);
        const float u = 2.0f * pi * radius * s * static_cast<float>(i) / static_cast<float>(sides);
        back.push_back(AddVertex(Vec3{x, y, z0}, Uv{u, -z0 * s}));
        front.push_back(AddVertex(Vec3{x, y, z1}, Uv{u, -z1 * s}));
    }
    for (int i = 0; i < sides; ++i)
    {
        const float mid = 2.0f * pi * (static_cast<float>(i) + 0.5f) / static_cast<float>(sides);
        const Vec3 outward{std::cos(mid), std::sin(mid), 0.0f};
        AddTriangle(back[i], back[i + 1], front[i + 1], outward, group);
        AddTriangle(back[i], front[i + 1], front[i], outward, group);
    }
    std::vector<Vec3> backCap;
    std::vector<Vec3> frontCap;
    for (int i = 0; i < sides; ++i)
    {
        const float angle = 2.0f * pi * static_cast<float>(i) / static_cast<float>(sides);
        const float x = cx + radius * std::cos(angle);
        const float y = cy + radius * std::sin(angle);
        backCap.push_back(Vec3{x, y, z0});
        frontCap.push_back(Vec3{x, y, z1});
    }
    const Vec3 inside{cx, cy, (z0 + z1) * 0.5f};
    AddPolygon(backCap, inside, WorldUv(unitsPerRepeat));
    AddPolygon(frontCap, inside, WorldUv(unitsPerRepeat));
}

std::vector<uint8_t> MeshBuilder::Write(const std::string& objectName) const
{
    assert(objectName.size() <= 10 && "3D Studio object names have at most 10 characters");
    TdsWriter w;
    w.Begin(kMain);
    w.Begin(kVersion).U32(3).End();

    w.Begin(kEditor);
    w.Begin(kMeshVersion).U32(3).End();
    for (const Material& m : materials)
    {
        w.Begin(kMaterial);
        w.StringChunk(kMaterialName, m.name);
        ColorChunk(w, kAmbient, Shade(m.diffuse, 0.4f));
        ColorChunk(w, kDiffuse, m.diffuse);
        ColorChunk(w, kSpecular, Rgba{64, 64, 64, 255});
        PercentChunk(w, kShininess, 20);
        PercentChunk(w, kTransparency, 0);
        w.Begin(kShading).I16(3).End(); // Phong
        w.Begin(kTextureMap).PercentShort(100).StringChunk(kMapFile, m.textureFile).End();
        w.End();
    }

    w.Begin(kObject).String(objectName);
    w.Begin(kTriMesh);

    w.Begin(kVertices).U16(static_cast<uint16_t>(vertices.size()));
    for (const Vertex& v : vertices)
    {
        const Vec3 p = ToFile(v.position);
        w.Floats({p.x, p.y, p.z});
    }
    w.End();

    // The importer flips v (it uses 1 - v), as 3D Studio counts v upwards.
    w.Begin(kMapping).U16(static_cast<uint16_t>(vertices.size()));
    for (const Vertex& v : vertices)
        w.Floats({v.uv.u, 1.0f - v.uv.v});
    w.End();

    w.Begin(kLocalMatrix).Floats({1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0}).End();

    w.Begin(kFaces).U16(static_cast<uint16_t>(faces.size()));
    for (const Face& f : faces)
        w.U16(f.a).U16(f.b).U16(f.c).U16(0x0007); // all three edges visible
    for (size_t m = 0; m < materials.size(); ++m)
    {
        std::vector<uint16_t> used;
        for (size_t i = 0; i < faces.size(); ++i)
        {
            if (faces[i].material == static_cast<int>(m))
                used.push_back(static_cast<uint16_t>(i));
        }
        assert(!used.empty() && "a material without faces would give the model an empty group");
        w.Begin(kFaceMaterial).String(materials[m].name).U16(static_cast<uint16_t>(used.size()));
        for (uint16_t i : used)
            w.U16(i);
        w.End();
    }
    w.Begin(kSmoothing);
    for (const Face& f : faces)
        w.U32(f.smoothing);
    w.End();
    w.End(); // faces

    w.End(); // mesh
    w.End(); // object
    w.End(); // editor

    // A keyframer with its header only, as 3D Studio writes after the editor
    // data; it also means no chunk of the mesh ends exactly at the end of the
    // file, so readers that look one header past a chunk find a real one.
    w.Begin(kKeyframer);
    w.Begin(kKeyframerHeader).U16(5).String(objectName).U32(100).End();
    w.End();
    w.End(); // main
    return w.Bytes();
}
} // namespace assets
