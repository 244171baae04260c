#include "GameSceneBaseline.h"

#include "BenchSupport.h"
#include "GlBaseline.h"

#include "core/Timer.h"
#include "game/Tank.h"
#include "physics/Physics.h"
#include "physics/PhysicsBox.h"
#include "scene/Camera.h"
#include "scene/Light.h"
#include "scene/SceneGraph.h"
#include "scene/SkyBox.h"
#include "scene/StaticModel.h"
#include "video/DeviceLights.h"
#include "video/Model.h"
#include "video/Video.h"

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <map>
#include <vector>

namespace
{
class SceneFeeder
{
public:
    explicit SceneFeeder(GlBaseline& baseline) : baseline(baseline) {}

    // The texture's level 0 as the engine holds it; -1 for an empty one.
    int TextureOf(Texture* texture, GlBaseline::Filter filter)
    {
        if (!texture || !texture->texture)
            return -1;
        auto known = textures.find(texture);
        if (known != textures.end())
            return known->second;
        D3DSURFACE_DESC desc;
        D3DLOCKED_RECT locked;
        int id = -1;
        IDirect3DTexture9* device = texture->texture;
        if (device->GetLevelDesc(0, &desc) == D3D_OK &&
            (desc.Format == D3DFMT_A8R8G8B8 || desc.Format == D3DFMT_X8R8G8B8) &&
            device->LockRect(0, &locked, nullptr, D3DLOCK_READONLY) == D3D_OK)
        {
            std::vector<uint32_t> argb(static_cast<size_t>(desc.Width) * desc.Height);
            for (UINT y = 0; y < desc.Height; ++y)
                std::memcpy(&argb[static_cast<size_t>(y) * desc.Width],
                            static_cast<const uint8_t*>(locked.pBits) +
                                static_cast<size_t>(y) * static_cast<size_t>(locked.Pitch),
                            desc.Width * 4);
            device->UnlockRect(0);
            id = baseline.AddTexture(argb, static_cast<int>(desc.Width),
                                     static_cast<int>(desc.Height), desc.Format == D3DFMT_A8R8G8B8,
                                     filter);
        }
        textures[texture] = id;
        return id;
    }

    void AddModel(Model* model, const Matrix& world)
    {
        if (!model || model->meshCount == 0)
            return;
        auto known = meshes.find(model);
        int mesh = known != meshes.end() ? known->second : -1;
        if (known == meshes.end())
        {
            const ModelMesh& source = model->meshes[model->currentMesh];
            mesh = baseline.AddMesh(
                source.vertices.data(), source.vertices.size() * sizeof(ModelVertex),
                sizeof(ModelVertex), offsetof(ModelVertex, nx), offsetof(ModelVertex, u));
            for (int k = 0; k < source.groupCount; ++k)
            {
                const MaterialGroup& group = source.groups[k];
                Texture* texture = group.material ? group.material->textures[0].Get() : nullptr;
                baseline.AddGroup(mesh, group.indices,
                                  TextureOf(texture, GlBaseline::Filter::Mipmapped));
            }
            meshes[model] = mesh;
        }
        baseline.AddInstance(mesh, world.m);
    }

    // The models of the node and its subtree, as the render traversal draws them.
    void AddTree(SceneNode* node)
    {
        switch (node->GetType())
        {
        case kNodeStaticModel:
        case kNodeTank:
            AddModel(static_cast<StaticModel*>(node)->model.Get(), node->worldMatrix);
            break;
        case kNodePhysicsBox:
            AddModel(static_cast<PhysicsBox*>(node)->model.Get(), node->worldMatrix);
            break;
        case kNodeSkyBox:
            sky = static_cast<SkyBox*>(node);
            break;
        default:
            break;
        }
        for (const SmartPtr<SceneNode>& child : node->GetChildren())
            AddTree(child.Get());
    }

    GlBaseline& baseline;
    SkyBox* sky = nullptr;
    std::map<Texture*, int> textures;
    std::map<Model*, int> meshes;
};

// The twelve edges of each outline as pairs of world-space points.
std::vector<float> OutlineEdges()
{
    std::vector<Physics::Outline> outlines;
    Physics::Instance()->GetOutlines(outlines);
    std::vector<float> points;
    const int edges[24] = {0, 1, 1, 2, 2, 3, 3, 0, 4, 5, 5, 6, 6, 7, 7, 4, 0, 4, 1, 5, 2, 6, 3, 7};
    for (const Physics::Outline& outline : outlines)
    {
        Vector3 lo = outline.extents * -0.5f;
        Vector3 hi = outline.extents * 0.5f;
        const Vector3 corners[8] = {{lo.x, hi.y, lo.z}, {lo.x, hi.y, hi.z}, {hi.x, hi.y, hi.z},
                                    {hi.x, hi.y, lo.z}, {lo.x, lo.y, lo.z}, {lo.x, lo.y, hi.z},
                                    {hi.x, lo.y, hi.z}, {hi.x, lo.y, lo.z}};
        for (int corner : edges)
        {
            Vector3 p = corners[corner].TransformCoord(outline.pose);
            points.insert(points.end(), {p.x, p.y, p.z});
        }
    }
    return points;
}

// The HUD's two lines as 8 by 8 glyph quads from (8, 8), as Video::DrawText
// lays them out.
std::vector<float> HudGlyphs()
{
    char text[128];
    std::snprintf(text, sizeof text, "Speed: %d fps\nPing:  %d msec\n\n",
                  static_cast<int>(Timer::Instance()->GetFPS()), 0);
    std::vector<float> corners;
    float x = 8.0f;
    float y = 8.0f;
    for (const char* p = text; *p; ++p)
    {
        unsigned char c = static_cast<unsigned char>(*p);
        if (c == '\n')
        {
            x = 8.0f;
            y += 8.0f;
            continue;
        }
        float u = static_cast<float>(c % 16) / 16.0f;
        float v = static_cast<float>(c / 16) / 16.0f;
        corners.insert(corners.end(), {x, y, u, v, x + 8, y, u + 0.0625f, v, x + 8, y + 8,
                                       u + 0.0625f, v + 0.0625f, x, y + 8, u, v + 0.0625f});
        x += 8.0f;
    }
    return corners;
}
} // namespace

bool FeedGameScene(GlBaseline& baseline, std::string& why)
{
    Video& video = Video::Instance();
    Camera* camera = video.camera.Get();
    if (!video.device || !camera)
    {
        why = "no device or no camera";
        return false;
    }
    SceneFeeder feeder(baseline);
    feeder.AddTree(MainSceneGraph.GetRoot());
    if (!feeder.sky)
    {
        why = "no sky box";
        return false;
    }

    std::vector<float> corners;
    for (const SkyBoxVertex& v : SkyBoxVertices)
        corners.insert(corners.end(), {v.x, v.y, v.z, v.u, v.v});
    std::vector<int> faces;
    // The sky box samples its faces' top levels: it turns mip filtering off.
    for (const SmartPtr<Texture>& texture : feeder.sky->faceTextures)
        faces.push_back(feeder.TextureOf(texture.Get(), GlBaseline::Filter::Linear));
    Vector3 eye = camera->worldMatrix.GetTranslation();
    Matrix skyWorld;
    skyWorld.m[12] = eye.x;
    skyWorld.m[13] = eye.y;
    skyWorld.m[14] = eye.z;
    baseline.SetSky(corners, faces, skyWorld.m);

    for (const SmartPtr<Light>& light : video.lights)
    {
        if (!light->enabled)
            continue;
        D3DLIGHT9 record;
        FillLightRecord(static_cast<int>(light->kind), light->colour, light->range, light->falloff,
                        light->coneAngle, light->worldMatrix, record);
        baseline.AddLight(record.Direction.x, record.Direction.y, record.Direction.z);
    }

    baseline.SetLines(OutlineEdges(), Physics::kDebugColor);
    baseline.SetText(HudGlyphs(),
                     feeder.TextureOf(video.fontTexture.Get(), GlBaseline::Filter::Nearest),
                     0xFFFFFFFF);
    baseline.SetCamera(GlClip(camera->GetProjectionMatrix()).m, camera->GetViewMatrix().m);
    return true;
}
