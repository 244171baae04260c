// A mesh resource imported from a 3DS file: one vertex buffer and one 16-bit
// index buffer per material group, the groups' textures, a bounding box and an
// optional bone hierarchy with per-vertex bone weights from a weight file.
#pragma once

#include "core/SmartPtr.h"
#include "math/Matrix.h"
#include "math/Vector3.h"
#include "video/Resource.h"
#include "video/Texture.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class IDirect3DDevice9;
class IDirect3DIndexBuffer9;
class IDirect3DVertexBuffer9;
class TdsLoaderBase;

// One vertex as the device draws it (kModelVertexFvf): position, normal,
// diffuse colour, one texture coordinate set.
struct ModelVertex
{
    float x, y, z;
    float nx, ny, nz;
    uint32_t diffuse;
    float u, v;
};
static_assert(sizeof(ModelVertex) == 36, "ModelVertex must match the 36-byte vertex format");

// One texture per texture stage 0 to 3; the import fills stage 0 only.
struct ModelMaterial
{
    SmartPtr<Texture> textures[4];
};

// The faces of one material, as triangles of 16-bit vertex indices.
struct MaterialGroup
{
    MaterialGroup() = default;
    ~MaterialGroup();
    MaterialGroup(const MaterialGroup&) = delete;
    MaterialGroup& operator=(const MaterialGroup&) = delete;

    // Not owned; null draws the group untextured.
    ModelMaterial* material = nullptr;
    int32_t minIndex = 0;
    int32_t maxIndex = 0;
    int32_t faceCount = 0;
    // 3 * faceCount indices.
    std::vector<uint16_t> indices;
    IDirect3DIndexBuffer9* indexBuffer = nullptr;
};

class Bone;

struct BoneWeight
{
    Bone* bone = nullptr;
    float weight = 0.0f;
};

struct ModelMesh
{
    ModelMesh() = default;
    ~ModelMesh();
    ModelMesh(const ModelMesh&) = delete;
    ModelMesh& operator=(const ModelMesh&) = delete;

    int32_t vertexCount = 0;
    // The system-memory copy of the vertex buffer.
    std::vector<ModelVertex> vertices;
    IDirect3DVertexBuffer9* vertexBuffer = nullptr;
    // Four weights per vertex; empty until a weight file is loaded.
    std::vector<std::array<BoneWeight, 4>> weights;
    int32_t groupCount = 0;
    std::unique_ptr<MaterialGroup[]> groups;
};

// One joint of the bone tree. Products read left to right (row vectors).
class Bone
{
public:
    // worldMatrix = localMatrix * parentWorld, skinMatrix = inverseBindMatrix *
    // worldMatrix; then the children with this bone's worldMatrix.
    void UpdateMatrices(const Matrix& parentWorld);
    // bindWorldMatrix = bindLocalMatrix * parentBindWorld and its inverse; then
    // the children. Called once by the import on the root bone.
    void ComputeBindInverse(const Matrix& parentBindWorld);
    // Debug drawing: a line from the parent's joint to this joint and a red box
    // around the joint, then the children.
    void DrawSkeleton(IDirect3DDevice9* device, Vector3 parentJoint);

    Matrix skinMatrix;
    Matrix worldMatrix;
    Matrix localMatrix;
    Matrix bindLocalMatrix;
    Matrix bindWorldMatrix;
    Matrix inverseBindMatrix;
    int32_t childCount = 0;
    // Bones of the same model; the import guarantees the tree has no cycle.
    std::vector<Bone*> children;
    std::string name;
};

class Model : public Resource
{
public:
    Model() = default;
    ~Model() override;

    int GetType() override { return kResourceModel; }
    // Imports a file whose name ends in ".3ds" in any letter case; any other
    // name fails (-1) with a log line. 0 on success.
    int Load(const char* name) override;
    // 0 on success; -1 when the file cannot be read, holds no mesh or a buffer
    // cannot be made, in which case the model is left empty and draws nothing.
    int Import3DS(const char* fileName);
    // The import from a file the caller has read; fileName names it in the log.
    // Mesh 0 comes through ImportTdsMesh (video/TdsImport.h), the conversion
    // the level loader shares; faces without a material form a last,
    // untextured group.
    int ImportFrom(TdsLoaderBase& reader, const char* fileName);
    // Draws the current mesh under the world transform the caller has set.
    void Render(IDirect3DDevice9* device);
    // Reads a bone-weight file into mesh 0; 0 on success, -1 (weights left as
    // they were, nothing logged) when the model has no bones or the file cannot
    // be opened, has the wrong keyword or bone count, or is malformed.
    int LoadWeights(const char* fileName);

    int32_t currentMesh = 0;
    int32_t boneCount = 0;
    int32_t meshCount = 0;
    int32_t materialCount = 0;
    int32_t rootBone = -1;
    Vector3 boxMin;
    Vector3 boxMax;
    std::unique_ptr<Bone[]> bones;
    std::unique_ptr<ModelMesh[]> meshes;
    std::unique_ptr<ModelMaterial[]> materials;

private:
    // Back to the state of a new model.
    void Clear();
    // Bones from the reader's meshes whose names contain "Bone"; a hierarchy
    // that is not a tree is dropped with a log line.
    void ImportBones(TdsLoaderBase& reader);
};
