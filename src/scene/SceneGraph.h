// A tree of scene nodes under a root, with the update, move and render
// traversals and the world queries (ray, swept ellipsoid, blocked segment).
#pragma once

#include "core/SmartPtr.h"
#include "math/Vector3.h"
#include "scene/SceneNode.h"

#include <cstdint>
#include <vector>

class RayHit;

class SceneGraph
{
public:
    // Creates the root (id 0).
    SceneGraph();
    ~SceneGraph();
    SceneGraph(const SceneGraph&) = delete;
    SceneGraph& operator=(const SceneGraph&) = delete;

    // Update traversal from the root with the Timer's scaled frame time.
    void Update();
    // Move traversal from the root with the Timer's scaled frame time.
    void Move();
    // Render traversal from the root.
    void Render(IDirect3DDevice9* device);

    // Nearest hit of the segment against the ground plane y = 0 and the root's
    // direct children that are levels or physics boxes. A new record owned by
    // the caller; distance is a fraction of the segment, 9999 for none.
    RayHit* RayCast(const Vector3& from, const Vector3& to);
    // First contact of an ellipsoid with the given radii moved from `from` to
    // `to` against the root's direct children that are levels. A new record
    // owned by the caller.
    RayHit* Sweep(const Vector3& from, const Vector3& to, const Vector3& radii);
    // True when a level under the root crosses the segment.
    bool IsSegmentBlocked(const Vector3& from, const Vector3& to);

    // Id recycling: the most recently released id first, else the next new one.
    int AllocateId();
    void ReleaseId(int id);

    // Query operations without a body in this engine.
    bool IsPathFree(const Vector3& from, const Vector3& to, const Vector3& radii);
    bool IsLineFree(const Vector3& from, const Vector3& to);
    std::vector<SceneNode*> FindNodesInSphere(const Vector3& centre, float radius);
    std::vector<SceneNode*> FindNodesOnLine(const Vector3& from, const Vector3& to);

    SceneNode* GetRoot() const { return root.Get(); }

private:
    SmartPtr<SceneNode> root;
    std::vector<int32_t> freeIds;
    int32_t nextId = 0;
};

// The game's graph: updated, rendered and queried every frame.
extern SceneGraph MainSceneGraph;
// Moved every frame after the main graph; never rendered.
extern SceneGraph SecondarySceneGraph;
