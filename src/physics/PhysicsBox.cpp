#include "physics/PhysicsBox.h"

#include "core/Log.h"
#include "math/BoundingBox.h"
#include "math/Intersection.h"
#include "math/Plane.h"
#include "math/RayHit.h"
#include "physics/OdePose.h"
#include "physics/Physics.h"
#include "scene/Camera.h"
#include "video/ResourceManager.h"
#include "video/Video.h"

#include <ode/ode.h>

#include <cmath>

namespace
{
bool IsPositive(float length)
{
    return std::isfinite(length) && length > 0.0f;
}

// The geom's axis-aligned box in world space.
BoundingBox WorldBox(dGeomID geom)
{
    dReal aabb[6];
    dGeomGetAABB(geom, aabb);
    return BoundingBox(Vector3(float(aabb[0]), float(aabb[2]), float(aabb[4])),
                       Vector3(float(aabb[1]), float(aabb[3]), float(aabb[5])));
}
} // namespace

PhysicsBox::~PhysicsBox()
{
    model = nullptr;
}

void PhysicsBox::Load(const char* modelName, bool dynamic)
{
    model = ResourceManager::Instance().GetModel(modelName);
    if (!model)
        return;
    boxMin = model->boxMin;
    boxMax = model->boxMax;
    Vector3 lengths = boxMax - boxMin;
    // A model that failed to load has an empty box and one without vertices
    // the importer's inverted one; ODE takes neither.
    if (!IsPositive(lengths.x) || !IsPositive(lengths.y) || !IsPositive(lengths.z))
    {
        Log::Printf(Log::Instance(), "PhysicsBox::Load() - model %s has no volume, no box made.\n",
                    modelName ? modelName : "");
        return;
    }
    if (!Physics::HoldsModelBox(boxMin, boxMax))
    {
        Log::Printf(Log::Instance(),
                    "PhysicsBox::Load() - model %s is too large or too far out (beyond %g), no "
                    "box made.\n",
                    modelName ? modelName : "", double(Physics::kWorldBound));
        return;
    }
    Physics* physics = Physics::Instance();
    if (!physics->GetWorld())
        return;
    geom = dCreateBox(physics->GetSpace(), dReal(lengths.x), dReal(lengths.y), dReal(lengths.z));
    if (dynamic)
    {
        // ODE's default mass for a new body is kept.
        body = dBodyCreate(physics->GetWorld());
        dGeomSetBody(geom, body);
    }
    dGeomSetPosition(geom, dReal(position.x), dReal(position.y), dReal(position.z));
}

void PhysicsBox::SetPosition(const Vector3& p)
{
    if (geom)
        dGeomSetPosition(geom, dReal(p.x), dReal(p.y), dReal(p.z));
}

void PhysicsBox::SetRotation(const Quaternion& q)
{
    if (!geom)
        return;
    dQuaternion ode;
    QuaternionToOde(q, ode);
    dGeomSetQuaternion(geom, ode);
}

void PhysicsBox::Update(float)
{
    if (!geom)
        return;
    dQuaternion q;
    dGeomGetQuaternion(geom, q);
    PoseAroundCentre(*this, dGeomGetPosition(geom), q, boxMin, boxMax);
    // Drawn and hit where this frame's physics step left it.
    RebuildMatrices();
}

void PhysicsBox::Render(IDirect3DDevice9* device)
{
    if (!geom || !model)
        return;
    BoundingBox box = WorldBox(geom);
    Camera* camera = Video::Instance().camera.Get();
    if (camera && !camera->frustum.IsBoxVisible(box.min, box.max))
        return;
    model->Render(device);
}

void PhysicsBox::IntersectSegment(const Vector3& start, const Vector3& end, RayHit& hit)
{
    if (!geom)
        return;
    BoundingBox segment;
    segment.SetFromPoints(start, end);
    if (!segment.Intersects(WorldBox(geom)))
        return;

    Vector3 c0 = boxMin.TransformCoord(worldMatrix);
    Vector3 c1 = boxMax.TransformCoord(worldMatrix);
    const Vector3 axes[3] = {Vector3(1, 0, 0), Vector3(0, 1, 0), Vector3(0, 0, 1)};
    Plane faces[6];
    for (int i = 0; i < 3; ++i)
    {
        Vector3 turned = axes[i].TransformNormal(worldMatrix);
        faces[i].Set(c0, -turned);
        faces[i + 3].Set(c1, turned);
    }

    int nearest = -1;
    float nearestT = hit.distance;
    Vector3 delta = end - start;
    for (int i = 0; i < 6; ++i)
    {
        float t = RayPlaneParameter(start, end, faces[i].point, faces[i].normal);
        if (!(t > 0.0f && t < 1.0f && t < nearestT))
            continue;
        Vector3 point = start + delta * t;
        bool onSurface = true;
        for (int j = 0; j < 6 && onSurface; ++j)
            onSurface = j == i || faces[j].SignedDistance(point) <= 0.0f;
        if (onSurface)
        {
            nearest = i;
            nearestT = t;
        }
    }
    if (nearest < 0)
        return;
    hit.object = this;
    hit.normal = faces[nearest].normal;
    hit.point = start + delta * nearestT;
    hit.distance = nearestT;
}
