// A node of the level's octree: a box, the triangles that fit in it but in
// none of its children, and eight children that halve the box on every axis.
// The whole tree is built at construction and never split or merged later.
#pragma once

#include "core/RefObject.h"
#include "core/SmartPtr.h"
#include "math/BoundingBox.h"
#include "math/Vector3.h"
#include "scene/LevelTriangle.h"

#include <cstdint>
#include <vector>

class IDirect3DDevice9;
class RayHit;
struct Frustum;

class OctreeNode : public RefObject
{
public:
    // The node and, for depth > 0, its whole subtree down to the leaves
    // (depth 3: 585 nodes, 512 of them leaves). Child ix + 2 iy + 4 iz takes
    // the lower (0) or upper (1) half along x, y and z.
    OctreeNode(const Vector3& min, const Vector3& max, int depth);

    // p inside the box, bounds included.
    bool Contains(const Vector3& p) const;
    // Stores a copy in the deepest node whose box holds all three corners; on
    // a face shared by two children the lower index wins. False when not even
    // this node holds them.
    bool Insert(const LevelTriangle& triangle);

    // Draws the subtree, children before the node's own triangles, one draw
    // call per triangle with its texture on stage 0 and its lightmap on stage
    // 1. A node whose box the frustum rejects is skipped with its subtree; a
    // null frustum culls nothing.
    void Render(IDirect3DDevice9* device, const Frustum* frustum);

    // The segment queries, pruned by the segment's (or sweep's) box. True when
    // a triangle of the subtree is crossed front to back.
    bool IntersectsSegment(const Vector3& from, const Vector3& to, const BoundingBox& segmentBox);
    // Lowers hit.distance to the nearest front face the segment crosses
    // (strictly nearer: an equal distance keeps the earlier hit), with its point
    // and normal.
    void RayCast(const Vector3& from, const Vector3& to, const BoundingBox& segmentBox,
                 RayHit& hit);
    // A unit sphere moved from `from` to `to` in space divided by radii, against
    // the triangles divided the same way; sweepBox is in world space.
    void Sweep(const Vector3& from, const Vector3& to, const Vector3& radii,
               const BoundingBox& sweepBox, RayHit& hit);

    // The lightmap walk (post-order, children in index order), numbering each
    // triangle by LightmapCounter: the bake renders and saves the lightmaps of
    // the triangles the main graph's lights reach; the load gives every
    // triangle its lightmap coordinates and the file of its number.
    void BuildLightmaps();
    void LoadLightmaps();

    // Null in a leaf.
    SmartPtr<OctreeNode> children[8];
    Vector3 boxMin;
    Vector3 boxMax;
    // In insertion order.
    std::vector<LevelTriangle> triangles;
    // 1 when built with depth 0.
    uint8_t isLeaf = 0;

private:
    bool BoxTouches(const BoundingBox& box) const;
};
