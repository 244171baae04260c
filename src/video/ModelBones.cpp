// The bone tree's matrices, its debug drawing and the bone-weight file.
#include "core/Log.h"
#include "math/D3DXMath.h"
#include "platform/D3D9.h"
#include "platform/Files.h"
#include "video/Model.h"
#include "video/RenderPresets.h"
#include "video/Video.h"

#include <fstream>
#include <string>

namespace
{
constexpr const char* kWeightKeyword = "\"VuZ_WeightList\"";
} // namespace

void Bone::UpdateMatrices(const Matrix& parentWorld)
{
    worldMatrix = localMatrix * parentWorld;
    skinMatrix = inverseBindMatrix * worldMatrix;
    for (Bone* child : children)
        child->UpdateMatrices(worldMatrix);
}

void Bone::ComputeBindInverse(const Matrix& parentBindWorld)
{
    bindWorldMatrix = bindLocalMatrix * parentBindWorld;
    D3DXMatrixInverse(&inverseBindMatrix, nullptr, &bindWorldMatrix);
    for (Bone* child : children)
        child->ComputeBindInverse(bindWorldMatrix);
}

void Bone::DrawSkeleton(IDirect3DDevice9* device, Vector3 parentJoint)
{
    Vector3 joint = Vector3(0.0f, 0.0f, 0.0f).TransformCoord(worldMatrix);

    ApplyRenderPreset(device, RenderPreset::DebugLinesOnTop);

    LineVertex line[2] = {
        {parentJoint.x, parentJoint.y, parentJoint.z, 0xFFFFFFFF},
        {joint.x, joint.y, joint.z, 0xFFFFFFFF},
    };
    device->DrawPrimitiveUP(D3DPT_LINELIST, 1, line, sizeof(LineVertex));
    Video::Instance().DrawBox(joint - Vector3(1.0f, 1.0f, 1.0f), joint + Vector3(1.0f, 1.0f, 1.0f),
                              0xFFFF0000);

    for (Bone* child : children)
        child->DrawSkeleton(device, joint);
}

int Model::LoadWeights(const char* fileName)
{
    if (boneCount == 0 || meshCount == 0)
        return -1;
    std::ifstream file(ResolvePath(fileName));
    if (!file)
        return -1;

    std::string keyword;
    int entryCount = 0;
    int fileBoneCount = 0;
    if (!(file >> keyword) || keyword != kWeightKeyword)
        return -1;
    if (!(file >> entryCount >> fileBoneCount) || fileBoneCount != boneCount)
        return -1;

    // Built aside and kept only when the whole file reads, so a malformed file
    // leaves the model's weights as they were.
    ModelMesh& mesh = meshes[0];
    std::vector<std::array<BoneWeight, 4>> weights(static_cast<size_t>(mesh.vertexCount));
    for (int entry = 0; entry < entryCount; ++entry)
    {
        int vertexNumber = 0;
        std::string skipped;
        int pairCount = 0;
        if (!(file >> vertexNumber >> skipped >> pairCount))
            return -1;
        if (vertexNumber == 0)
            Log::Printf(Log::Instance(), "%d !!!!!\n", 0);
        // Vertex numbers count from 1; entries naming no vertex are read and
        // dropped.
        bool named = vertexNumber >= 1 && vertexNumber <= mesh.vertexCount;
        Vector3 shared;
        if (named)
        {
            const ModelVertex& source = mesh.vertices[static_cast<size_t>(vertexNumber - 1)];
            shared = Vector3(source.x, source.y, source.z);
        }
        for (int pair = 0; pair < pairCount; ++pair)
        {
            int unused = 0;
            std::string boneName;
            float weight = 0.0f;
            if (!(file >> unused >> boneName >> weight))
                return -1;
            if (boneName.size() >= 2)
                boneName = boneName.substr(1, boneName.size() - 2);
            else
                boneName.clear();
            Bone* bone = nullptr;
            for (int b = 0; b < boneCount && !bone; ++b)
            {
                if (bones[b].name == boneName)
                    bone = &bones[b];
            }
            if (!named || !bone || pair >= 4 || !(weight > 0.0f))
                continue;
            for (int v = 0; v < mesh.vertexCount; ++v)
            {
                const ModelVertex& vertex = mesh.vertices[static_cast<size_t>(v)];
                if (Vector3(vertex.x, vertex.y, vertex.z) == shared)
                    weights[static_cast<size_t>(v)][static_cast<size_t>(pair)] = {bone, weight};
            }
        }
    }

    mesh.weights.swap(weights);
    rootBone = 0;
    return 0;
}
