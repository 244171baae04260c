#include "physics/RigidBody.h"

#include "physics/OdePose.h"
#include "physics/Physics.h"

#include <ode/ode.h>

RigidBody::RigidBody(bool withBody)
{
    Physics* physics = Physics::Instance();
    generation = physics->GetGeneration();
    if (withBody && physics->GetWorld())
        body = dBodyCreate(physics->GetWorld());
}

RigidBody::~RigidBody()
{
    // A body of a world that Physics::Shutdown has destroyed is gone already.
    if (body && Physics::Instance()->IsLive(generation))
        dBodyDestroy(body);
}

void RigidBody::SetPosition(const Vector3& p)
{
    if (body)
        dBodySetPosition(body, dReal(p.x), dReal(p.y), dReal(p.z));
    else if (!geoms.empty())
        dGeomSetPosition(geoms[0], dReal(p.x), dReal(p.y), dReal(p.z));
}

Vector3 RigidBody::GetPosition() const
{
    if (body)
        return VectorFromOde(dBodyGetPosition(body));
    if (!geoms.empty())
        return VectorFromOde(dGeomGetPosition(geoms[0]));
    return Vector3();
}

void RigidBody::SetQuaternion(const Quaternion& q)
{
    dQuaternion ode;
    QuaternionToOde(q, ode);
    if (body)
        dBodySetQuaternion(body, ode);
    else if (!geoms.empty())
        dGeomSetQuaternion(geoms[0], ode);
}

Quaternion RigidBody::GetQuaternion() const
{
    if (body)
        return QuaternionFromOde(dBodyGetQuaternion(body));
    dQuaternion ode = {1, 0, 0, 0};
    if (!geoms.empty())
        dGeomGetQuaternion(geoms[0], ode);
    return QuaternionFromOde(ode);
}

void RigidBody::AddTransformed(dGeomID inner, const Vector3& offset, void* data)
{
// Geom transforms are deprecated in this ODE in favour of geom offsets; the
// bodies built here keep them, and the near callback and the debug draw read them.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    dGeomID transform = dCreateGeomTransform(Physics::Instance()->GetSpace());
    dGeomTransformSetInfo(transform, 1);
    dGeomTransformSetCleanup(transform, 1);
    dGeomSetPosition(inner, dReal(offset.x), dReal(offset.y), dReal(offset.z));
    dGeomTransformSetGeom(transform, inner);
    dGeomSetData(inner, data);
    dGeomSetData(transform, data);
    dGeomSetBody(transform, body);
#pragma GCC diagnostic pop
    geoms.push_back(transform);
}

void RigidBody::AddPlaced(dGeomID geom, const Vector3& offset)
{
    dGeomSetPosition(geom, dReal(offset.x), dReal(offset.y), dReal(offset.z));
    geoms.push_back(geom);
}

void RigidBody::AddBox(const Vector3& offset, const Vector3& lengths, void* data)
{
    if (body)
    {
        AddTransformed(dCreateBox(nullptr, dReal(lengths.x), dReal(lengths.y), dReal(lengths.z)),
                       offset, data);
        return;
    }
    dGeomID box = dCreateBox(Physics::Instance()->GetSpace(), dReal(lengths.x), dReal(lengths.y),
                             dReal(lengths.z));
    dGeomSetData(box, data);
    AddPlaced(box, offset);
}

void RigidBody::AddSphere(const Vector3& offset, float radius)
{
    dGeomID sphere = dCreateSphere(Physics::Instance()->GetSpace(), dReal(radius));
    if (!body)
    {
        AddPlaced(sphere, offset);
        return;
    }
    // Placing an attached geom would move its body: an offset keeps the body
    // where it is and the sphere where it belongs on it.
    dGeomSetBody(sphere, body);
    dGeomSetOffsetPosition(sphere, dReal(offset.x), dReal(offset.y), dReal(offset.z));
    geoms.push_back(sphere);
}

void RigidBody::AddCappedCylinder(const Vector3& offset, float radius, float length)
{
    if (!body)
    {
        AddPlaced(dCreateCCylinder(Physics::Instance()->GetSpace(), dReal(radius), dReal(length)),
                  offset);
        return;
    }
    dGeomID cylinder = dCreateCCylinder(nullptr, dReal(radius), dReal(length));
    dQuaternion turn;
    dQFromAxisAndAngle(turn, 0, 1, 0, dReal(1.5707964f));
    dGeomSetQuaternion(cylinder, turn);
    AddTransformed(cylinder, offset, nullptr);
}

void RigidBody::AddForce(const Vector3& force)
{
    if (body)
        dBodyAddForce(body, dReal(force.x), dReal(force.y), dReal(force.z));
}

void RigidBody::AddTorque(const Vector3& torque)
{
    if (body)
        dBodyAddTorque(body, dReal(torque.x), dReal(torque.y), dReal(torque.z));
}
