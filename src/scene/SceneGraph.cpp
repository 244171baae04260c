#include "scene/SceneGraph.h"

#include "core/Timer.h"
#include "math/Intersection.h"

// Constructed in this order (secondary first) and destroyed in reverse.
SceneGraph SecondarySceneGraph;
SceneGraph MainSceneGraph;

SceneGraph::SceneGraph()
{
    root = new RootNode();
    root->id = 0;
}

SceneGraph::~SceneGraph()
{
    freeIds.clear();
    root = nullptr;
}

void SceneGraph::Update()
{
    root->UpdateTree(Matrix(), Timer::Instance()->GetFrameTime());
}

void SceneGraph::Move()
{
    root->MoveTree(Matrix(), Timer::Instance()->GetFrameTime());
}

void SceneGraph::Render(IDirect3DDevice9* device)
{
    root->RenderTree(device);
}

RayHit* SceneGraph::RayCast(const Vector3& from, const Vector3& to)
{
    RayHit* hit = new RayHit();

    const Vector3 up(0.0f, 1.0f, 0.0f);
    float t = RayPlaneParameter(from, to, Vector3(0.0f, 0.0f, 0.0f), up);
    if (t > 0.0f && t < 1.0f)
    {
        hit->object = nullptr;
        hit->normal = up;
        hit->point = from + (to - from) * t;
        hit->distance = t;
    }

    const std::vector<SmartPtr<SceneNode>>& children = root->GetChildren();
    for (size_t i = 0; i < children.size(); ++i)
    {
        SceneNode* node = children[i].Get();
        int type = node->GetType();
        if (type == kNodeLevel || type == kNodePhysicsBox)
            node->RayTest(from, to, *hit);
    }
    return hit;
}

RayHit* SceneGraph::Sweep(const Vector3& from, const Vector3& to, const Vector3& radii)
{
    RayHit* hit = new RayHit();
    const std::vector<SmartPtr<SceneNode>>& children = root->GetChildren();
    for (size_t i = 0; i < children.size(); ++i)
    {
        SceneNode* node = children[i].Get();
        if (node->GetType() == kNodeLevel)
            node->SweepTest(from, to, radii, *hit);
    }
    return hit;
}

bool SceneGraph::IsSegmentBlocked(const Vector3& from, const Vector3& to)
{
    const std::vector<SmartPtr<SceneNode>>& children = root->GetChildren();
    for (size_t i = 0; i < children.size(); ++i)
    {
        SceneNode* node = children[i].Get();
        if (node->GetType() == kNodeLevel && node->Intersects(from, to))
            return true;
    }
    return false;
}

int SceneGraph::AllocateId()
{
    if (!freeIds.empty())
    {
        int id = freeIds.back();
        freeIds.pop_back();
        return id;
    }
    return nextId++;
}

void SceneGraph::ReleaseId(int id)
{
    freeIds.push_back(id);
}

bool SceneGraph::IsPathFree(const Vector3&, const Vector3&, const Vector3&)
{
    return false;
}

bool SceneGraph::IsLineFree(const Vector3&, const Vector3&)
{
    return false;
}

std::vector<SceneNode*> SceneGraph::FindNodesInSphere(const Vector3&, float)
{
    return {};
}

std::vector<SceneNode*> SceneGraph::FindNodesOnLine(const Vector3&, const Vector3&)
{
    return {};
}
