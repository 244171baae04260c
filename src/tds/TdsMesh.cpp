#include "tds/TdsMesh.h"

#include <algorithm>
#include <cstring>

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

namespace
{
const uint32_t kNoGroup = 0xFFFFFFFF;

// The group of each (vertex, mask) pair other than a vertex's first mask.
// Only vertices on a seam between smoothing groups have such pairs, so the
// table stays small; open addressing keeps it in one array.
class SeamGroups
{
public:
    uint32_t Find(uint32_t vertex, uint32_t mask) const
    {
        if (slots.empty())
            return kNoGroup;
        for (size_t i = Home(vertex, mask);; i = (i + 1) & (slots.size() - 1))
        {
            const Slot& slot = slots[i];
            if (slot.group == kNoGroup || (slot.vertex == vertex && slot.mask == mask))
                return slot.group;
        }
    }

    // The pair must not be in the table yet.
    void Insert(uint32_t vertex, uint32_t mask, uint32_t group)
    {
        if ((used + 1) * 2 > slots.size())
            Grow();
        Place({vertex, mask, group});
        ++used;
    }

private:
    struct Slot
    {
        uint32_t vertex;
        uint32_t mask;
        uint32_t group;
    };

    size_t Home(uint32_t vertex, uint32_t mask) const
    {
        uint64_t key = (static_cast<uint64_t>(vertex) << 32) | mask;
        return static_cast<size_t>((key * 0x9E3779B97F4A7C15ull) >> 32) & (slots.size() - 1);
    }

    void Place(const Slot& entry)
    {
        size_t i = Home(entry.vertex, entry.mask);
        while (slots[i].group != kNoGroup)
            i = (i + 1) & (slots.size() - 1);
        slots[i] = entry;
    }

    void Grow()
    {
        std::vector<Slot> old;
        old.swap(slots);
        slots.assign(old.empty() ? 64 : old.size() * 2, Slot{0, 0, kNoGroup});
        for (const Slot& slot : old)
        {
            if (slot.group != kNoGroup)
                Place(slot);
        }
    }

    std::vector<Slot> slots;
    size_t used = 0;
};

// The split of vertices where faces of different smoothing masks meet.
// Faces are met in order, so each vertex meets its masks in the order of a
// list of its faces: group 0 is the first face's mask and keeps the vertex,
// every other mask (whole masks compared) opens the next group when first
// seen and gets a copy of the vertex.
class SmoothingSplit
{
public:
    explicit SmoothingSplit(uint32_t vertexCount) : vertices(vertexCount) {}

    // Called for each valid face, in face order. The faces must stay where
    // they are until MoveCorners.
    void Meet(TdsTriangleEx& face)
    {
        Meet(face.a, face.smoothing);
        Meet(face.b, face.smoothing);
        Meet(face.c, face.smoothing);
    }

    // Numbers the copies vertex by vertex, group by group, from the vertex
    // count on, as long as the index stays below limit; groups past the
    // limit stay on their vertex. Returns the vertex count after the split.
    uint32_t Plan(uint32_t limit)
    {
        uint32_t next = static_cast<uint32_t>(vertices.size());
        for (Vertex& vertex : vertices)
        {
            if (vertex.groups < 2 || next >= limit)
                continue;
            vertex.firstCopy = next;
            vertex.copies = std::min(vertex.groups - 1, limit - next);
            next += vertex.copies;
        }
        return next;
    }

    uint32_t Copies(uint32_t v) const { return vertices[v].copies; }

    // Moves each corner met in a group other than 0 onto its group's copy.
    void MoveCorners() const
    {
        for (const SeamCorner& seam : seamCorners)
        {
            const Vertex& vertex = vertices[*seam.corner];
            uint32_t group = seams.Find(*seam.corner, seam.mask);
            if (group - 1 < vertex.copies)
                *seam.corner = static_cast<uint16_t>(vertex.firstCopy + group - 1);
        }
    }

private:
    struct Vertex
    {
        // Masks seen so far; 0 until a face uses the vertex.
        uint32_t groups = 0;
        uint32_t firstMask = 0;
        uint32_t firstCopy = 0;
        // Fewer than groups - 1 when the index range ran out.
        uint32_t copies = 0;
    };
    struct SeamCorner
    {
        uint16_t* corner;
        uint32_t mask;
    };

    void Meet(uint16_t& corner, uint32_t mask)
    {
        Vertex& vertex = vertices[corner];
        if (vertex.groups == 0)
        {
            vertex.groups = 1;
            vertex.firstMask = mask;
        }
        else if (mask != vertex.firstMask)
            MeetOnSeam(corner, mask, vertex);
    }

    // Kept out of line so that the common case above inlines into the walk.
    [[gnu::noinline]] void MeetOnSeam(uint16_t& corner, uint32_t mask, Vertex& vertex)
    {
        if (seams.Find(corner, mask) == kNoGroup)
            seams.Insert(corner, mask, vertex.groups++);
        seamCorners.push_back({&corner, mask});
    }

    std::vector<Vertex> vertices;
    SeamGroups seams;
    std::vector<SeamCorner> seamCorners;
};

// (c - b) x (a - b), not yet normalized.
TdsVector FaceCross(const TdsVertex& a, const TdsVertex& b, const TdsVertex& c)
{
    TdsVector cb(c.x - b.x, c.y - b.y, c.z - b.z);
    TdsVector ab(a.x - b.x, a.y - b.y, a.z - b.z);
    return TdsVector::Cross(cb, ab);
}

// Adds value to the sums of the face's three corners. Done for every face
// in face order, it gives each vertex the same additions in the same order
// as walking a list of its faces (a face once per corner it takes).
inline void AddToCorners(const TdsTriangleEx& face, const TdsVector& value, TdsVector* sums)
{
    sums[face.a] += value;
    sums[face.b] += value;
    sums[face.c] += value;
}
} // namespace

void TdsMesh::CalcNormals(bool useSmoothingGroups)
{
    // Validity is judged against the vertex count of the moment, before the
    // split for the face normals and the grouping, after it for the sums.
    const uint32_t originalCount = GetVertexCount();
    SmoothingSplit split(useSmoothingGroups ? originalCount : 0);
    for (TdsTriangleEx& face : trianglesEx)
    {
        if (!FaceIsValid(face, originalCount))
        {
            face.normal = TdsVector();
            continue;
        }
        face.normal = FaceCross(vertices[face.a], vertices[face.b], vertices[face.c]);
        if (useSmoothingGroups)
            split.Meet(face);
    }
    if (!trianglesEx.empty())
        TdsNormalizeEach(&trianglesEx[0].normal, trianglesEx.size(), sizeof(TdsTriangleEx));

    const uint32_t count = useSmoothingGroups ? split.Plan(kMaxVertices) : originalCount;
    if (count != originalCount)
    {
        vertices.reserve(count);
        normals.reserve(count);
        uvs.reserve(count);
        tangents.reserve(count);
        binormals.reserve(count);
        for (uint32_t v = 0; v < originalCount; ++v)
        {
            for (uint32_t k = split.Copies(v); k > 0; --k)
            {
                vertices.push_back(vertices[v]);
                normals.push_back(normals[v]);
                uvs.push_back(uvs[v]);
                tangents.push_back(tangents[v]);
                binormals.push_back(binormals[v]);
            }
        }
    }

    if (count != originalCount)
        split.MoveCorners();

    std::fill(normals.begin(), normals.end(), TdsVector());
    for (size_t i = 0; i < trianglesEx.size(); ++i)
    {
        const TdsTriangleEx& face = trianglesEx[i];
        if (FaceIsValid(face, count))
            AddToCorners(face, face.normal, normals.data());
        triangles[i].a = face.a;
        triangles[i].b = face.b;
        triangles[i].c = face.c;
    }
    TdsNormalizeEach(normals.data(), normals.size(), sizeof(TdsVector));
}

void TdsMesh::CalcTangentSpace()
{
    const uint32_t count = GetVertexCount();
    std::fill(tangents.begin(), tangents.end(), TdsVector());
    for (TdsTriangleEx& face : trianglesEx)
    {
        if (!FaceIsValid(face, count))
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
        AddToCorners(face, face.tangent, tangents.data());
    }
    TdsNormalizeEach(tangents.data(), count, sizeof(TdsVector));
    for (uint32_t v = 0; v < count; ++v)
        binormals[v] = TdsVector::Cross(tangents[v], normals[v]);
    TdsNormalizeEach(binormals.data(), count, sizeof(TdsVector));
}
