// The vehicle the player drives: a body model with a torso that turns about
// the vertical axis and a gun that tilts, standing in the physics world as a
// chassis box on two rows of six sphere wheels hinged to it. The wheels are
// spun from eight control flags and the chassis pose is copied back into the
// node, so the tank drives by the friction of its wheels on the ground.
#pragma once

#include "core/SmartPtr.h"
#include "math/Quaternion.h"
#include "math/Vector3.h"
#include "physics/PhysicsHandles.h"
#include "scene/StaticModel.h"

#include <cstdint>

constexpr int kTankWheelsPerRow = 6;

// The ODE objects of the physical tank. Left is the chassis's -x side, right
// its +x side; the tank faces +z. All null before the first Tank::Create.
struct TankBodies
{
    dBodyID chassisBody = nullptr;
    dGeomID chassisGeom = nullptr;
    dBodyID leftWheelBodies[kTankWheelsPerRow] = {};
    dBodyID rightWheelBodies[kTankWheelsPerRow] = {};
    dGeomID leftWheelGeoms[kTankWheelsPerRow] = {};
    dGeomID rightWheelGeoms[kTankWheelsPerRow] = {};
    dJointID leftHinges[kTankWheelsPerRow] = {};
    dJointID rightHinges[kTankWheelsPerRow] = {};
};

class Tank : public StaticModel
{
public:
    // Body, torso and gun models.
    static constexpr const char* kBodyModel = "tank_body.3ds";
    static constexpr const char* kTorsoModel = "tank_torso.3ds";
    static constexpr const char* kGunModel = "tank_gun.3ds";
    static constexpr float kChassisMass = 5000.0f;
    static constexpr float kWheelMass = 50.0f;
    static constexpr float kWheelRadius = 0.5f;
    // Wheel spin in radians per second: both rows to drive, the rows opposite
    // to turn.
    static constexpr float kDriveSpeed = 60.0f;
    static constexpr float kTurnSpeed = 600.0f;
    // The gun pitch stays within [kGunPitchMin, 0]; negative raises the gun.
    static constexpr float kGunPitchMin = -0.78525f;
    // Shortest chassis box edge: a body model that is missing, flat or one unit
    // or less wide or high would give ODE a box it cannot take.
    static constexpr float kMinChassisLength = 0.01f;

    Tank() = default;
    // Gives up the physical tank if this one holds it; the ODE objects stay in
    // the world.
    ~Tank() override;

    int GetType() override { return kNodeTank; }
    // Loads the body, adds the torso (child of the tank) and the gun (child of
    // the torso), and builds the chassis and the wheels in Physics' world at the
    // tank's position, which the caller sets first. A second tank's Create
    // takes the physical tank over: the earlier chassis, wheels and hinges are
    // destroyed and that tank stays where it was. Without a physics world, or
    // with a position or body model beyond Physics::kWorldBound (logged), only
    // the nodes are built.
    void Create() override;
    // Called by the main graph's traversal after the frame's physics step: the
    // node takes the chassis pose, the torso turns and the gun tilts by the held
    // keys, and the wheels get the spin for the next step. The tank's matrices,
    // and so its children's, show the new pose in this frame.
    void Update(float dt) override;

    // Key handlers' setters: each stores its flag until the key is released.
    void SetTorsoLeft(bool on) { torsoLeft = on; }
    void SetTorsoRight(bool on) { torsoRight = on; }
    void SetGunUp(bool on) { gunUp = on; }
    void SetGunDown(bool on) { gunDown = on; }
    void SetTurnLeft(bool on) { turnLeft = on; }
    void SetTurnRight(bool on) { turnRight = on; }
    void SetDriveForward(bool on) { driveForward = on; }
    void SetDriveBackward(bool on) { driveBackward = on; }

    // One shell from the muzzle along the gun at 100 units per second, and a
    // muzzle flash of one yellow and one black particle, both under the main
    // graph's root, at the gun's pose of the last traversal. No cooldown.
    // Nothing before Create.
    void Fire();

    // The chassis body of the physical tank, or null when there is none or its
    // world has shut down.
    static dBodyID GetChassisBody();
    // Puts the physical tank's chassis alone at a world position and
    // orientation; its velocities and the wheels stay as they are, so the
    // hinges pull the wheels after it in the next steps. The X key's pose.
    // Nothing when GetChassisBody is null.
    static void SetChassisPose(const Vector3& position, const Quaternion& orientation);
    // The physical tank's ODE objects as they stand, for inspection. There is
    // one physical tank, held by the tank file: the one created last. Its
    // handles are dead once Physics shuts down (GetChassisBody checks).
    static const TankBodies& GetBodies();

    // Radians per second of the gun's pitch and the torso's yaw.
    float gunRate = 1.0f;
    float torsoRate = 1.0f;
    // Read nowhere.
    float spareA = 13.3f;
    float spareB = 5.0f;
    SmartPtr<StaticModel> torso;
    SmartPtr<StaticModel> gun;
    // Held keys: A, D, W, S, N, M, C, V.
    uint8_t torsoLeft = 0;
    uint8_t torsoRight = 0;
    uint8_t gunUp = 0;
    uint8_t gunDown = 0;
    uint8_t turnLeft = 0;
    uint8_t turnRight = 0;
    uint8_t driveForward = 0;
    uint8_t driveBackward = 0;
    // Radians; the yaw has no limit.
    float torsoYaw = 0.0f;
    float gunPitch = 0.0f;
    // Radians per second of the left and right wheel rows, set every update.
    float leftSpeed = 0.0f;
    float rightSpeed = 0.0f;
    // Never set.
    SmartPtr<SceneNode> spareNode;

private:
    // True while this tank holds the physical tank and its world stands.
    bool HasBodies() const;
};
