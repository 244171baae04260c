#include "video/TdsImport.h"

#include "tds/TdsLoaderBase.h"

namespace
{
constexpr const char* kTextureFolder = "data\\textures\\";

// y and z change places.
Vector3 Swapped(float x, float y, float z)
{
    return Vector3(x, z, y);
}
} // namespace

ImportedMesh ImportTdsMesh(const TdsLoaderBase& reader, const TdsMesh& mesh)
{
    ImportedMesh out;
    for (uint32_t i = 0; i < reader.GetMaterialCount(); ++i)
        out.textureNames.push_back(std::string(kTextureFolder) +
                                   reader.GetMaterial(i)->GetTextureMap1().fileName);

    uint32_t vertexCount = mesh.GetVertexCount();
    out.vertices.resize(vertexCount);
    for (uint32_t i = 0; i < vertexCount; ++i)
    {
        const TdsVertex& position = mesh.GetVertex(i);
        const TdsVector& normal = mesh.GetNormal(i);
        ImportedVertex& vertex = out.vertices[i];
        vertex.position = Swapped(position.x, position.y, position.z);
        vertex.normal = Swapped(normal.x, normal.y, normal.z);
        vertex.u = mesh.GetUV(i).u;
        vertex.v = 1.0f - mesh.GetUV(i).v;
    }

    out.triangles.reserve(mesh.GetTriangleCount());
    for (uint32_t t = 0; t < mesh.GetTriangleCount(); ++t)
    {
        const TdsTriangle& corners = mesh.GetTriangle(t);
        if (corners.a >= vertexCount || corners.b >= vertexCount || corners.c >= vertexCount)
            continue;
        ImportedTriangle triangle;
        triangle.indices[0] = corners.c;
        triangle.indices[1] = corners.b;
        triangle.indices[2] = corners.a;
        const Vector3& p0 = out.vertices[corners.c].position;
        const Vector3& p1 = out.vertices[corners.b].position;
        const Vector3& p2 = out.vertices[corners.a].position;
        triangle.normal = (p1 - p0).Cross(p2 - p0);
        triangle.normal.Normalize();
        uint32_t id = mesh.GetTriangleEx(t).materialId;
        if (id < reader.GetMaterialCount())
            triangle.material = static_cast<int32_t>(id);
        out.triangles.push_back(triangle);
    }
    return out;
}
