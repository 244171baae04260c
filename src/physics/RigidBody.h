// A shared wrapper of one ODE body (or none, for a static set of geoms) with the
// geoms attached to it, made in the world and space Physics owns.
#pragma once

#include "core/RefObject.h"
#include "core/SmartPtr.h"
#include "math/Quaternion.h"
#include "math/Vector3.h"
#include "physics/PhysicsHandles.h"
#include "scene/SceneNode.h"

#include <vector>

class RigidBody : public RefObject
{
public:
    // A body in Physics' world when withBody is set (and the world exists);
    // no geoms yet.
    explicit RigidBody(bool withBody);
    // Destroys the body if its world still stands; the geoms stay in the space.
    ~RigidBody() override;

    void SetNode(SceneNode* newNode) { node = newNode; }
    SceneNode* GetNode() const { return node.Get(); }
    // Placeholders with no effect: the setter ignores its argument, the getter
    // answers 0.
    void SetParameter(float) {}
    float GetParameter() const { return 0.0f; }

    // The body's pose, or without a body the first geom's (the origin and the
    // identity when there is none). Quaternions in (x, y, z, w) order.
    void SetPosition(const Vector3& p);
    Vector3 GetPosition() const;
    void SetQuaternion(const Quaternion& q);
    Quaternion GetQuaternion() const;

    // With a body: a box of the given lengths at the offset inside a geom
    // transform attached to the body, `data` on both. Without: a plain box in
    // the space at the offset.
    void AddBox(const Vector3& offset, const Vector3& lengths, void* data);
    // A sphere in the space, held at the offset from the body when there is
    // one (the body does not move), else placed at the offset.
    void AddSphere(const Vector3& offset, float radius);
    // With a body: a capped cylinder turned a quarter turn about y (its axis
    // along x) at the offset inside a geom transform attached to the body.
    // Without: a plain one at the offset, along z.
    void AddCappedCylinder(const Vector3& offset, float radius, float length);
    // Only when there is a body.
    void AddForce(const Vector3& force);
    void AddTorque(const Vector3& torque);

    SmartPtr<SceneNode> node;
    // Top-level geoms in the order added (a transform, or the plain geom).
    std::vector<dGeomID> geoms;
    dBodyID body = nullptr;

private:
    // The transform for an inner geom placed at the offset, attached to the body.
    void AddTransformed(dGeomID inner, const Vector3& offset, void* data);
    // A geom in the space placed at the offset, attached to nothing.
    void AddPlaced(dGeomID geom, const Vector3& offset);
    // Physics' generation when the body was made.
    int generation = 0;
};
