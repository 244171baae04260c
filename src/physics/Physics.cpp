#include "physics/Physics.h"

#include "core/Log.h"
#include "core/Timer.h"
#include "math/D3DXMath.h"
#include "physics/OdePose.h"
#include "physics/RigidBody.h"
#include "platform/D3D9.h"
#include "video/DeviceMath.h"
#include "video/Video.h"

#include <ode/ode.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace
{
// The pose of a placeable geom as a row-vector matrix: its rotation, then its
// position. For the inner geom of a transform that pose is relative to the
// transform.
Matrix GeomPose(dGeomID geom)
{
    const dReal* p = dGeomGetPosition(geom);
    dQuaternion q;
    dGeomGetQuaternion(geom, q);
    Quaternion orientation = QuaternionFromOde(q);
    Matrix rotation;
    Matrix translation;
    Matrix pose;
    D3DXMatrixRotationQuaternion(&rotation, &orientation);
    D3DXMatrixTranslation(&translation, float(p[0]), float(p[1]), float(p[2]));
    return *D3DXMatrixMultiply(&pose, &rotation, &translation);
}

// The size of the wire box that outlines the geom; false for a class that has
// none (planes among them).
bool OutlineExtents(dGeomID geom, Vector3& extents)
{
    switch (dGeomGetClass(geom))
    {
    case dSphereClass:
    {
        float d = 2.0f * float(dGeomSphereGetRadius(geom));
        extents = Vector3(d, d, d);
        return true;
    }
    case dBoxClass:
    {
        dVector3 lengths;
        dGeomBoxGetLengths(geom, lengths);
        extents = Vector3(float(lengths[0]), float(lengths[1]), float(lengths[2]));
        return true;
    }
    case dCCylinderClass:
    {
        dReal radius = 0;
        dReal length = 0;
        dGeomCCylinderGetParams(geom, &radius, &length);
        extents = Vector3(2.0f * float(radius), 2.0f * float(radius), float(length));
        return true;
    }
    default:
        return false;
    }
}
} // namespace

FrameSlices::FrameSlices(float frameTime)
    : left(std::isfinite(frameTime) && frameTime > 0.0f ? frameTime : 0.0f)
{
}

bool FrameSlices::Next(float& length)
{
    if (!(left > 0.0f))
        return false;
    // Float arithmetic on purpose: a frame of 0.1 s leaves exactly one
    // step's length after the first slice, so it takes two slices, not three.
    if (left > Physics::kStepLength && left - Physics::kStepLength >= Physics::kShortestRemainder)
    {
        length = Physics::kStepLength;
        left -= Physics::kStepLength;
        return true;
    }
    length = left;
    left = 0.0f;
    return true;
}

Physics* Physics::Instance()
{
    static Physics physics;
    return &physics;
}

Physics::~Physics() = default;

void Physics::Init()
{
    if (world)
        return;
    if (!dInitODE2(0) || !dAllocateODEDataForThread(dAllocateMaskAll))
    {
        Log::Printf(Log::Instance(), "Physics::Init() > dInitODE2() failed.\n");
        return;
    }
    world = dWorldCreate();
    space = dHashSpaceCreate(nullptr);
    contactGroup = dJointGroupCreate(0);
    dWorldSetGravity(world, 0, dReal(-9.81f), 0);
    dWorldSetContactMaxCorrectingVel(world, dReal(kMaxCorrectingSpeed));
    // The ground everything stands on: the space holds it, nothing reads it.
    dCreatePlane(space, 0, 1, 0, 0);
    ++generation;
}

void Physics::Shutdown()
{
    if (!world)
        return;
    for (SmartPtr<RigidBody>& rigidBody : bodies)
    {
        rigidBody->body = nullptr;
        rigidBody->geoms.clear();
    }
    bodies.clear();
    dJointGroupDestroy(contactGroup);
    // The space takes its geoms with it, the world its bodies and joints.
    dSpaceDestroy(space);
    dWorldDestroy(world);
    dCloseODE();
    contactGroup = nullptr;
    space = nullptr;
    world = nullptr;
}

void Physics::Update()
{
    if (!world)
        return;
    FrameSlices slices(Timer::Instance()->GetFrameTime());
    float length = 0.0f;
    while (slices.Next(length))
        Step(length);
}

void Physics::Step(float length)
{
    // ODE refuses a step of zero or less.
    if (!world || !(length > 0.0f))
        return;
    dSpaceCollide(space, nullptr, &Physics::NearCallback);
    dWorldStep(world, dReal(length));
    dJointGroupEmpty(contactGroup);
}

void Physics::NearCallback(void*, dGeomID o1, dGeomID o2)
{
    dBodyID b1 = dGeomGetBody(o1);
    dBodyID b2 = dGeomGetBody(o2);
    if (b1 && b2 && dAreConnected(b1, b2))
        return;
    // A contact between two static geoms would hold nothing.
    if (!b1 && !b2)
        return;

    dContact contacts[kMaxContacts];
    memset(contacts, 0, sizeof(contacts));
    int count = dCollide(o1, o2, kMaxContacts, &contacts[0].geom, sizeof(dContact));
    Physics* physics = Instance();
    for (int i = 0; i < count; ++i)
    {
        contacts[i].surface.mode = 0;
        contacts[i].surface.mu = dReal(kFriction);
        dJointID joint = dJointCreateContact(physics->world, physics->contactGroup, &contacts[i]);
        // Some ODE builds name a transform's inner geom in the contact, and
        // that geom has no body: the bodies are those of the geoms handed over.
        dJointAttach(joint, b1, b2);
    }
}

bool Physics::IsWithinBound(float coordinate)
{
    return std::fabs(coordinate) <= kWorldBound;
}

bool Physics::IsWithinBound(const Vector3& point)
{
    return IsWithinBound(point.x) && IsWithinBound(point.y) && IsWithinBound(point.z);
}

bool Physics::HoldsModelBox(const Vector3& boxMin, const Vector3& boxMax)
{
    const Vector3 lengths = boxMax - boxMin;
    return IsWithinBound(boxMin) && IsWithinBound(boxMax) && lengths.x <= kWorldBound &&
           lengths.y <= kWorldBound && lengths.z <= kWorldBound;
}

void Physics::DebugDraw(IDirect3DDevice9* device)
{
    if (!device)
        return;
    GetOutlines(outlineScratch);
    for (const Outline& outline : outlineScratch)
    {
        device->SetTransform(D3DTS_WORLD, AsD3DMatrix(outline.pose));
        Video::Instance().DrawBox(outline.extents * -0.5f, outline.extents * 0.5f, kDebugColor);
    }
}

void Physics::GetOutlines(std::vector<Outline>& outlines) const
{
    outlines.clear();
    if (!space)
        return;
    int count = dSpaceGetNumGeoms(space);
    for (int i = 0; i < count; ++i)
    {
        dGeomID geom = dSpaceGetGeom(space, i);
        dGeomID outlined = geom;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
        // A transform (deprecated in this ODE, still made by RigidBody) is
        // outlined by its inner geom.
        if (dGeomGetClass(geom) == dGeomTransformClass)
            outlined = dGeomTransformGetGeom(geom);
#pragma GCC diagnostic pop
        Vector3 extents;
        if (!outlined || !OutlineExtents(outlined, extents))
            continue;
        Matrix pose = GeomPose(outlined);
        if (outlined != geom)
            pose = pose * GeomPose(geom);
        outlines.push_back({pose, extents});
    }
}

RigidBody* Physics::CreateBody(bool withBody)
{
    RigidBody* rigidBody = new RigidBody(withBody);
    bodies.push_back(SmartPtr<RigidBody>(rigidBody));
    return rigidBody;
}

void Physics::DestroyBody(RigidBody* rigidBody)
{
    bodies.erase(std::remove_if(bodies.begin(), bodies.end(),
                                [rigidBody](const SmartPtr<RigidBody>& body)
                                { return body.Get() == rigidBody; }),
                 bodies.end());
}
