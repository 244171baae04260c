// The level: a static world model read from the first mesh of a 3DS file into
// textured triangles, each with its own lightmap, sorted into an octree of
// fixed depth. It draws what the camera can see and answers the scene graph's
// segment, ray and swept-ellipsoid queries. Its geometry is taken as it stands
// in world space.
#pragma once

#include "core/SmartPtr.h"
#include "scene/OctreeNode.h"
#include "scene/SceneNode.h"

// The level file a level's state message names, whatever the level loaded.
extern const char* const kLevelStateFile;

class Level : public SceneNode
{
public:
    Level() = default;
    ~Level() override = default;

    int GetType() override { return kNodeLevel; }
    // The octree, culled by the frustum of the Video's current camera (none
    // without a camera).
    void Render(IDirect3DDevice9* device) override;
    // True when the segment crosses a triangle from its front side; used by
    // SceneGraph::IsSegmentBlocked.
    bool Intersects(const Vector3& from, const Vector3& to) override;
    // Reads a file name (the id has been read by the router), loads it and
    // then the lightmaps. A message whose name runs past its end is dropped; a
    // name that is not a regular file inside the game's folder (absolute, with
    // a ".." component, a folder, a FIFO) is refused with a log line, and the
    // level stays as it was.
    void ApplyState(Message& message) override;
    // A new type-3 message: the node id and kLevelStateFile. Owned by the caller.
    Message* CreateStateMessage() override;
    // The scene graph's hooks.
    void RayTest(const Vector3& from, const Vector3& to, RayHit& hit) override
    {
        RayCast(from, to, hit);
    }
    void SweepTest(const Vector3& from, const Vector3& to, const Vector3& radii,
                   RayHit& hit) override
    {
        Sweep(from, to, radii, hit);
    }

    // Reads the first mesh of the file (y and z swapped, corners reversed, v
    // flipped) into a new octree around its box grown by 0.1. 0 on success; -1
    // when the file gives no mesh with vertices, keeping the previous octree.
    int Load(const char* fileName);
    // Lowers hit.distance (a fraction of the segment) to the nearest front face
    // crossed, with its point and normal; the hit's object is not touched.
    void RayCast(const Vector3& from, const Vector3& to, RayHit& hit);
    // First contact of an axis-aligned ellipsoid with these radii moved from
    // `from` to `to`: replaces the hit (distance as a fraction of the move,
    // contact point, surface normal) when the contact is nearer than the one it
    // holds. An ellipsoid with a radius that is not positive sweeps nothing.
    void Sweep(const Vector3& from, const Vector3& to, const Vector3& radii, RayHit& hit);

    // Bakes the lightmaps of every triangle from the point lights under the
    // main graph's root, shadowed by the levels there, into "lmap%d.bmp" files
    // in the working directory. Holds the frame for its whole run; the main
    // window's title shows the progress.
    void BuildLightmaps();
    // Gives every triangle its lightmap coordinates and the lightmap file of
    // its number through the resource cache; a triangle without one draws
    // black.
    void LoadLightmaps();

    OctreeNode* GetOctree() const { return octree.Get(); }

    // Null until Load succeeds.
    SmartPtr<OctreeNode> octree;
};
