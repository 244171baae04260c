// The rigid-body world: one ODE world, one hash space holding every geom, the
// group of each step's contact joints and a static ground plane at y = 0. It
// steps in slices of the scaled frame time and outlines every geom as a wire box.
#pragma once

#include "core/SmartPtr.h"
#include "math/Matrix.h"
#include "math/Vector3.h"
#include "physics/PhysicsHandles.h"

#include <cstdint>
#include <vector>

class IDirect3DDevice9;
class RigidBody;

// The steps one frame takes: slices of Physics::kStepLength while more than
// that is left, then one last slice with the remainder. A remainder shorter
// than Physics::kShortestRemainder after a full slice goes with that slice.
// A frame of zero, less or no finite length takes none.
class FrameSlices
{
public:
    explicit FrameSlices(float frameTime);
    // The next slice into `length`; false when the frame is used up.
    bool Next(float& length);

private:
    float left;
};

class Physics
{
public:
    static Physics* Instance();

    // Slice length of the fixed-step update, in seconds.
    static constexpr float kStepLength = 0.05f;
    // Shortest remainder stepped as a slice of its own after a full slice.
    // ODE turns the overlap and joint error a full slice leaves into speeds
    // inversely proportional to the next slice. Measured over frames that
    // each left the same remainder after full slices: a stack of two or three
    // crates landing where the level places them went on hopping for good in
    // most runs at 5 ms and less, in some at 6 to 8 ms, in none from 8.5 ms
    // on. The tank landing under C kept bouncing at the contact limit, its
    // hinges pulled 0.5 mm apart, in runs at 2 ms and less; ODE aborted at
    // 0.01 ms, and at 0.001 ms with the tank driving off from rest. Bodies at
    // rest stirred at no more than 0.05 units per second down to 0.01 ms and
    // were thrown from 1e-7 s on (float rounding leaves 7e-9 s of a 0.15 s
    // frame).
    static constexpr float kShortestRemainder = 0.009f;
    // Fastest a contact may push the geoms it joins apart to undo their
    // overlap. ODE turns the overlap a long step leaves into a speed inversely
    // proportional to the next step, with no limit of its own. Without this
    // one, the tank landing from its drop at the start was thrown about 50
    // units high by a 2 ms frame after 30 ms ones, about 235 by 1 ms after
    // 35 ms, and about 1000 by a 1 ms remainder after a full slice; with it,
    // none of these lifts it more than 0.03 above where it rests.
    static constexpr float kMaxCorrectingSpeed = 1.0f;
    // Most contacts one pair of geoms yields in a step.
    static constexpr int kMaxContacts = 10;
    // Friction of every contact.
    static constexpr float kFriction = 20000.0f;
    // Colour of the debug outlines: ARGB, alpha 0xF0, blue.
    static constexpr uint32_t kDebugColor = 0xF00000FF;
    // Farthest from the origin a box or the tank is placed, a model's vertex
    // lies, and longest a model's box is, for the world to hold the body soundly.
    // 1e4: floats keep 1/1024 unit; ODE aborts past 2.7e8 (hash cells) and on 2e4-long bodies.
    static constexpr float kWorldBound = 10000.0f;

    // Starts ODE and makes the world with gravity (0, -9.81, 0) and contacts
    // correcting at most kMaxCorrectingSpeed, the space, the contact group
    // and the ground plane. Called by Kernel::Init after the Timer; a second
    // call while the world exists does nothing.
    void Init();
    // Destroys every ODE object (the world's bodies and joints, the space's
    // geoms) and closes ODE: the handles the tank and the boxes hold are dead
    // from here on. Called by Kernel::Shutdown; nothing without a world.
    void Shutdown();
    // Advances the world by the Timer's scaled frame time (FrameSlices).
    // Called by Kernel::Update after the input and before the scene graphs.
    void Update();
    // One slice: contacts from the space, a world step of `length` seconds,
    // contacts removed. Nothing without a world.
    void Step(float length);
    // Every box, sphere and capped-cylinder geom of the space as a wire box in
    // kDebugColor at its pose; planes and other classes are skipped. Called by
    // the Video frame after the HUD.
    void DebugDraw(IDirect3DDevice9* device);
    // A wire box of the debug drawing: its lengths, centred on the origin of
    // its pose.
    struct Outline
    {
        Matrix pose;
        Vector3 extents;
    };
    // The wire boxes DebugDraw draws, in its order, into `outlines` (emptied first).
    void GetOutlines(std::vector<Outline>& outlines) const;

    // Handed to dSpaceCollide. Bodies joined by a joint (a wheel and its
    // chassis) never touch; otherwise up to kMaxContacts contact joints with
    // friction kFriction, between the bodies of o1 and o2.
    static void NearCallback(void* data, dGeomID o1, dGeomID o2);

    // Whether the coordinate, or each of the point's, lies within kWorldBound
    // of 0; NaN does not.
    static bool IsWithinBound(float coordinate);
    static bool IsWithinBound(const Vector3& point);
    // Whether a model's box (min to max corner) may become a body: both corners
    // within kWorldBound, and no edge longer than it.
    static bool HoldsModelBox(const Vector3& boxMin, const Vector3& boxMax);

    // Null until Init and after Shutdown. The tank and the boxes make their
    // bodies, geoms and joints in these.
    dWorldID GetWorld() const { return world; }
    dSpaceID GetSpace() const { return space; }
    dJointGroupID GetContactGroup() const { return contactGroup; }
    // Counts Init calls that made a world: an ODE handle from an earlier one
    // is dead.
    int GetGeneration() const { return generation; }
    // Whether handles made in that generation's world are still alive: its
    // world stands.
    bool IsLive(int madeIn) const { return world && madeIn == generation; }

    // A new RigidBody (with a body in the world when asked), held in `bodies`.
    RigidBody* CreateBody(bool withBody);
    // Drops the body from `bodies`; its ODE body goes when the last holder lets go.
    void DestroyBody(RigidBody* body);

    std::vector<SmartPtr<RigidBody>> bodies;

    ~Physics();

private:
    Physics() = default;
    Physics(const Physics&) = delete;
    Physics& operator=(const Physics&) = delete;

    dWorldID world = nullptr;
    dSpaceID space = nullptr;
    dJointGroupID contactGroup = nullptr;
    int generation = 0;
    // DebugDraw's list, kept to spare an allocation each frame.
    std::vector<Outline> outlineScratch;
};
