// A mesh as read from a 3DS file: per-vertex arrays of equal length, plain and
// extended triangles, the local matrix, face materials, the keyframe pose and
// the hierarchy; plus the passes that derive normals and tangent space.
#pragma once

#include "tds/TdsMath.h"
#include "tds/TdsRecords.h"

#include <cstdint>
#include <vector>

class TdsMesh : public TdsObject
{
public:
    // Vertex indices are 16-bit, so a mesh never holds more vertices than this.
    static constexpr uint32_t kMaxVertices = 65536;

    uint32_t GetVertexCount() const { return static_cast<uint32_t>(vertices.size()); }
    uint32_t GetTriangleCount() const { return static_cast<uint32_t>(triangles.size()); }
    uint32_t GetMaterialCount() const { return static_cast<uint32_t>(materials.size()); }

    // Resize all five per-vertex arrays / both triangle arrays; new elements are zero.
    void SetVertexCount(uint32_t n);
    void SetTriangleCount(uint32_t n);

    // Element i; i must be below the vertex count.
    TdsVertex& GetVertex(uint32_t i) { return vertices[i]; }
    TdsVector& GetNormal(uint32_t i) { return normals[i]; }
    TdsUV& GetUV(uint32_t i) { return uvs[i]; }
    TdsVector& GetTangent(uint32_t i) { return tangents[i]; }
    TdsVector& GetBinormal(uint32_t i) { return binormals[i]; }
    const TdsVertex& GetVertex(uint32_t i) const { return vertices[i]; }
    const TdsVector& GetNormal(uint32_t i) const { return normals[i]; }
    const TdsUV& GetUV(uint32_t i) const { return uvs[i]; }
    const TdsVector& GetTangent(uint32_t i) const { return tangents[i]; }
    const TdsVector& GetBinormal(uint32_t i) const { return binormals[i]; }

    // Store element i; an index not below the vertex count is ignored.
    void SetVertex(const TdsVertex& value, uint32_t i);
    void SetNormal(const TdsVector& value, uint32_t i);
    void SetUV(const TdsUV& value, uint32_t i);
    void SetTangent(const TdsVector& value, uint32_t i);
    void SetBinormal(const TdsVector& value, uint32_t i);

    // Triangle i; i must be below the triangle count.
    TdsTriangle& GetTriangle(uint32_t i) { return triangles[i]; }
    const TdsTriangle& GetTriangle(uint32_t i) const { return triangles[i]; }
    TdsTriangleEx& GetTriangleEx(uint32_t i) { return trianglesEx[i]; }
    const TdsTriangleEx& GetTriangleEx(uint32_t i) const { return trianglesEx[i]; }
    // Stores the extended triangle and its corners as plain triangle i; an
    // index not below the triangle count is ignored.
    void SetTriangleEx(const TdsTriangleEx& record, uint32_t i);
    // Removes every triangle with a corner at or beyond the vertex count;
    // returns how many were removed.
    uint32_t RemoveBrokenTriangles();

    // Triangle i expanded to its corners, with the face normal recomputed from
    // the positions. A corner outside the vertex arrays reads as zero.
    TdsTriangle2 GetTriangle2(uint32_t i) const;

    void GetMatrix(float out[16]) const;
    void SetMatrix(const float in[16]);

    void SetParent(TdsMesh* mesh) { parent = mesh; }
    TdsMesh* GetParent() const { return parent; }
    void AddChild(TdsMesh* mesh) { children.push_back(mesh); }
    // Drops every entry of the mesh from the child list.
    void RemoveChild(TdsMesh* mesh);
    uint32_t GetChildCount() const { return static_cast<uint32_t>(children.size()); }
    TdsMesh* GetChild(uint32_t i) const { return children[i]; }
    // True when mesh is this mesh or one of its ancestors.
    bool IsSelfOrDescendantOf(const TdsMesh* mesh) const;

    // Appends a material id (an index into the loader's material list) and
    // returns its index in this mesh's list.
    uint32_t AddMaterial(uint32_t id);
    uint32_t GetMaterial(uint32_t i) const { return materials[i]; }

    // Keyframe pose: rotation is angle and axis as the track stores them.
    void SetPose(const float newRotation[4], const TdsVector& newPosition,
                 const TdsVector& newScale, const TdsVector& newPivot);
    const float* GetRotation() const { return rotation; }
    TdsVector GetPosition() const { return position; }
    TdsVector GetScale() const { return scale; }
    TdsVector GetPivot() const { return pivot; }

    // Empties every array, drops the parent and resets the matrix; the pose stays.
    void Clear();

    // Level 0 transforms the vertices by the matrix; 1 computes normals;
    // 2 computes normals split by smoothing group, then the tangent space.
    // Other levels do nothing.
    void Optimize(int32_t level);
    void TransformVertices();
    void CalcNormals(bool useSmoothingGroups);
    void CalcTangentSpace();

private:
    // True when all three corners lie below count.
    static bool FaceIsValid(const TdsTriangleEx& face, uint32_t count)
    {
        return face.a < count && face.b < count && face.c < count;
    }
    bool FaceIsValid(const TdsTriangleEx& face) const
    {
        return FaceIsValid(face, GetVertexCount());
    }

    float rotation[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    TdsVector position;
    TdsVector scale;
    TdsVector pivot;
    TdsMesh* parent = nullptr;
    std::vector<TdsMesh*> children;
    std::vector<TdsVertex> vertices;
    std::vector<TdsVector> normals;
    std::vector<TdsVector> binormals;
    std::vector<TdsVector> tangents;
    std::vector<TdsUV> uvs;
    std::vector<TdsTriangle> triangles;
    std::vector<TdsTriangleEx> trianglesEx;
    TdsMatrix matrix;
    std::vector<uint32_t> materials;
};
