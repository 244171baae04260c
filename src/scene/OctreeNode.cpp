#include "scene/OctreeNode.h"

#include "math/Frustum.h"
#include "math/Intersection.h"
#include "math/RayHit.h"
#include "platform/D3D9.h"
#include "video/RenderPresets.h"

namespace
{
Vector3 DivideBy(const Vector3& p, const Vector3& radii)
{
    return Vector3(p.x / radii.x, p.y / radii.y, p.z / radii.z);
}
} // namespace

OctreeNode::OctreeNode(const Vector3& min, const Vector3& max, int depth) : boxMin(min), boxMax(max)
{
    if (depth <= 0)
    {
        isLeaf = 1;
        return;
    }
    Vector3 half = (max - min) / 2.0f;
    for (int iz = 0; iz < 2; ++iz)
    {
        for (int iy = 0; iy < 2; ++iy)
        {
            for (int ix = 0; ix < 2; ++ix)
            {
                Vector3 low = min + Vector3(ix * half.x, iy * half.y, iz * half.z);
                Vector3 high =
                    min + Vector3((ix + 1) * half.x, (iy + 1) * half.y, (iz + 1) * half.z);
                children[ix + 2 * iy + 4 * iz] = new OctreeNode(low, high, depth - 1);
            }
        }
    }
    isLeaf = 0;
}

bool OctreeNode::Contains(const Vector3& p) const
{
    return boxMin.x <= p.x && p.x <= boxMax.x && boxMin.y <= p.y && p.y <= boxMax.y &&
           boxMin.z <= p.z && p.z <= boxMax.z;
}

bool OctreeNode::Insert(const LevelTriangle& triangle)
{
    if (!isLeaf)
    {
        for (const SmartPtr<OctreeNode>& child : children)
            if (child && child->Insert(triangle))
                return true;
    }
    if (Contains(triangle.Position(0)) && Contains(triangle.Position(1)) &&
        Contains(triangle.Position(2)))
    {
        triangles.push_back(triangle);
        return true;
    }
    return false;
}

void OctreeNode::Render(IDirect3DDevice9* device, const Frustum* frustum)
{
    if (frustum && !frustum->IsBoxVisible(boxMin, boxMax))
        return;
    if (!isLeaf)
    {
        for (const SmartPtr<OctreeNode>& child : children)
            if (child)
                child->Render(device, frustum);
    }
    // Set at every visited node, also one without triangles: a child may have
    // drawn something in between that changed them.
    ApplyRenderPreset(device, RenderPreset::LevelTriangles);
    for (const LevelTriangle& triangle : triangles)
    {
        Texture* texture = triangle.texture.Get();
        Texture* lightmap = triangle.lightmap.Get();
        device->SetTexture(0, texture ? texture->texture : nullptr);
        device->SetTexture(1, lightmap ? lightmap->texture : nullptr);
        device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, triangle.vertices, sizeof(LevelVertex));
    }
}

bool OctreeNode::BoxTouches(const BoundingBox& box) const
{
    return BoundingBox(boxMin, boxMax).Intersects(box);
}

bool OctreeNode::IntersectsSegment(const Vector3& from, const Vector3& to,
                                   const BoundingBox& segmentBox)
{
    if (!BoxTouches(segmentBox))
        return false;
    for (const LevelTriangle& triangle : triangles)
    {
        if (SegmentIntersectsTriangle(from, to, triangle.Position(0), triangle.Position(1),
                                      triangle.Position(2), triangle.normal))
            return true;
    }
    if (!isLeaf)
    {
        for (const SmartPtr<OctreeNode>& child : children)
            if (child && child->IntersectsSegment(from, to, segmentBox))
                return true;
    }
    return false;
}

void OctreeNode::RayCast(const Vector3& from, const Vector3& to, const BoundingBox& segmentBox,
                         RayHit& hit)
{
    if (!BoxTouches(segmentBox))
        return;
    for (const LevelTriangle& triangle : triangles)
    {
        Vector3 p0 = triangle.Position(0);
        float t = RayPlaneParameter(from, to, p0, triangle.normal);
        if (t < hit.distance && t > 0.0f &&
            SegmentIntersectsTriangle(from, to, p0, triangle.Position(1), triangle.Position(2),
                                      triangle.normal))
        {
            hit.point = from + (to - from) * t;
            hit.normal = triangle.normal;
            hit.distance = t;
        }
    }
    if (!isLeaf)
    {
        for (const SmartPtr<OctreeNode>& child : children)
            if (child)
                child->RayCast(from, to, segmentBox, hit);
    }
}

void OctreeNode::Sweep(const Vector3& from, const Vector3& to, const Vector3& radii,
                       const BoundingBox& sweepBox, RayHit& hit)
{
    if (!BoxTouches(sweepBox))
        return;
    for (const LevelTriangle& triangle : triangles)
    {
        SphereTriangleCollision(from, to, DivideBy(triangle.Position(0), radii),
                                DivideBy(triangle.Position(1), radii),
                                DivideBy(triangle.Position(2), radii), hit);
    }
    if (!isLeaf)
    {
        for (const SmartPtr<OctreeNode>& child : children)
            if (child)
                child->Sweep(from, to, radii, sweepBox, hit);
    }
}
