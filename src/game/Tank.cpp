#include "game/Tank.h"

#include "core/Log.h"
#include "physics/OdePose.h"
#include "physics/Physics.h"
#include "scene/ParticleSystem.h"
#include "scene/Projectile.h"
#include "scene/SceneGraph.h"
#include "video/ResourceManager.h"

#include <ode/ode.h>

namespace
{
// The physical tank: one at a time stands in the world, the one created last.
TankBodies g_bodies;
// The tank whose node follows the chassis, and the Physics generation its
// handles belong to.
const Tank* g_owner = nullptr;
int g_generation = 0;

const Vector3 kTorsoOffset(0.0f, 2.239f, -0.523f);
const Vector3 kGunOffset(0.0f, 0.263f, 1.687f);
// The wheel centres sit this far above the bottom of the body model's box.
constexpr float kWheelLift = 0.4f;
// Muzzle and aim point in gun space: the shell's velocity is their difference.
const Vector3 kMuzzle(0.0f, 0.0f, 5.5f);
const Vector3 kAim(0.0f, 0.0f, 105.5f);

bool HandlesAlive()
{
    return g_bodies.chassisBody && Physics::Instance()->IsLive(g_generation);
}

// Removes the physical tank from the world it was built in, if that stands.
void DestroyBodies()
{
    if (HandlesAlive())
    {
        for (int i = 0; i < kTankWheelsPerRow; ++i)
        {
            dJointDestroy(g_bodies.leftHinges[i]);
            dJointDestroy(g_bodies.rightHinges[i]);
            dGeomDestroy(g_bodies.leftWheelGeoms[i]);
            dGeomDestroy(g_bodies.rightWheelGeoms[i]);
            dBodyDestroy(g_bodies.leftWheelBodies[i]);
            dBodyDestroy(g_bodies.rightWheelBodies[i]);
        }
        dGeomDestroy(g_bodies.chassisGeom);
        dBodyDestroy(g_bodies.chassisBody);
    }
    g_bodies = TankBodies();
    g_owner = nullptr;
}

// A 50 kg sphere wheel at the point, hinged to the chassis about x.
void MakeWheel(Physics* physics, const Vector3& at, dBodyID& body, dGeomID& geom, dJointID& hinge)
{
    body = dBodyCreate(physics->GetWorld());
    geom = dCreateSphere(physics->GetSpace(), dReal(Tank::kWheelRadius));
    dGeomSetBody(geom, body);
    dBodySetPosition(body, dReal(at.x), dReal(at.y), dReal(at.z));
    dMass mass;
    dMassSetZero(&mass);
    dMassSetSphereTotal(&mass, dReal(Tank::kWheelMass), dReal(Tank::kWheelRadius));
    dBodySetMass(body, &mass);

    hinge = dJointCreateHinge(physics->GetWorld(), nullptr);
    dJointAttach(hinge, g_bodies.chassisBody, body);
    dJointSetHingeAnchor(hinge, dReal(at.x), dReal(at.y), dReal(at.z));
    dJointSetHingeAxis(hinge, dReal(1), dReal(0), dReal(0));
}

// Lengths below the minimum (and NaN) become the minimum.
float ChassisLength(float length)
{
    return length >= Tank::kMinChassisLength ? length : Tank::kMinChassisLength;
}

StaticModel* NewPart(const char* modelName, const Vector3& offset, SceneNode* parent)
{
    StaticModel* part = new StaticModel(modelName);
    part->position = offset;
    parent->AddChild(part);
    return part;
}
} // namespace

Tank::~Tank()
{
    if (g_owner == this)
        g_owner = nullptr;
}

bool Tank::HasBodies() const
{
    return g_owner == this && HandlesAlive();
}

dBodyID Tank::GetChassisBody()
{
    return HandlesAlive() ? g_bodies.chassisBody : nullptr;
}

void Tank::SetChassisPose(const Vector3& position, const Quaternion& orientation)
{
    dBodyID chassis = GetChassisBody();
    if (!chassis)
        return;
    dBodySetPosition(chassis, dReal(position.x), dReal(position.y), dReal(position.z));
    dQuaternion q;
    QuaternionToOde(orientation, q);
    dBodySetQuaternion(chassis, q);
}

const TankBodies& Tank::GetBodies()
{
    return g_bodies;
}

void Tank::Create()
{
    model = ResourceManager::Instance().GetModel(kBodyModel);
    if (model)
    {
        boundsMin = model->boxMin;
        boundsMax = model->boxMax;
    }
    torso = NewPart(kTorsoModel, kTorsoOffset, this);
    gun = NewPart(kGunModel, kGunOffset, torso.Get());

    Vector3 size = boundsMax - boundsMin;
    Vector3 p = position;
    Physics* physics = Physics::Instance();
    DestroyBodies();
    if (!physics->GetWorld())
        return;
    // The wheels stand at the corners of the body model's box around the
    // position: both must lie where the world holds bodies.
    if (!Physics::IsWithinBound(p))
    {
        Log::Printf(Log::Instance(),
                    "Tank::Create() - position (%g, %g, %g) is further out than %g, no chassis "
                    "or wheels made.\n",
                    double(p.x), double(p.y), double(p.z), double(Physics::kWorldBound));
        return;
    }
    if (!Physics::HoldsModelBox(boundsMin, boundsMax))
    {
        Log::Printf(Log::Instance(),
                    "Tank::Create() - model %s is too large or too far out (beyond %g), no "
                    "chassis or wheels made.\n",
                    kBodyModel, double(Physics::kWorldBound));
        return;
    }

    Vector3 lengths(size.x - 1.0f, size.y - 1.0f, size.z);
    Vector3 clamped(ChassisLength(lengths.x), ChassisLength(lengths.y), ChassisLength(lengths.z));
    if (clamped.x != lengths.x || clamped.y != lengths.y || clamped.z != lengths.z)
    {
        Log::Printf(Log::Instance(),
                    "Tank::Create() - model %s too small for the chassis, box lengths clamped "
                    "to at least %g.\n",
                    kBodyModel, double(kMinChassisLength));
    }
    g_bodies.chassisBody = dBodyCreate(physics->GetWorld());
    g_bodies.chassisGeom =
        dCreateBox(physics->GetSpace(), dReal(clamped.x), dReal(clamped.y), dReal(clamped.z));
    dGeomSetBody(g_bodies.chassisGeom, g_bodies.chassisBody);
    dBodySetPosition(g_bodies.chassisBody, dReal(p.x), dReal(p.y), dReal(p.z));
    dMass mass;
    dMassSetZero(&mass);
    dMassSetBoxTotal(&mass, dReal(kChassisMass), dReal(clamped.x), dReal(clamped.y),
                     dReal(clamped.z));
    dBodySetMass(g_bodies.chassisBody, &mass);

    // Each row runs evenly from the back of the box (i = 0) to its front.
    float wheelY = p.y - size.y / 2.0f + kWheelLift;
    for (int i = 0; i < kTankWheelsPerRow; ++i)
    {
        float z = p.z - size.z / 2.0f + float(i) * size.z / float(kTankWheelsPerRow - 1);
        MakeWheel(physics, Vector3(p.x - size.x / 2.0f, wheelY, z), g_bodies.leftWheelBodies[i],
                  g_bodies.leftWheelGeoms[i], g_bodies.leftHinges[i]);
        MakeWheel(physics, Vector3(p.x + size.x / 2.0f, wheelY, z), g_bodies.rightWheelBodies[i],
                  g_bodies.rightWheelGeoms[i], g_bodies.rightHinges[i]);
    }
    g_owner = this;
    g_generation = physics->GetGeneration();
}

void Tank::Update(float dt)
{
    bool physical = HasBodies();
    if (physical)
        PoseAroundCentre(*this, dBodyGetPosition(g_bodies.chassisBody),
                         dBodyGetQuaternion(g_bodies.chassisBody), boundsMin, boundsMax);

    if (torsoLeft)
        torsoYaw -= dt * torsoRate;
    if (torsoRight)
        torsoYaw += dt * torsoRate;
    if (gunUp)
        gunPitch -= dt * gunRate;
    if (gunDown)
        gunPitch += dt * gunRate;
    if (gunPitch < kGunPitchMin)
        gunPitch = kGunPitchMin;
    else if (gunPitch > 0.0f)
        gunPitch = 0.0f;

    // The hinge axis as the traversal left it, before this update's pose.
    Vector3 axis = Vector3(1.0f, 0.0f, 0.0f).TransformNormal(worldMatrix);
    leftSpeed = rightSpeed = 0.0f;
    if (driveForward)
    {
        leftSpeed += kDriveSpeed;
        rightSpeed += kDriveSpeed;
    }
    if (driveBackward)
    {
        leftSpeed -= kDriveSpeed;
        rightSpeed -= kDriveSpeed;
    }
    if (turnLeft)
    {
        rightSpeed += kTurnSpeed;
        leftSpeed -= kTurnSpeed;
    }
    if (turnRight)
    {
        rightSpeed -= kTurnSpeed;
        leftSpeed += kTurnSpeed;
    }
    if (physical)
    {
        Vector3 left = axis * leftSpeed;
        Vector3 right = axis * rightSpeed;
        for (int i = 0; i < kTankWheelsPerRow; ++i)
        {
            dBodySetAngularVel(g_bodies.leftWheelBodies[i], dReal(left.x), dReal(left.y),
                               dReal(left.z));
            dBodySetAngularVel(g_bodies.rightWheelBodies[i], dReal(right.x), dReal(right.y),
                               dReal(right.z));
        }
    }

    if (torso)
        torso->orientation = Quaternion::FromAxisAngle(Vector3(0.0f, 1.0f, 0.0f), torsoYaw);
    if (gun)
        gun->orientation = Quaternion::FromAxisAngle(Vector3(1.0f, 0.0f, 0.0f), gunPitch);

    // This frame draws (and the children hang from) the chassis pose after
    // this frame's physics step.
    RebuildMatrices();
}

void Tank::Fire()
{
    if (!gun)
        return;
    SceneNode* root = MainSceneGraph.GetRoot();
    Vector3 muzzle = kMuzzle.TransformCoord(gun->worldMatrix);
    Vector3 aim = kAim.TransformCoord(gun->worldMatrix);

    Projectile* shell = new Projectile();
    shell->position = muzzle;
    shell->velocity = aim - muzzle;
    root->AddChild(shell);

    ParticleSystem* flash = new ParticleSystem();
    flash->texture = ResourceManager::Instance().GetTexture("data/textures/smoke.png");
    flash->interval = 2000;
    flash->fade = 2.0f;
    flash->growthMin = 0.02f;
    flash->growthMax = 0.04f;
    flash->gravity = 0.0f;
    Particle* fire = flash->Emit();
    fire->position = muzzle;
    fire->size = 4.0f;
    fire->colour = Color3(1.0f, 1.0f, 0.2f);
    Particle* smoke = flash->Emit();
    smoke->position = muzzle + Vector3(0.2f, 0.2f, 0.2f);
    smoke->size = 5.0f;
    smoke->life = 0.8f;
    smoke->colour = Color3(0.0f, 0.0f, 0.0f);
    root->AddChild(flash);
    flash->StopEmitting();
}
