#include "tds/TdsMesh.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

void TdsMesh::SetVertexCount(uint32_t n)
{
    vertices.resize(n);
    normals.resize(n);
    binormals.resize(n);
    tangents.resize(n);
    uvs.resize(n);
}

void TdsMesh::SetTriangleCount(uint32_t n)
{
    triangles.resize(n);
    trianglesEx.resize(n);
}

void TdsMesh::SetVertex(const TdsVertex& value, uint32_t i)
{
    if (i < vertices.size())
        vertices[i] = value;
}

void TdsMesh::SetNormal(const TdsVector& value, uint32_t i)
{
    if (i < normals.size())
        normals[i] = value;
}

void TdsMesh::SetUV(const TdsUV& value, uint32_t i)
{
    if (i < uvs.size())
        uvs[i] = value;
}

void TdsMesh::SetTangent(const TdsVector& value, uint32_t i)
{
    if (i < tangents.size())
        tangents[i] = value;
}

void TdsMesh::SetBinormal(const TdsVector& value, uint32_t i)
{
    if (i < binormals.size())
        binormals[i] = value;
}

void TdsMesh::SetTriangleEx(const TdsTriangleEx& record, uint32_t i)
{
    if (i >= trianglesEx.size())
        return;
    // The plain triangle follows, so the two agree at every level of the passes.
    trianglesEx[i] = record;
    triangles[i].a = record.a;
    triangles[i].b = record.b;
    triangles[i].c = record.c;
}

uint32_t TdsMesh::RemoveBrokenTriangles()
{
    size_t kept = 0;
    for (size_t i = 0; i < trianglesEx.size(); ++i)
    {
        if (!FaceIsValid(trianglesEx[i]))
            continue;
        if (kept != i)
        {
            trianglesEx[kept] = trianglesEx[i];
            triangles[kept] = triangles[i];
        }
        ++kept;
    }
    uint32_t removed = static_cast<uint32_t>(trianglesEx.size() - kept);
    SetTriangleCount(static_cast<uint32_t>(kept));
    return removed;
}

TdsTriangle2 TdsMesh::GetTriangle2(uint32_t i) const
{
    const TdsTriangleEx& face = trianglesEx[i];
    TdsTriangle2 result;
    uint32_t count = GetVertexCount();
    if (face.a < count)
    {
        result.vertexA = vertices[face.a];
        result.normalA = normals[face.a];
        result.uvA = uvs[face.a];
    }
    if (face.b < count)
    {
        result.vertexB = vertices[face.b];
        result.normalB = normals[face.b];
        result.uvB = uvs[face.b];
    }
    if (face.c < count)
    {
        result.vertexC = vertices[face.c];
        result.normalC = normals[face.c];
        result.uvC = uvs[face.c];
    }
    TdsVector a = result.vertexA.Position();
    TdsVector b = result.vertexB.Position();
    TdsVector c = result.vertexC.Position();
    result.faceNormal = TdsVector::Normalize(TdsVector::Cross(c - b, a - b));
    result.materialId = face.materialId;
    return result;
}

void TdsMesh::GetMatrix(float out[16]) const
{
    std::memcpy(out, matrix.m, sizeof(matrix.m));
}

void TdsMesh::SetMatrix(const float in[16])
{
    std::memcpy(matrix.m, in, sizeof(matrix.m));
}

void TdsMesh::RemoveChild(TdsMesh* mesh)
{
    children.erase(std::remove(children.begin(), children.end(), mesh), children.end());
}

bool TdsMesh::IsSelfOrDescendantOf(const TdsMesh* mesh) const
{
    // The hierarchy never holds a cycle, so this walk ends at a root.
    for (const TdsMesh* node = this; node; node = node->parent)
    {
        if (node == mesh)
            return true;
    }
    return false;
}

uint32_t TdsMesh::AddMaterial(uint32_t id)
{
    materials.push_back(id);
    return static_cast<uint32_t>(materials.size() - 1);
}

void TdsMesh::SetPose(const float newRotation[4], const TdsVector& newPosition,
                      const TdsVector& newScale, const TdsVector& newPivot)
{
    std::memcpy(rotation, newRotation, sizeof(rotation));
    position = newPosition;
    scale = newScale;
    pivot = newPivot;
}

void TdsMesh::Clear()
{
    parent = nullptr;
    children.clear();
    vertices.clear();
    normals.clear();
    binormals.clear();
    tangents.clear();
    uvs.clear();
    triangles.clear();
    trianglesEx.clear();
    materials.clear();
    matrix.SetIdentity();
}

void TdsMesh::Optimize(int32_t level)
{
    switch (level)
    {
    case 0:
        TransformVertices();
        break;
    case 1:
        CalcNormals(false);
        break;
    case 2:
        CalcNormals(true);
        CalcTangentSpace();
        break;
    default:
        break;
    }
}

void TdsMesh::TransformVertices()
{
    for (TdsVertex& vertex : vertices)
        vertex = matrix.Transform(vertex);
}

bool TdsMesh::FaceIsValid(const TdsTriangleEx& face) const
{
    uint32_t count = GetVertexCount();
    return face.a < count && face.b < count && face.c < count;
}

void TdsMesh::BuildFaceLists(FaceLists& lists) const
{
    uint32_t vertexCount = GetVertexCount();
    lists.offsets.assign(vertexCount + 1, 0);
    for (const TdsTriangleEx& face : trianglesEx)
    {
        // Faces with a corner outside the vertex arrays take no part.
        if (!FaceIsValid(face))
            continue;
        ++lists.offsets[face.a + 1];
        ++lists.offsets[face.b + 1];
        ++lists.offsets[face.c + 1];
    }
    for (uint32_t v = 0; v < vertexCount; ++v)
        lists.offsets[v + 1] += lists.offsets[v];
    lists.faces.assign(lists.offsets[vertexCount], 0);
    std::vector<uint32_t> fill(lists.offsets.begin(), lists.offsets.end() - 1);
    for (uint32_t i = 0; i < trianglesEx.size(); ++i)
    {
        const TdsTriangleEx& face = trianglesEx[i];
        if (!FaceIsValid(face))
            continue;
        lists.faces[fill[face.a]++] = i;
        lists.faces[fill[face.b]++] = i;
        lists.faces[fill[face.c]++] = i;
    }
}

void TdsMesh::SplitBySmoothingGroups(const FaceLists& lists)
{
    // A vertex may carry thousands of faces of distinct masks, so neither the
    // grouping nor the rewrite of corners may cost faces times groups.
    const size_t kLinearSearchLimit = 16;
    uint32_t originalCount = GetVertexCount();
    std::vector<uint32_t> masks;
    std::unordered_map<uint32_t, uint32_t> groupOfMask;
    std::vector<uint32_t> groupOfEntry;
    std::vector<uint32_t> vertexOfGroup;
    for (uint32_t v = 0; v < originalCount; ++v)
    {
        uint32_t begin = lists.offsets[v];
        uint32_t end = lists.offsets[v + 1];
        if (begin == end)
            continue;

        // Group the faces by their whole mask, in order of first appearance.
        masks.clear();
        if (!groupOfMask.empty())
            groupOfMask.clear();
        groupOfEntry.clear();
        for (uint32_t e = begin; e < end; ++e)
        {
            uint32_t mask = trianglesEx[lists.faces[e]].smoothing;
            uint32_t group = 0;
            if (masks.size() <= kLinearSearchLimit)
            {
                while (group < masks.size() && masks[group] != mask)
                    ++group;
            }
            else
            {
                auto found = groupOfMask.find(mask);
                group = found != groupOfMask.end() ? found->second
                                                   : static_cast<uint32_t>(masks.size());
            }
            if (group == masks.size())
            {
                masks.push_back(mask);
                // Past the linear limit the map holds every group.
                if (masks.size() == kLinearSearchLimit + 1)
                {
                    for (uint32_t g = 0; g < masks.size(); ++g)
                        groupOfMask[masks[g]] = g;
                }
                else if (masks.size() > kLinearSearchLimit + 1)
                {
                    groupOfMask[mask] = group;
                }
            }
            groupOfEntry.push_back(group);
        }
        if (masks.size() < 2)
            continue;

        // Group 0 keeps v; every other group gets a copy of it, as long as the
        // copy's index fits in 16 bits. Groups past that limit stay on v.
        vertexOfGroup.assign(masks.size(), v);
        for (uint32_t group = 1; group < masks.size(); ++group)
        {
            if (GetVertexCount() >= kMaxVertices)
                break;
            vertices.push_back(vertices[v]);
            normals.push_back(normals[v]);
            uvs.push_back(uvs[v]);
            tangents.push_back(tangents[v]);
            binormals.push_back(binormals[v]);
            vertexOfGroup[group] = GetVertexCount() - 1;
        }
        for (uint32_t e = begin; e < end; ++e)
        {
            uint32_t target = vertexOfGroup[groupOfEntry[e - begin]];
            if (target == v)
                continue;
            uint16_t newIndex = static_cast<uint16_t>(target);
            TdsTriangleEx& face = trianglesEx[lists.faces[e]];
            if (face.a == v)
                face.a = newIndex;
            if (face.b == v)
                face.b = newIndex;
            if (face.c == v)
                face.c = newIndex;
        }
    }
}

void TdsMesh::CalcNormals(bool useSmoothingGroups)
{
    for (TdsTriangleEx& face : trianglesEx)
    {
        if (!FaceIsValid(face))
        {
            face.normal = TdsVector();
            continue;
        }
        TdsVector a = vertices[face.a].Position();
        TdsVector b = vertices[face.b].Position();
        TdsVector c = vertices[face.c].Position();
        face.normal = TdsVector::Normalize(TdsVector::Cross(c - b, a - b));
    }

    FaceLists lists;
    BuildFaceLists(lists);
    if (useSmoothingGroups)
    {
        SplitBySmoothingGroups(lists);
        BuildFaceLists(lists);
    }

    uint32_t vertexCount = GetVertexCount();
    for (uint32_t v = 0; v < vertexCount; ++v)
    {
        TdsVector sum;
        for (uint32_t e = lists.offsets[v]; e < lists.offsets[v + 1]; ++e)
            sum += trianglesEx[lists.faces[e]].normal;
        normals[v] = TdsVector::Normalize(sum);
    }

    for (uint32_t i = 0; i < trianglesEx.size(); ++i)
    {
        triangles[i].a = trianglesEx[i].a;
        triangles[i].b = trianglesEx[i].b;
        triangles[i].c = trianglesEx[i].c;
    }
}

void TdsMesh::CalcTangentSpace()
{
    for (TdsTriangleEx& face : trianglesEx)
    {
        if (!FaceIsValid(face))
        {
            face.tangent = TdsVector();
            face.tangent2 = TdsVector();
            continue;
        }
        const TdsVertex& pa = vertices[face.a];
        const TdsVertex& pb = vertices[face.b];
        const TdsVertex& pc = vertices[face.c];
        const TdsUV& ta = uvs[face.a];
        const TdsUV& tb = uvs[face.b];
        const TdsUV& tc = uvs[face.c];
        float du1 = tb.u - ta.u;
        float dv1 = tb.v - ta.v;
        float du2 = tc.u - ta.u;
        float dv2 = tc.v - ta.v;
        TdsVector qx =
            TdsVector::Cross(TdsVector(pb.x - pa.x, du1, dv1), TdsVector(pc.x - pa.x, du2, dv2));
        TdsVector qy =
            TdsVector::Cross(TdsVector(pb.y - pa.y, du1, dv1), TdsVector(pc.y - pa.y, du2, dv2));
        TdsVector qz =
            TdsVector::Cross(TdsVector(pb.z - pa.z, du1, dv1), TdsVector(pc.z - pa.z, du2, dv2));
        // A face whose corners share a texture coordinate divides by zero here;
        // the infinities and NaNs are kept, as IEEE gives them.
        face.tangent = TdsVector(-qx.y / qx.x, -qy.y / qy.x, -qz.y / qz.x);
        face.tangent2 = TdsVector(-qx.z / qx.x, -qy.z / qy.x, -qz.z / qz.x);
    }

    FaceLists lists;
    BuildFaceLists(lists);
    uint32_t vertexCount = GetVertexCount();
    for (uint32_t v = 0; v < vertexCount; ++v)
    {
        TdsVector sum;
        for (uint32_t e = lists.offsets[v]; e < lists.offsets[v + 1]; ++e)
            sum += trianglesEx[lists.faces[e]].tangent;
        tangents[v] = TdsVector::Normalize(sum);
        binormals[v] = TdsVector::Normalize(TdsVector::Cross(tangents[v], normals[v]));
    }
}
