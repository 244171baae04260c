// An obstacle of the level: a scene node that shows a model and stands in the
// physics world as a box geom of the model's size, static (a geom only) or
// dynamic (a geom on a body that falls and tumbles).
#pragma once

#include "core/SmartPtr.h"
#include "math/Quaternion.h"
#include "math/Vector3.h"
#include "physics/PhysicsHandles.h"
#include "scene/SceneNode.h"
#include "video/Model.h"

class PhysicsBox : public SceneNode
{
public:
    PhysicsBox() = default;
    // Releases the model; the geom and the body stay in the physics world.
    ~PhysicsBox() override;

    int GetType() override { return kNodePhysicsBox; }
    // Copies the pose from ODE: the node's position is the model's origin,
    // the geom's the centre of the model's box. Called by the main graph's
    // traversal after the frame's physics step; the box's matrices show the
    // new pose in this frame, for drawing and for ray casts alike.
    void Update(float dt) override;
    // Draws the model when the geom's world box is in the current camera's view.
    void Render(IDirect3DDevice9* device) override;
    // The main scene graph's ray cast reaches the box through this.
    void RayTest(const Vector3& from, const Vector3& to, RayHit& hit) override
    {
        IntersectSegment(from, to, hit);
    }

    // Takes the cached model and makes a geom of its box's size in the physics
    // space at the node's position, on a new body when dynamic. A model with
    // no volume (missing, or a mesh without vertices), or one too large or too
    // far out for the world (Physics::HoldsModelBox), gets no geom and no body,
    // with a log line naming it; such a box then neither moves, draws nor
    // answers rays.
    void Load(const char* modelName, bool dynamic);
    // Places the geom's centre (and a dynamic box's body with it); the node
    // follows at the next update.
    void SetPosition(const Vector3& p);
    void SetRotation(const Quaternion& q);
    // Lowers hit.distance to the fraction of the segment at which it enters
    // the box, with that face's point, normal and this box as the object, when
    // that is nearer than the hit already held. Ends exactly on a face (0 or
    // 1) and segments inside the box do not hit.
    void IntersectSegment(const Vector3& start, const Vector3& end, RayHit& hit);

    dGeomID geom = nullptr;
    dBodyID body = nullptr;
    // The model's bounding box, in model space.
    Vector3 boxMin;
    Vector3 boxMax;
    SmartPtr<Model> model;
};
