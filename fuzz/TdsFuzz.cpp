// Feeds arbitrary bytes to the 3DS reader and checks what it promises after
// any load: corners inside the vertex arrays, arrays of equal length and a
// hierarchy without cycles.
#include "tds/TdsReader.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace
{
void Check(bool condition)
{
    if (!condition)
        std::abort();
}

void WalkChildren(const TdsMesh* mesh, uint32_t depth, uint32_t meshCount)
{
    Check(depth <= meshCount);
    for (uint32_t i = 0; i < mesh->GetChildCount(); ++i)
    {
        Check(mesh->GetChild(i)->GetParent() == mesh);
        WalkChildren(mesh->GetChild(i), depth + 1, meshCount);
    }
}

void CheckMesh(TdsMesh& mesh, uint32_t meshCount)
{
    uint32_t vertices = mesh.GetVertexCount();
    for (uint32_t i = 0; i < mesh.GetTriangleCount(); ++i)
    {
        const TdsTriangle& plain = mesh.GetTriangle(i);
        const TdsTriangleEx& face = mesh.GetTriangleEx(i);
        Check(face.a < vertices && face.b < vertices && face.c < vertices);
        Check(plain.a == face.a && plain.b == face.b && plain.c == face.c);
        volatile float sink = mesh.GetTriangle2(i).faceNormal.x;
        (void)sink;
    }
    uint32_t depth = 0;
    for (const TdsMesh* up = &mesh; up; up = up->GetParent())
        Check(++depth <= meshCount);
    WalkChildren(&mesh, 0, meshCount);

    TdsMesh flat = mesh;
    flat.Optimize(1);
    Check(flat.GetVertexCount() == vertices);
    flat.Optimize(0);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 1 << 20)
        return 0;
    TdsReader reader;
    reader.LoadMemory(data, static_cast<uint32_t>(size));
    for (uint32_t i = 0; i < reader.GetMeshCount(); ++i)
        CheckMesh(*reader.GetMesh(i), reader.GetMeshCount());
    for (uint32_t i = 0; i < reader.GetMaterialCount(); ++i)
        Check(reader.GetMaterial(i)->GetID() == i);
    return 0;
}
