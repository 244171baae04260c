#include "TdsFuzzCheck.h"

#include "tds/TdsReader.h"

namespace
{
bool ChildrenAreSound(const TdsMesh* mesh, uint32_t depth, uint32_t meshCount)
{
    if (depth > meshCount)
        return false;
    for (uint32_t i = 0; i < mesh->GetChildCount(); ++i)
    {
        if (mesh->GetChild(i)->GetParent() != mesh ||
            !ChildrenAreSound(mesh->GetChild(i), depth + 1, meshCount))
            return false;
    }
    return true;
}

bool MeshIsSound(TdsMesh& mesh, uint32_t meshCount)
{
    uint32_t vertices = mesh.GetVertexCount();
    for (uint32_t i = 0; i < mesh.GetTriangleCount(); ++i)
    {
        const TdsTriangle& plain = mesh.GetTriangle(i);
        const TdsTriangleEx& face = mesh.GetTriangleEx(i);
        if (face.a >= vertices || face.b >= vertices || face.c >= vertices)
            return false;
        if (plain.a != face.a || plain.b != face.b || plain.c != face.c)
            return false;
        volatile float sink = mesh.GetTriangle2(i).faceNormal.x;
        (void)sink;
    }
    uint32_t depth = 0;
    for (const TdsMesh* up = &mesh; up; up = up->GetParent())
    {
        if (++depth > meshCount)
            return false;
    }
    if (!ChildrenAreSound(&mesh, 0, meshCount))
        return false;

    TdsMesh flat = mesh;
    flat.Optimize(1);
    if (flat.GetVertexCount() != vertices)
        return false;
    flat.Optimize(0);
    return true;
}
} // namespace

bool CheckTdsInput(const uint8_t* data, size_t size)
{
    TdsReader reader;
    reader.LoadMemory(data, static_cast<uint32_t>(size));
    for (uint32_t i = 0; i < reader.GetMeshCount(); ++i)
    {
        if (!MeshIsSound(*reader.GetMesh(i), reader.GetMeshCount()))
            return false;
    }
    for (uint32_t i = 0; i < reader.GetMaterialCount(); ++i)
    {
        if (reader.GetMaterial(i)->GetID() != i)
            return false;
    }
    return true;
}
