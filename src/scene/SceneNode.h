// The base of every object in the world: a reference-counted node with a local
// transform from position and orientation, a world transform, children, an alive
// flag and one virtual interface that the scene graph drives.
#pragma once

#include "core/RefObject.h"
#include "core/SmartPtr.h"
#include "math/Matrix.h"
#include "math/Quaternion.h"
#include "math/Vector3.h"

#include <cstdint>
#include <vector>

class IDirect3DDevice9;
class Message;
class RayHit;

// The value of SceneNode::GetType for every node class of the game. No class
// answers 9 or 11 to 14.
enum SceneNodeType
{
    kNodeSmokeEmitter = -1,
    kNodeRoot = 0,
    kNodeStaticModel = 1,
    kNodeSkyBox = 2,
    kNodeTerrain = 3,
    kNodeLevel = 4,
    kNodeParticleSystem = 5,
    kNodeCamera = 6,
    kNodeLight = 7,
    kNodeProjectile = 8,
    kNodePlayer = 10,
    kNodeBouncingShell = 15,
    kNodeTank = 16,
    kNodePhysicsBox = 17,
};

// Type of the scene-node state message.
constexpr uint32_t kStateMessageType = 3;

class SceneNode : public RefObject
{
public:
    SceneNode() = default;
    // Empties the child list, releasing each child.
    ~SceneNode() override;

    virtual int GetType() = 0;
    // Hooks with empty base bodies: Setup and Create are called by creators,
    // Move by the secondary graph's traversal, Update by the main graph's, Render
    // by the render traversal after it has set this node's world transform.
    virtual void Setup() {}
    virtual void Create() {}
    virtual void Move(float /*dt*/) {}
    virtual void Update(float /*dt*/) {}
    virtual void Render(IDirect3DDevice9* /*device*/) {}
    // Segment test used by SceneGraph::IsSegmentBlocked on levels.
    virtual bool Intersects(const Vector3& /*from*/, const Vector3& /*to*/) { return false; }
    // Reads the state block from `position` on (the receiver has read the id).
    virtual void ApplyState(Message& /*message*/) {}
    // A new state message owned by the caller, or null for classes that send none.
    virtual Message* CreateStateMessage() { return nullptr; }

    // World queries of the scene graph. The graph calls RayTest on the root's
    // children of type 4 (Level) and 17 (PhysicsBox) and SweepTest on those of
    // type 4; each lowers hit.distance (a fraction of the segment) only for a
    // nearer hit. The base answers nothing.
    virtual void RayTest(const Vector3& /*from*/, const Vector3& /*to*/, RayHit& /*hit*/) {}
    virtual void SweepTest(const Vector3& /*from*/, const Vector3& /*to*/, const Vector3& /*radii*/,
                           RayHit& /*hit*/)
    {
    }

    // Appends the child (taking a reference) and makes this node its parent. A
    // former parent's list is not touched.
    void AddChild(SceneNode* child);
    // Drops every entry that refers to the child and clears its parent.
    void RemoveChild(SceneNode* child);
    // This node or the first match in the subtree, dead nodes included; or null.
    SceneNode* FindById(int nodeId);
    // Marks this node and its subtree dead and detaches them at once; the node
    // leaves its parent's list at the parent's next update traversal.
    void Kill();

    // worldMatrix when the node has a parent, else localMatrix.
    const Matrix& GetMatrix() const;
    const Matrix& GetLocalMatrix() const { return localMatrix; }
    void SetLocalMatrix(const Matrix& matrix) { localMatrix = matrix; }
    int GetId() const { return id; }

    // Traversals: rebuild the transforms, call Update (Move) and recurse into the
    // living children, then drop the dead ones.
    void UpdateTree(const Matrix& parentWorld, float dt);
    void MoveTree(const Matrix& parentWorld, float dt);
    // Sets the world transform, calls Render, recurses into every child.
    void RenderTree(IDirect3DDevice9* device);

    const std::vector<SmartPtr<SceneNode>>& GetChildren() const { return children; }
    SceneNode* GetParent() const { return parent; }
    bool IsAlive() const { return alive != 0; }

    Matrix localMatrix;
    Matrix worldMatrix;
    uint8_t alive = 1;
    int32_t id = 0;
    Vector3 position;
    Vector3 velocity;
    Quaternion orientation;
    // Carried in the state message only.
    Vector3 extra;

protected:
    // Writes the first block of the state message (id, position, velocity,
    // orientation, extra) into a new type-3 message.
    Message* CreateBaseStateMessage();
    // Reads that block from `position` on.
    void ApplyBaseState(Message& message);
    // localMatrix from orientation and position, and worldMatrix from it under
    // the parent's world transform.
    void BuildMatrices(const Matrix& parentWorld);
    // BuildMatrices again under the parent as it stands, for an update that
    // moves the node: the traversal built the matrices before the update, and
    // this frame draws, and ray casts test, the pose the update gave.
    void RebuildMatrices();

private:
    template <bool kUpdate> void Traverse(const Matrix& parentWorld, float dt);

    SceneNode* parent = nullptr;
    std::vector<SmartPtr<SceneNode>> children;
};

// The root of a scene graph: draws and does nothing itself.
class RootNode : public SceneNode
{
public:
    int GetType() override { return kNodeRoot; }
    // A new empty message whose type is not set.
    Message* CreateStateMessage() override;
};
