#include "video/Model.h"

#include "core/Log.h"
#include "math/D3DXMath.h"
#include "math/Quaternion.h"
#include "platform/D3D9.h"
#include "tds/TdsReader.h"
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
    mesh.vertexCount = static_cast<int32_t>(imported.vertices.size());
    mesh.vertices.resize(imported.vertices.size());
    Vector3 lowest(99999.0f, 99999.0f, 99999.0f);
    Vector3 highest(-99999.0f, -99999.0f, -99999.0f);
    for (size_t i = 0; i < imported.vertices.size(); ++i)
    {
        const ImportedVertex& from = imported.vertices[i];
        mesh.vertices[i] = {from.position.x, from.position.y, from.position.z,
                            from.normal.x,   from.normal.y,   from.normal.z,
                            0xFFFFFFFF,      from.u,          from.v};
        lowest = Vector3(std::min(lowest.x, from.position.x), std::min(lowest.y, from.position.y),
                         std::min(lowest.z, from.position.z));
        highest =
            Vector3(std::max(highest.x, from.position.x), std::max(highest.y, from.position.y),
                    std::max(highest.z, from.position.z));
    }
    boxMin = lowest;
    boxMax = highest;

    if (FAILED(device->CreateVertexBuffer(static_cast<UINT>(mesh.vertexCount) * sizeof(ModelVertex),
                                          D3DUSAGE_WRITEONLY, kModelVertexFvf, D3DPOOL_MANAGED,
                                          &mesh.vertexBuffer, nullptr)))
    {
        mesh.vertexBuffer = nullptr;
        Clear();
        return -1;
    }
    void* vertexData = nullptr;
    if (SUCCEEDED(mesh.vertexBuffer->Lock(0, 0, &vertexData, D3DLOCK_DISCARD)))
    {
        std::memcpy(vertexData, mesh.vertices.data(), mesh.vertices.size() * sizeof(ModelVertex));
        mesh.vertexBuffer->Unlock();
    }

    // One group per material the mesh names, in its order (a material named
    // twice gets one group), then one without a texture for the faces that
    // name none. Groups without faces are left out.
    std::vector<int32_t> groupMaterials;
    for (uint32_t k = 0; k < tdsMesh.GetMaterialCount(); ++k)
    {
        int32_t id = static_cast<int32_t>(tdsMesh.GetMaterial(k));
        if (std::find(groupMaterials.begin(), groupMaterials.end(), id) == groupMaterials.end())
            groupMaterials.push_back(id);
    }
    groupMaterials.push_back(kNoImportedMaterial);

    std::vector<std::unique_ptr<MaterialGroup>> built;
    for (int32_t id : groupMaterials)
    {
        std::unique_ptr<MaterialGroup> group(new MaterialGroup());
        if (id != kNoImportedMaterial && id < static_cast<int32_t>(imported.textureNames.size()))
            group->material = &materials[id];
        group->minIndex = mesh.vertexCount;
        group->maxIndex = 0;
        for (const ImportedTriangle& triangle : imported.triangles)
        {
            if (triangle.material != id)
                continue;
            for (uint16_t index : triangle.indices)
            {
                group->indices.push_back(index);
                group->minIndex = std::min<int32_t>(group->minIndex, index);
                group->maxIndex = std::max<int32_t>(group->maxIndex, index);
            }
            ++group->faceCount;
        }
        if (group->faceCount > 0)
            built.push_back(std::move(group));
    }

    mesh.groupCount = static_cast<int32_t>(built.size());
    mesh.groups.reset(new MaterialGroup[built.size()]);
    for (size_t k = 0; k < built.size(); ++k)
    {
        MaterialGroup& group = mesh.groups[k];
        group.material = built[k]->material;
        group.minIndex = built[k]->minIndex;
        group.maxIndex = built[k]->maxIndex;
        group.faceCount = built[k]->faceCount;
        group.indices.swap(built[k]->indices);
        if (FAILED(device->CreateIndexBuffer(static_cast<UINT>(group.faceCount) * 6,
                                             D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_MANAGED,
                                             &group.indexBuffer, nullptr)))
        {
            group.indexBuffer = nullptr;
            Clear();
            return -1;
        }
        void* indexData = nullptr;
        if (SUCCEEDED(group.indexBuffer->Lock(0, 0, &indexData, D3DLOCK_DISCARD)))
        {
            std::memcpy(indexData, group.indices.data(), group.indices.size() * sizeof(uint16_t));
            group.indexBuffer->Unlock();
        }
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

    device->SetFVF(kModelVertexFvf);
    device->SetRenderState(D3DRS_LIGHTING, TRUE);
    device->SetRenderState(D3DRS_ZENABLE, TRUE);
    device->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
    device->SetPixelShader(nullptr);
    device->SetVertexShader(nullptr);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);

    D3DMATERIAL9 material;
    std::memset(&material, 0, sizeof material);
    material.Diffuse.r = 1.0f;
    material.Diffuse.g = 1.0f;
    material.Diffuse.b = 1.0f;
    material.Diffuse.a = 1.0f;
    device->SetMaterial(&material);

    for (DWORD sampler = 0; sampler < 4; ++sampler)
    {
        device->SetSamplerState(sampler, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
        device->SetSamplerState(sampler, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
        device->SetSamplerState(sampler, D3DSAMP_MIPFILTER, D3DTEXF_POINT);
    }

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
