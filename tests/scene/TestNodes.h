// Scene nodes for the scene tests: a node that records its calls, and a wall of
// triangles that answers the graph's queries the way a level does.
#pragma once

#include "math/Intersection.h"
#include "math/Plane.h"
#include "scene/SceneNode.h"

#include <string>
#include <vector>

class RecordingNode : public SceneNode
{
public:
    RecordingNode(std::vector<std::string>* calls, std::string name, int type = 1,
                  int* deaths = nullptr)
        : calls(calls), name(std::move(name)), type(type), deaths(deaths)
    {
    }
    ~RecordingNode() override
    {
        if (deaths)
            ++*deaths;
    }

    int GetType() override { return type; }
    void Update(float dt) override
    {
        calls->push_back("update " + name);
        lastDt = dt;
        seenWorld = worldMatrix;
        if (onUpdate)
            onUpdate(this);
    }
    void Move(float) override { calls->push_back("move " + name); }
    void Render(IDirect3DDevice9*) override { calls->push_back("render " + name); }
    void RayTest(const Vector3&, const Vector3&, RayHit& hit) override
    {
        calls->push_back("ray " + name);
        if (rayDistance < hit.distance)
        {
            hit.distance = rayDistance;
            hit.object = this;
        }
    }
    bool Intersects(const Vector3&, const Vector3&) override
    {
        calls->push_back("intersects " + name);
        return blocks;
    }

    std::vector<std::string>* calls;
    std::string name;
    int type;
    int* deaths;
    float lastDt = -1.0f;
    Matrix seenWorld;
    float rayDistance = 9999.0f;
    bool blocks = false;
    void (*onUpdate)(RecordingNode*) = nullptr;
};

// A level-like node (type 4) made of world-space triangles whose front faces
// point along their normals. Its ray and sweep tests do what the level's do:
// the nearest front-face crossing, and the first contact of an ellipsoid
// scaled into a unit sphere.
class WallNode : public SceneNode
{
public:
    struct Triangle
    {
        Vector3 a, b, c;
    };

    int GetType() override { return 4; }

    // A square with corners p, p + u, p + u + v, p + v; it faces along u x v.
    void AddQuad(const Vector3& p, const Vector3& u, const Vector3& v)
    {
        triangles.push_back({p, p + u, p + u + v});
        triangles.push_back({p, p + u + v, p + v});
    }

    void RayTest(const Vector3& from, const Vector3& to, RayHit& hit) override
    {
        for (const Triangle& t : triangles)
        {
            Plane plane;
            plane.SetFromPoints(t.a, t.b, t.c);
            float s = RayPlaneParameter(from, to, t.a, plane.normal);
            if (s < hit.distance && s > 0.0f &&
                SegmentIntersectsTriangle(from, to, t.a, t.b, t.c, plane.normal))
            {
                hit.point = from + (to - from) * s;
                hit.normal = plane.normal;
                hit.distance = s;
            }
        }
    }

    void SweepTest(const Vector3& from, const Vector3& to, const Vector3& radii,
                   RayHit& hit) override
    {
        auto scale = [&](const Vector3& p)
        { return Vector3(p.x / radii.x, p.y / radii.y, p.z / radii.z); };
        SmartPtr<RayHit> local = new RayHit();
        for (const Triangle& t : triangles)
            SphereTriangleCollision(scale(from), scale(to), scale(t.a), scale(t.b), scale(t.c),
                                    *local);
        if (local->distance <= 1.0f)
        {
            hit.distance = local->distance;
            hit.point = Vector3(local->point.x * radii.x, local->point.y * radii.y,
                                local->point.z * radii.z);
            hit.normal = Vector3(local->normal.x / radii.x, local->normal.y / radii.y,
                                 local->normal.z / radii.z);
            hit.normal.Normalize();
        }
    }

    std::vector<Triangle> triangles;
};
