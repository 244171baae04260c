#include "scene/StaticModel.h"

#include "math/Intersection.h"
#include "scene/SceneGraph.h"
#include "video/ResourceManager.h"
#include "video/Video.h"

uint8_t StaticModel::showBounds = 0;

namespace
{
constexpr int kSlidePasses = 3;
// How far short of the contact a slide stops, along the direction of travel.
constexpr float kContactGap = 0.00001f;

bool HasVolume(const Vector3& radii)
{
    return radii.x != 0.0f && radii.y != 0.0f && radii.z != 0.0f;
}
} // namespace

StaticModel::StaticModel()
{
    showBounds = 0;
}

StaticModel::StaticModel(const char* fileName)
{
    model = ResourceManager::Instance().GetModel(fileName);
    if (model)
    {
        boundsMin = model->boxMin;
        boundsMax = model->boxMax;
    }
}

StaticModel::~StaticModel()
{
    model = nullptr;
}

void StaticModel::Move(float dt)
{
    position += velocity * dt;
}

void StaticModel::Update(float dt)
{
    for (int pass = 0; pass < kSlidePasses; ++pass)
    {
        Vector3 step = velocity * dt;
        // A sweep with a zero radius would divide by it; such a model is a
        // point that no level stops.
        if (!HasVolume(radii))
        {
            position += step;
            return;
        }
        SmartPtr<RayHit> hit = MainSceneGraph.Sweep(position, position + step, radii);
        if (!(hit->distance < 1.0f))
        {
            position += step;
            return;
        }
        Vector3 direction = velocity;
        direction.Normalize();
        position = position + step * hit->distance - direction * kContactGap;
        velocity = velocity - hit->normal * hit->normal.Dot(velocity);
    }
}

Vector3 StaticModel::CollideMove(const Vector3& displacement)
{
    Vector3 d = displacement;
    for (int pass = 0; pass < kSlidePasses; ++pass)
    {
        if (!HasVolume(radii))
        {
            position += d;
            return d;
        }
        SmartPtr<RayHit> hit = MainSceneGraph.Sweep(position, position + d, radii);
        if (!(hit->distance < 1.0f))
        {
            position += d;
            return d;
        }
        Vector3 direction = d;
        direction.Normalize();
        position = position + d * hit->distance - direction * kContactGap;
        d = d - hit->normal * hit->normal.Dot(d);
    }
    return d;
}

void StaticModel::Render(IDirect3DDevice9* device)
{
    if (showBounds)
        Video::Instance().DrawBox(boundsMin, boundsMax, 0xFFFFFFFF);
    if (model)
        model->Render(device);
}
