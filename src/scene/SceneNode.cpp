#include "scene/SceneNode.h"

#include "math/D3DXMath.h"
#include "net/Message.h"
#include "platform/D3D9.h"
#include "video/DeviceMath.h"

SceneNode::~SceneNode()
{
    children.clear();
}

void SceneNode::AddChild(SceneNode* child)
{
    children.push_back(SmartPtr<SceneNode>(child));
    child->parent = this;
}

void SceneNode::RemoveChild(SceneNode* child)
{
    // Held here so the child outlives the erase below even if the list held
    // its last reference; it is then queued, not deleted.
    SmartPtr<SceneNode> keep(child);
    for (size_t i = 0; i < children.size();)
    {
        if (children[i].Get() == child)
            children.erase(children.begin() + static_cast<std::ptrdiff_t>(i));
        else
            ++i;
    }
    child->parent = nullptr;
}

SceneNode* SceneNode::FindById(int nodeId)
{
    if (id == nodeId)
        return this;
    for (size_t i = 0; i < children.size(); ++i)
    {
        SceneNode* found = children[i]->FindById(nodeId);
        if (found)
            return found;
    }
    return nullptr;
}

void SceneNode::Kill()
{
    alive = 0;
    parent = nullptr;
    for (size_t i = 0; i < children.size(); ++i)
        children[i]->Kill();
    children.clear();
}

const Matrix& SceneNode::GetMatrix() const
{
    return parent ? worldMatrix : localMatrix;
}

void SceneNode::BuildMatrices(const Matrix& parentWorld)
{
    Matrix rotation;
    Matrix translation;
    D3DXMatrixRotationQuaternion(&rotation, &orientation);
    D3DXMatrixTranslation(&translation, position.x, position.y, position.z);
    D3DXMatrixMultiply(&localMatrix, &rotation, &translation);
    D3DXMatrixMultiply(&worldMatrix, &localMatrix, &parentWorld);
}

void SceneNode::RebuildMatrices()
{
    BuildMatrices(parent ? parent->worldMatrix : Matrix());
}

template <bool kUpdate> void SceneNode::Traverse(const Matrix& parentWorld, float dt)
{
    BuildMatrices(parentWorld);

    if (kUpdate)
        Update(dt);
    else
        Move(dt);

    // Indexed walk with the size read anew: children appended during the walk
    // are visited in this traversal, and a list emptied by a Kill ends it.
    std::vector<SceneNode*> dead;
    for (size_t i = 0; i < children.size(); ++i)
    {
        SmartPtr<SceneNode> child = children[i];
        if (child->alive)
        {
            if (kUpdate)
                child->UpdateTree(worldMatrix, dt);
            else
                child->MoveTree(worldMatrix, dt);
        }
        else
        {
            dead.push_back(child.Get());
        }
    }
    for (SceneNode* child : dead)
        RemoveChild(child);
}

void SceneNode::UpdateTree(const Matrix& parentWorld, float dt)
{
    Traverse<true>(parentWorld, dt);
}

void SceneNode::MoveTree(const Matrix& parentWorld, float dt)
{
    Traverse<false>(parentWorld, dt);
}

void SceneNode::RenderTree(IDirect3DDevice9* device)
{
    device->SetTransform(D3DTS_WORLD, AsD3DMatrix(worldMatrix));
    Render(device);
    for (size_t i = 0; i < children.size(); ++i)
    {
        SmartPtr<SceneNode> child = children[i];
        child->RenderTree(device);
    }
}

Message* SceneNode::CreateBaseStateMessage()
{
    Message* message = new Message();
    message->type = kStateMessageType;
    message->WriteInt(static_cast<uint32_t>(id));
    message->WriteVector3(position);
    message->WriteVector3(velocity);
    message->WriteQuaternion(orientation);
    message->WriteVector3(extra);
    return message;
}

void SceneNode::ApplyBaseState(Message& message)
{
    position = message.ReadVector3();
    velocity = message.ReadVector3();
    orientation = message.ReadQuaternion();
    extra = message.ReadVector3();
}

Message* RootNode::CreateStateMessage()
{
    return new Message();
}
