#include "video/Model.h"

#include "core/Log.h"
#include "math/D3DXMath.h"
#include "math/Quaternion.h"
#include "platform/D3D9.h"
#include "tds/TdsReader.h"
#include "video/RenderPresets.h"
#include "video/ResourceManager.h"
#include "video/TdsImport.h"
#include "video/Video.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace
{
bool EndsWithIgnoringCase(const char* text, const char* suffix)
{
    size_t textLength = std::strlen(text);
    size_t suffixLength = std::strlen(suffix);
    if (textLength < suffixLength)
        return false;
    const char* tail = text + textLength - suffixLength;
    for (size_t i = 0; i < suffixLength; ++i)
    {
        char a = tail[i];
        char b = suffix[i];
        if (a >= 'A' && a <= 'Z')
            a = static_cast<char>(a - 'A' + 'a');
        if (b >= 'A' && b <= 'Z')
            b = static_cast<char>(b - 'A' + 'a');
        if (a != b)
            return false;
    }
    return true;
}

// True when the child links form a forest: no bone is the child of two links
// and no walk comes back to a bone on its own path. Iterative, so a deep chain
// cannot exhaust the stack here.
bool IsForest(Bone* bones, int count)
{
    std::vector<int> parents(static_cast<size_t>(count), 0);
    for (int b = 0; b < count; ++b)
    {
        for (Bone* child : bones[b].children)
        {
            if (++parents[static_cast<size_t>(child - bones)] > 1)
                return false;
        }
    }
    enum Mark : uint8_t
    {
        kUnseen,
        kOnPath,
        kDone
    };
    std::vector<uint8_t> mark(static_cast<size_t>(count), kUnseen);
    struct Step
    {
        int bone;
        size_t nextChild;
    };
    std::vector<Step> path;
    for (int start = 0; start < count; ++start)
    {
        if (mark[start] != kUnseen)
            continue;
        mark[start] = kOnPath;
        path.push_back({start, 0});
        while (!path.empty())
        {
            Step& step = path.back();
            Bone& bone = bones[step.bone];
            if (step.nextChild == bone.children.size())
            {
                mark[step.bone] = kDone;
                path.pop_back();
                continue;
            }
            int child = static_cast<int>(bone.children[step.nextChild++] - bones);
            if (mark[child] == kOnPath)
                return false;
            if (mark[child] == kUnseen)
            {
                mark[child] = kOnPath;
                path.push_back({child, 0});
            }
        }
    }
    return true;
}

// The vertices in the model's format, and their bounding box; the running box
// starts at +-99999, so a mesh without vertices keeps that inverted box.
void FillVertices(const ImportedMesh& imported, ModelMesh& mesh, Vector3& boxMin, Vector3& boxMax)
{
    mesh.vertexCount = static_cast<int32_t>(imported.vertices.size());
    mesh.vertices.resize(imported.vertices.size());
    boxMin = Vector3(99999.0f, 99999.0f, 99999.0f);
    boxMax = Vector3(-99999.0f, -99999.0f, -99999.0f);
    for (size_t i = 0; i < imported.vertices.size(); ++i)
    {
        const ImportedVertex& from = imported.vertices[i];
        const Vector3& p = from.position;
        const Vector3& n = from.normal;
        mesh.vertices[i] = {p.x, p.y, p.z, n.x, n.y, n.z, 0xFFFFFFFF, from.u, from.v};
        boxMin = Vector3(std::min(boxMin.x, p.x), std::min(boxMin.y, p.y), std::min(boxMin.z, p.z));
        boxMax = Vector3(std::max(boxMax.x, p.x), std::max(boxMax.y, p.y), std::max(boxMax.z, p.z));
    }
}

// One group per material the mesh names, in its order (a material named twice
// gets one group), then one without a texture for the faces that name none.
// Groups without faces are left out. materials[i] is reader material i.
void FillGroups(const TdsMesh& tdsMesh, const ImportedMesh& imported, ModelMaterial* materials,
                ModelMesh& mesh)
{
    std::vector<int32_t> ids;
    for (uint32_t k = 0; k < tdsMesh.GetMaterialCount(); ++k)
    {
        int32_t id = static_cast<int32_t>(tdsMesh.GetMaterial(k));
        if (std::find(ids.begin(), ids.end(), id) == ids.end())
            ids.push_back(id);
    }
    ids.push_back(kNoImportedMaterial);
    auto hasFaces = [&imported](int32_t id)
    {
        return std::any_of(imported.triangles.begin(), imported.triangles.end(),
                           [id](const ImportedTriangle& t) { return t.material == id; });
    };
    ids.erase(std::remove_if(ids.begin(), ids.end(), [&](int32_t id) { return !hasFaces(id); }),
              ids.end());

    mesh.groupCount = static_cast<int32_t>(ids.size());
    mesh.groups.reset(new MaterialGroup[ids.size()]);
    for (size_t k = 0; k < ids.size(); ++k)
    {
        MaterialGroup& group = mesh.groups[k];
        int32_t id = ids[k];
        // Every id but the last is one of the reader's materials.
        if (id != kNoImportedMaterial && id < static_cast<int32_t>(imported.textureNames.size()))
            group.material = &materials[id];
        group.minIndex = mesh.vertexCount;
        group.maxIndex = 0;
        for (const ImportedTriangle& triangle : imported.triangles)
        {
            if (triangle.material != id)
                continue;
            for (uint16_t index : triangle.indices)
            {
                group.indices.push_back(index);
                group.minIndex = std::min<int32_t>(group.minIndex, index);
                group.maxIndex = std::max<int32_t>(group.maxIndex, index);
            }
            ++group.faceCount;
        }
    }
}

// The vertex buffer and each group's index buffer, filled from the copies in
// system memory; false when one cannot be made. A failed lock leaves that
// buffer unfilled.
bool CreateBuffers(IDirect3DDevice9* device, ModelMesh& mesh)
{
    if (FAILED(device->CreateVertexBuffer(static_cast<UINT>(mesh.vertexCount) * sizeof(ModelVertex),
                                          D3DUSAGE_WRITEONLY, kModelVertexFvf, D3DPOOL_MANAGED,
                                          &mesh.vertexBuffer, nullptr)))
    {
        mesh.vertexBuffer = nullptr;
        return false;
    }
    void* data = nullptr;
    if (SUCCEEDED(mesh.vertexBuffer->Lock(0, 0, &data, D3DLOCK_DISCARD)))
    {
        std::memcpy(data, mesh.vertices.data(), mesh.vertices.size() * sizeof(ModelVertex));
        mesh.vertexBuffer->Unlock();
    }
    for (int k = 0; k < mesh.groupCount; ++k)
    {
        MaterialGroup& group = mesh.groups[k];
        if (FAILED(device->CreateIndexBuffer(static_cast<UINT>(group.faceCount) * 6,
                                             D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_MANAGED,
                                             &group.indexBuffer, nullptr)))
        {
            group.indexBuffer = nullptr;
            return false;
        }
        if (SUCCEEDED(group.indexBuffer->Lock(0, 0, &data, D3DLOCK_DISCARD)))
        {
            std::memcpy(data, group.indices.data(), group.indices.size() * sizeof(uint16_t));
            group.indexBuffer->Unlock();
        }
    }
    return true;
}
} // namespace

MaterialGroup::~MaterialGroup()
{
    if (indexBuffer)
        indexBuffer->Release();
}

ModelMesh::~ModelMesh()
{
    if (vertexBuffer)
        vertexBuffer->Release();
}

Model::~Model()
{
    Clear();
}

void Model::Clear()
{
    bones.reset();
    meshes.reset();
    materials.reset();
    currentMesh = 0;
    boneCount = 0;
    meshCount = 0;
    materialCount = 0;
    rootBone = -1;
    boxMin = Vector3();
    boxMax = Vector3();
}

int Model::Load(const char* name)
{
    if (!EndsWithIgnoringCase(name, ".3ds"))
    {
        Log::Printf(Log::Instance(), "Model::Load - '%s' is not a 3DS file\n", name);
        return -1;
    }
    return Import3DS(name);
}

int Model::Import3DS(const char* fileName)
{
    Log::Printf(Log::Instance(), "Importing 3DS File '%s'\n", fileName);
    Clear();

    TdsReader reader;
    reader.LoadFile(fileName);
    return ImportFrom(reader, fileName);
}

int Model::ImportFrom(TdsLoaderBase& reader, const char* fileName)
{
    Clear();
    if (reader.GetMeshCount() == 0)
        return -1;

    IDirect3DDevice9* device = Video::Instance().device;
    if (!device)
        return -1;

    const TdsMesh& tdsMesh = *reader.GetMesh(0);
    ImportedMesh imported = ImportTdsMesh(reader, tdsMesh);

    // Model material i stands for reader material i, the index a triangle's
    // material gives; a file without materials gets one without textures.
    materialCount = std::max<int32_t>(1, static_cast<int32_t>(imported.textureNames.size()));
    materials.reset(new ModelMaterial[static_cast<size_t>(materialCount)]);
    for (size_t i = 0; i < imported.textureNames.size(); ++i)
        materials[i].textures[0] =
            ResourceManager::Instance().GetTexture(imported.textureNames[i].c_str());

    meshCount = 1;
    meshes.reset(new ModelMesh[1]);
    ModelMesh& mesh = meshes[0];
    FillVertices(imported, mesh, boxMin, boxMax);
    FillGroups(tdsMesh, imported, materials.get(), mesh);
    if (!CreateBuffers(device, mesh))
    {
        Clear();
        return -1;
    }

    ImportBones(reader);

    Log::Printf(Log::Instance(), "'%s' imported successfully\n", fileName);
    Log::Printf(Log::Instance(), "%d Vertices\n", mesh.vertexCount);
    Log::Printf(Log::Instance(), "%d Faces\n", mesh.groupCount > 0 ? mesh.groups[0].faceCount : 0);
    return 0;
}

void Model::ImportBones(TdsLoaderBase& reader)
{
    std::vector<TdsMesh*> boneMeshes;
    for (uint32_t i = 0; i < reader.GetMeshCount(); ++i)
    {
        TdsMesh* tdsMesh = reader.GetMesh(i);
        if (std::strstr(tdsMesh->GetName(), "Bone"))
            boneMeshes.push_back(tdsMesh);
    }
    boneCount = static_cast<int32_t>(boneMeshes.size());
    if (boneCount == 0)
        return;

    bones.reset(new Bone[boneMeshes.size()]);
    for (int b = 0; b < boneCount; ++b)
    {
        TdsMesh* tdsMesh = boneMeshes[static_cast<size_t>(b)];
        Bone& bone = bones[b];
        bone.name = tdsMesh->GetName();

        // The keyframe track stores an angle and then the axis.
        const float* rotation = tdsMesh->GetRotation();
        Vector3 axis(rotation[1], rotation[2], rotation[3]);
        axis.Normalize();
        Quaternion turn = Quaternion::FromAxisAngle(axis, rotation[0]);
        TdsVector position = tdsMesh->GetPosition();
        Matrix scaling;
        Matrix turning;
        Matrix translation;
        D3DXMatrixScaling(&scaling, 1.0f, 1.0f, 1.0f);
        D3DXMatrixRotationQuaternion(&turning, &turn);
        D3DXMatrixTranslation(&translation, position.x, position.y, position.z);
        bone.bindLocalMatrix = scaling * turning * translation;
        bone.localMatrix = bone.bindLocalMatrix;
        if (!tdsMesh->GetParent())
            rootBone = b;
    }

    // A child whose name matches no bone is left out rather than kept as null.
    for (int b = 0; b < boneCount; ++b)
    {
        TdsMesh* tdsMesh = boneMeshes[static_cast<size_t>(b)];
        Bone& bone = bones[b];
        for (uint32_t c = 0; c < tdsMesh->GetChildCount(); ++c)
        {
            const char* childName = tdsMesh->GetChild(c)->GetName();
            Bone* match = nullptr;
            for (int other = 0; other < boneCount; ++other)
            {
                if (bones[other].name == childName)
                    match = &bones[other];
            }
            if (match)
                bone.children.push_back(match);
        }
        bone.childCount = static_cast<int32_t>(bone.children.size());
    }

    // Names decide the links, so a file can close a loop that the recursive
    // walks would follow for ever, or share a child so they visit it again and
    // again.
    if (!IsForest(bones.get(), boneCount))
    {
        Log::Printf(Log::Instance(),
                    "Model::Import3DS - the bones of '%s' do not form a tree; bones dropped\n",
                    GetName());
        bones.reset();
        boneCount = 0;
        rootBone = -1;
        return;
    }

    if (rootBone >= 0)
        bones[rootBone].ComputeBindInverse(Matrix());
}

void Model::Render(IDirect3DDevice9* device)
{
    if (meshCount == 0)
        return;

    ApplyRenderPreset(device, RenderPreset::ModelTriangles);

    currentMesh = std::max(0, std::min(currentMesh, meshCount - 1));
    if (boneCount > 0 && rootBone >= 0 && rootBone < boneCount)
        bones[rootBone].UpdateMatrices(Matrix());

    ModelMesh& mesh = meshes[currentMesh];
    if (!mesh.vertexBuffer)
        return;
    device->SetStreamSource(0, mesh.vertexBuffer, 0, sizeof(ModelVertex));
    for (int k = 0; k < mesh.groupCount; ++k)
    {
        MaterialGroup& group = mesh.groups[k];
        for (DWORD stage = 0; stage < 4; ++stage)
        {
            Texture* texture = group.material ? group.material->textures[stage].Get() : nullptr;
            device->SetTexture(stage, texture ? texture->texture : nullptr);
        }
        device->SetIndices(group.indexBuffer);
        device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, static_cast<UINT>(group.minIndex),
                                     static_cast<UINT>(group.maxIndex - group.minIndex + 1), 0,
                                     static_cast<UINT>(group.faceCount));
    }
}
