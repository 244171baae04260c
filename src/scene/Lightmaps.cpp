// The lightmap bake and load of the level's octree, and the layout both share.
#include "scene/Lightmaps.h"

#include "core/Log.h"
#include "core/Shell.h"
#include "math/BoundingBox.h"
#include "math/Color3.h"
#include "platform/D3DX9Tex.h"
#include "platform/Win32.h"
#include "scene/Level.h"
#include "scene/Light.h"
#include "scene/SceneGraph.h"
#include "video/ResourceManager.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

int32_t LightmapCounter = 0;

namespace
{
constexpr float kTexelsPerUnit = 16.0f;

struct PlaneAxes
{
    int u;
    int v;
    // The axis the normal is largest along.
    int normal;
    // Where a corner at the box's edge falls, in texels from the map's edge.
    float texelOffset;
};
const PlaneAxes kPlanes[3] = {{2, 1, 0, 0.5f}, {0, 2, 1, 1.0f}, {0, 1, 2, 1.0f}};

// Row j, column i; the weights add up to 9.
const float kBlurWeights[4][4] = {
    {0.25f, 0.5f, 0.5f, 0.25f},
    {0.5f, 1.0f, 1.0f, 0.5f},
    {0.5f, 1.0f, 1.0f, 0.5f},
    {0.25f, 0.5f, 0.5f, 0.25f},
};

float Axis(const Vector3& p, int axis)
{
    return axis == 0 ? p.x : axis == 1 ? p.y : p.z;
}

float& Axis(Vector3& p, int axis)
{
    return axis == 0 ? p.x : axis == 1 ? p.y : p.z;
}

void SetDiffuse(LevelTriangle& triangle, uint32_t colour)
{
    for (LevelVertex& vertex : triangle.vertices)
        vertex.diffuse = colour;
}

void SetCoordinates(LevelTriangle& triangle, const LightmapLayout& layout)
{
    for (int k = 0; k < 3; ++k)
        layout.Coordinates(triangle.Position(k), triangle.vertices[k].lu, triangle.vertices[k].lv);
}

// The lights the bake sums: the main graph root's direct children of type 7.
std::vector<Light*> SceneLights()
{
    std::vector<Light*> lights;
    for (const SmartPtr<SceneNode>& child : MainSceneGraph.GetRoot()->GetChildren())
        if (child->GetType() == kNodeLight)
            lights.push_back(static_cast<Light*>(child.Get()));
    return lights;
}

std::string LightmapName(int32_t number)
{
    char name[32];
    std::snprintf(name, sizeof name, "lmap%d.bmp", number);
    return name;
}

// Renders, blurs and saves one triangle's lightmap when a light reaches it.
// Every path takes the triangle's number.
void BakeTriangle(LevelTriangle& triangle, const std::vector<Light*>& lights, size_t nodeTriangles)
{
    LightmapLayout layout;
    if (!LayOutLightmap(triangle, layout))
    {
        // Without area there is no plane to lay a map on: no lightmap, drawn black.
        triangle.lightmap = nullptr;
        SetDiffuse(triangle, kLevelVertexBlack);
        ++LightmapCounter;
        return;
    }

    const Vector3& n = triangle.normal;
    const Vector3 p0 = triangle.Position(0);
    std::vector<Light*> relevant;
    for (Light* light : lights)
    {
        const Vector3& l = light->position;
        // In front of the plane (or in it), and within range of it.
        if ((p0 - l).Dot(n) <= 0.0f && n.Dot(l - p0) <= light->range)
            relevant.push_back(light);
    }
    if (relevant.empty())
    {
        ++LightmapCounter;
        return;
    }

    const int width = layout.width;
    const int height = layout.height;
    SmartPtr<Texture> lightmap = new Texture(width, height, 32, 0);
    void* bits = lightmap->texture ? lightmap->Lock() : nullptr;
    if (!bits)
    {
        // No texture to fill: the triangle is left without a lightmap or file.
        triangle.lightmap = nullptr;
        ++LightmapCounter;
        return;
    }
    triangle.lightmap = lightmap;
    SetCoordinates(triangle, layout);

    // The texels are points of the triangle's plane over a grid of the box's
    // projection, each lit by the lights that see it (the end of the shadow
    // ray is lifted off the surface by one unit).
    const float d = p0.Dot(n);
    const float u0 = layout.U(layout.min);
    const float v0 = layout.V(layout.min);
    const Vector3 origin = layout.PointAt(u0, v0, d, n);
    const Vector3 edgeU = layout.PointAt(layout.U(layout.max), v0, d, n) - origin;
    const Vector3 edgeV = layout.PointAt(u0, layout.V(layout.max), d, n) - origin;
    std::vector<uint32_t> texels(static_cast<size_t>(width) * static_cast<size_t>(height));
    for (int y = 0; y < height; ++y)
    {
        for (int x = 0; x < width; ++x)
        {
            Vector3 point = origin + edgeU * static_cast<float>(x) / static_cast<float>(width) +
                            edgeV * static_cast<float>(y) / static_cast<float>(height);
            Color3 colour;
            for (Light* light : relevant)
                if (!MainSceneGraph.IsSegmentBlocked(light->position, point + n))
                    colour += light->Illuminate(point, n);
            texels[static_cast<size_t>(y) * width + x] = colour.ToARGB();
        }
    }
    BlurLightmap(texels.data(), width, height);
    std::memcpy(bits, texels.data(), texels.size() * sizeof(uint32_t));

    lightmap->Unlock();
    D3DXSaveTextureToFileA(LightmapName(LightmapCounter).c_str(), D3DXIFF_BMP, lightmap->texture,
                           nullptr);
    ++LightmapCounter;

    char title[96];
    std::snprintf(title, sizeof title, "Tolvi Output - Building Lightmaps: %d/%d", LightmapCounter,
                  static_cast<int>(nodeTriangles));
    SetWindowTextA(g_mainWindow, title);
}
} // namespace

int LightmapSize(float f)
{
    if (f > 2048.0f)
        return 2048;
    for (int size = 1024; size >= 2; size /= 2)
        if (static_cast<float>(size) < f)
            return size;
    return 1;
}

int LightmapPlane(const Vector3& normal)
{
    float ax = std::fabs(normal.x);
    float ay = std::fabs(normal.y);
    float az = std::fabs(normal.z);
    if (ay < ax)
        return ax < az ? 2 : 0;
    return ay < az ? 2 : 1;
}

float LightmapLayout::U(const Vector3& p) const
{
    return Axis(p, kPlanes[plane].u);
}

float LightmapLayout::V(const Vector3& p) const
{
    return Axis(p, kPlanes[plane].v);
}

void LightmapLayout::Coordinates(const Vector3& p, float& lu, float& lv) const
{
    const float offset = kPlanes[plane].texelOffset;
    const float w = static_cast<float>(width);
    const float h = static_cast<float>(height);
    lu = (U(p) - U(min)) / (U(max) - U(min)) * static_cast<float>(width - 1) / w + offset / w;
    lv = (V(p) - V(min)) / (V(max) - V(min)) * static_cast<float>(height - 1) / h + offset / h;
}

Vector3 LightmapLayout::PointAt(float u, float v, float d, const Vector3& normal) const
{
    const PlaneAxes& axes = kPlanes[plane];
    Vector3 point;
    Axis(point, axes.u) = u;
    Axis(point, axes.v) = v;
    // The two known coordinates are taken off in axis order.
    const int first = axes.u < axes.v ? axes.u : axes.v;
    const int second = axes.u < axes.v ? axes.v : axes.u;
    Axis(point, axes.normal) = (d - Axis(point, first) * Axis(normal, first) -
                                Axis(point, second) * Axis(normal, second)) /
                               Axis(normal, axes.normal);
    return point;
}

bool LayOutLightmap(const LevelTriangle& triangle, LightmapLayout& layout)
{
    layout.plane = LightmapPlane(triangle.normal);
    // Zero (or not a number) along its largest axis: the normal of a triangle
    // without area, whose plane would divide by zero.
    if (!(std::fabs(Axis(triangle.normal, kPlanes[layout.plane].normal)) > 0.0f))
        return false;
    BoundingBox box;
    box.Fit({triangle.Position(0), triangle.Position(1), triangle.Position(2)});
    layout.min = box.min;
    layout.max = box.max;
    layout.width = LightmapSize((layout.U(layout.max) - layout.U(layout.min)) * kTexelsPerUnit);
    layout.height = LightmapSize((layout.V(layout.max) - layout.V(layout.min)) * kTexelsPerUnit);
    return true;
}

void BlurLightmap(uint32_t* texels, int width, int height)
{
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    std::vector<Color3> source(count);
    for (size_t i = 0; i < count; ++i)
        source[i] = Color3::FromARGB(texels[i]);
    std::vector<Color3> target = source;
    for (int y = 2; y < height - 2; ++y)
    {
        for (int x = 2; x < width - 2; ++x)
        {
            Color3 sum;
            for (int j = 0; j < 4; ++j)
                for (int i = 0; i < 4; ++i)
                    sum += source[static_cast<size_t>(y + j - 2) * width + (x + i - 2)] *
                           kBlurWeights[j][i];
            target[static_cast<size_t>(y) * width + x] = sum / 9.0f;
        }
    }
    for (size_t i = 0; i < count; ++i)
        texels[i] = target[i].ToARGB();
}

void OctreeNode::BuildLightmaps()
{
    if (!isLeaf)
    {
        for (const SmartPtr<OctreeNode>& child : children)
            if (child)
                child->BuildLightmaps();
    }
    std::vector<Light*> lights = SceneLights();
    for (LevelTriangle& triangle : triangles)
        BakeTriangle(triangle, lights, triangles.size());
}

void OctreeNode::LoadLightmaps()
{
    if (!isLeaf)
    {
        for (const SmartPtr<OctreeNode>& child : children)
            if (child)
                child->LoadLightmaps();
    }
    for (LevelTriangle& triangle : triangles)
    {
        LightmapLayout layout;
        if (!LayOutLightmap(triangle, layout))
        {
            // The bake gave it no file either; it keeps its number all the same.
            triangle.lightmap = nullptr;
            SetDiffuse(triangle, kLevelVertexBlack);
            ++LightmapCounter;
            continue;
        }
        SetCoordinates(triangle, layout);
        triangle.lightmap =
            ResourceManager::Instance().GetTexture(LightmapName(LightmapCounter).c_str());
        if (!triangle.lightmap || !triangle.lightmap->texture)
            SetDiffuse(triangle, kLevelVertexBlack);
        ++LightmapCounter;
    }
}

void Level::BuildLightmaps()
{
    LightmapCounter = 0;
    DWORD start = timeGetTime();
    if (octree)
        octree->BuildLightmaps();
    Log::Printf(Log::Instance(), "Building Lightmaps took: %d seconds\n",
                static_cast<int>((timeGetTime() - start) / 1000));
}

void Level::LoadLightmaps()
{
    LightmapCounter = 0;
    DWORD start = timeGetTime();
    if (octree)
        octree->LoadLightmaps();
    Log::Printf(Log::Instance(), "Loading Lightmaps took: %d seconds",
                static_cast<int>((timeGetTime() - start) / 1000));
}
