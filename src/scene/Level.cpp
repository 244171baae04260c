#include "scene/Level.h"

#include "core/Log.h"
#include "math/BoundingBox.h"
#include "math/RayHit.h"
#include "net/Message.h"
#include "platform/Files.h"
#include "scene/Camera.h"
#include "tds/TdsReader.h"
#include "video/ResourceManager.h"
#include "video/TdsImport.h"
#include "video/Video.h"

#include <vector>

const char* const kLevelStateFile = "testlevel.3ds";

namespace
{
constexpr int kOctreeDepth = 3;
// The octree's box exceeds the model's by this much on every side.
constexpr float kBoxMargin = 0.1f;

// A name a peer may make the level open: relative, with no ".." component
// under either separator (the path resolver reads a backslash as '/'), and a
// regular file, so that neither the open nor the read can block the frame.
bool IsGameFile(const std::string& name)
{
    if (name.empty() || name[0] == '/' || name[0] == '\\')
        return false;
    size_t start = 0;
    while (start <= name.size())
    {
        size_t end = name.find_first_of("/\\", start);
        if (end == std::string::npos)
            end = name.size();
        if (name.compare(start, end - start, "..") == 0)
            return false;
        start = end + 1;
    }
    return IsRegularFile(name.c_str());
}
} // namespace

int Level::Load(const char* fileName)
{
    TdsReader reader;
    reader.LoadFile(fileName);
    if (reader.GetMeshCount() < 1 || reader.GetMesh(0)->GetVertexCount() == 0)
        return -1;
    ImportedMesh mesh = ImportTdsMesh(reader, *reader.GetMesh(0));

    std::vector<Vector3> positions;
    positions.reserve(mesh.vertices.size());
    for (const ImportedVertex& vertex : mesh.vertices)
        positions.push_back(vertex.position);
    BoundingBox bounds;
    bounds.Fit(positions);
    const Vector3 margin(kBoxMargin, kBoxMargin, kBoxMargin);
    octree = new OctreeNode(bounds.min - margin, bounds.max + margin, kOctreeDepth);

    // Each material's texture is asked of the cache when a face first uses it.
    std::vector<SmartPtr<Texture>> textures(mesh.textureNames.size());
    for (const ImportedTriangle& source : mesh.triangles)
    {
        LevelTriangle triangle;
        if (source.material != kNoImportedMaterial)
        {
            SmartPtr<Texture>& texture = textures[static_cast<size_t>(source.material)];
            if (!texture)
                texture = ResourceManager::Instance().GetTexture(
                    mesh.textureNames[static_cast<size_t>(source.material)].c_str());
            triangle.texture = texture;
        }
        for (int k = 0; k < 3; ++k)
        {
            const ImportedVertex& vertex = mesh.vertices[source.indices[k]];
            triangle.vertices[k] = LevelVertex{vertex.position.x,
                                               vertex.position.y,
                                               vertex.position.z,
                                               kLevelVertexWhite,
                                               vertex.u,
                                               vertex.v,
                                               0.0f,
                                               0.0f};
        }
        triangle.normal = source.normal;
        octree->Insert(triangle);
    }
    return 0;
}

void Level::Render(IDirect3DDevice9* device)
{
    if (!octree)
        return;
    Camera* camera = Video::Instance().camera.Get();
    octree->Render(device, camera ? &camera->frustum : nullptr);
}

bool Level::Intersects(const Vector3& from, const Vector3& to)
{
    if (!octree)
        return false;
    BoundingBox box;
    box.SetFromPoints(from, to);
    return octree->IntersectsSegment(from, to, box);
}

void Level::RayCast(const Vector3& from, const Vector3& to, RayHit& hit)
{
    if (!octree)
        return;
    BoundingBox box;
    box.SetFromPoints(from, to);
    octree->RayCast(from, to, box, hit);
}

void Level::Sweep(const Vector3& from, const Vector3& to, const Vector3& radii, RayHit& hit)
{
    // Written so that a NaN radius fails too: space is divided by the radii.
    if (!octree || !(radii.x > 0.0f && radii.y > 0.0f && radii.z > 0.0f))
        return;
    BoundingBox box;
    box.Fit({from + radii, from - radii, to + radii, to - radii});
    Vector3 start(from.x / radii.x, from.y / radii.y, from.z / radii.z);
    Vector3 end(to.x / radii.x, to.y / radii.y, to.z / radii.z);

    RayHit local;
    octree->Sweep(start, end, radii, box, local);
    // Several levels share the caller's hit: only a nearer contact replaces it.
    if (local.distance <= 1.0f && local.distance < hit.distance)
    {
        hit.distance = local.distance;
        hit.point =
            Vector3(local.point.x * radii.x, local.point.y * radii.y, local.point.z * radii.z);
        hit.normal =
            Vector3(local.normal.x / radii.x, local.normal.y / radii.y, local.normal.z / radii.z);
        hit.normal.Normalize();
    }
}

Message* Level::CreateStateMessage()
{
    Message* message = new Message();
    message->type = kStateMessageType;
    message->WriteInt(static_cast<uint32_t>(id));
    message->WriteString(kLevelStateFile);
    return message;
}

void Level::ApplyState(Message& message)
{
    std::string fileName = message.ReadString();
    if (message.HasOverrun())
        return;
    if (!IsGameFile(fileName))
    {
        Log::Printf(Log::Instance(),
                    "Level::ApplyState - level file refused: not a file in the game's folder\n");
        return;
    }
    Load(fileName.c_str());
    LoadLightmaps();
}
