#include "scene/Terrain.h"

#include "core/Log.h"
#include "math/BoundingBox.h"
#include "math/Color3.h"
#include "math/D3DXMath.h"
#include "math/Frustum.h"
#include "platform/D3D9.h"
#include "platform/Files.h"
#include "scene/Camera.h"
#include "video/RenderPresets.h"
#include "video/ResourceManager.h"
#include "video/Video.h"

#include <algorithm>
#include <cstdio>

namespace
{
constexpr int kPatchesPerSide = 16;
constexpr int kShadingSize = 512;
// Larger fields would need gigabytes for their samples and normals.
constexpr long long kMaxSamples = 4096LL * 4096LL;
constexpr uint32_t kWhite = 0xFFFFFFFF;

int StepForDistance(float d)
{
    if (d < 30.0f)
        return 1;
    if (d < 60.0f)
        return 2;
    if (d < 90.0f)
        return 4;
    if (d < 120.0f)
        return 8;
    if (d < 150.0f)
        return 16;
    return 32;
}

// A neighbour whose quads are larger than `step`; its grid decides the heights
// along the shared side.
int CoarserStep(const TerrainPatch* neighbour, int step)
{
    return neighbour && neighbour->HasQuads() && neighbour->step > step ? neighbour->step : 0;
}
} // namespace

Terrain::Terrain() = default;

Terrain::Terrain(const char* fileName, int width, int depth)
{
    LoadHeightmap(fileName, width, depth);
}

Terrain::~Terrain() = default;

void Terrain::Clear()
{
    heights.clear();
    width = 0;
    depth = 0;
    shadingTexture = nullptr;
    colorMap = nullptr;
    detailMap = nullptr;
    patchesPerSide = 0;
    patches.clear();
}

int Terrain::LoadHeightmap(const char* fileName, int newWidth, int newDepth)
{
    Clear();
    const bool sizeFits =
        newWidth > 0 && newDepth > 0 && static_cast<long long>(newWidth) * newDepth <= kMaxSamples;
    FILE* file = fileName && sizeFits ? OpenFile(fileName, "rb") : nullptr;
    if (!file)
    {
        Log::Printf(Log::Instance(), "Could not open file for heightmap: %s\n",
                    fileName ? fileName : "");
        return -1;
    }

    width = newWidth;
    depth = newDepth;
    // Row after row; a file that ends early leaves the remaining samples at 0.
    std::vector<uint8_t> bytes(static_cast<size_t>(width) * static_cast<size_t>(depth));
    size_t read = std::fread(bytes.data(), 1, bytes.size(), file);
    heights.assign(bytes.size(), 0.0f);
    for (size_t i = 0; i < read; ++i)
        heights[i] = static_cast<float>(bytes[i]);
    Smooth();
    std::fclose(file);

    colorMap = ResourceManager::Instance().GetTexture("data\\textures\\colormap.png");
    detailMap = ResourceManager::Instance().GetTexture("data\\textures\\detail.png");
    ComputeShading();
    BuildPatches();
    return 0;
}

void Terrain::Smooth()
{
    // In place: an average already sees the smoothed samples of column x - 1
    // and of row z - 1 in its own column.
    for (int x = 1; x < width - 1; ++x)
    {
        for (int z = 1; z < depth - 1; ++z)
        {
            float sum = 0.0f;
            for (int dx = -1; dx <= 1; ++dx)
                for (int dz = -1; dz <= 1; ++dz)
                    sum += heights[static_cast<size_t>(z + dz) * width + (x + dx)];
            heights[static_cast<size_t>(z) * width + x] = static_cast<float>(sum / 9.0);
        }
    }
}

void Terrain::ComputeShading()
{
    shadingTexture = new Texture(kShadingSize, kShadingSize, 32, 0);
    if (!shadingTexture->texture)
    {
        shadingTexture = nullptr;
        return;
    }

    // Each cell is split along its diagonal from (x, z) to (x + 1, z + 1); a
    // sample's normal sums the normals of the triangles that touch it.
    std::vector<Vector3> normals(heights.size());
    const float* h = heights.data();
    const size_t w = static_cast<size_t>(width);
    for (int x = 0; x < width - 1; ++x)
    {
        for (int z = 0; z < depth - 1; ++z)
        {
            const size_t i = static_cast<size_t>(z) * w + static_cast<size_t>(x);
            // Both edges of each triangle run with their own z and x, so a
            // slope along z turns the normal as far as the same slope along x.
            Vector3 a(0.0f, h[i + w] - h[i], 1.0f);
            Vector3 b(1.0f, h[i + w + 1] - h[i + w], 0.0f);
            Vector3 na = a.Cross(b);
            na.Normalize();
            Vector3 e(0.0f, h[i + 1] - h[i + w + 1], -1.0f);
            Vector3 c(-1.0f, h[i] - h[i + 1], 0.0f);
            Vector3 nb = e.Cross(c);
            nb.Normalize();
            normals[i + w] += na;
            normals[i] += na + nb;
            normals[i + w + 1] += na + nb;
            normals[i + 1] += nb;
        }
    }

    uint32_t* texels = static_cast<uint32_t*>(shadingTexture->Lock());
    if (!texels)
    {
        // An unfilled texture would draw the field black.
        shadingTexture = nullptr;
        return;
    }
    Vector3 light(-1.0f, -1.0f, 1.0f);
    light.Normalize();
    const Vector3 towardLight = -light;
    // Texel (tx, ty) shades sample (tx, ty); a field narrower than the texture
    // spreads its samples over it, as texture coordinate set 0 stretches it.
    const int spanX = std::min(width, kShadingSize);
    const int spanZ = std::min(depth, kShadingSize);
    for (int tx = 0; tx < kShadingSize; ++tx)
    {
        for (int ty = 0; ty < kShadingSize; ++ty)
        {
            const size_t sx = static_cast<size_t>(tx * spanX / kShadingSize);
            const size_t sz = static_cast<size_t>(ty * spanZ / kShadingSize);
            Vector3& normal = normals[sz * w + sx];
            normal.Normalize();
            float s = std::max(0.0f, normal.Dot(towardLight));
            s = s / 2.0f + 0.5f;
            texels[ty * kShadingSize + tx] = Color3(s, s, s).ToARGB();
        }
    }
    shadingTexture->Unlock();
}

void Terrain::BuildPatches()
{
    patchesPerSide = kPatchesPerSide;
    patches.assign(static_cast<size_t>(kPatchesPerSide) * kPatchesPerSide, TerrainPatch());
    // One size along both axes, from the width; patches stop at the field's
    // last row and column.
    const int size = (width - 1) / kPatchesPerSide;
    for (int px = 0; px < kPatchesPerSide; ++px)
    {
        for (int pz = 0; pz < kPatchesPerSide; ++pz)
        {
            TerrainPatch& patch = patches[static_cast<size_t>(pz) * kPatchesPerSide + px];
            patch.x0 = std::min(px * size, width - 1);
            patch.z0 = std::min(pz * size, depth - 1);
            patch.x1 = std::min((px + 1) * size, width - 1);
            patch.z1 = std::min((pz + 1) * size, depth - 1);
            for (int x = patch.x0; x < patch.x1; ++x)
            {
                for (int z = patch.z0; z < patch.z1; ++z)
                {
                    float v = heights[static_cast<size_t>(z) * width + x];
                    if (v > patch.maxHeight)
                        patch.maxHeight = v;
                    else if (v < patch.minHeight)
                        patch.minHeight = v;
                }
            }
            patch.centreX = static_cast<float>(patch.x0 + patch.x1) / 2.0f;
            patch.centreZ = static_cast<float>(patch.z0 + patch.z1) / 2.0f;
            patch.centreHeight = (patch.minHeight + patch.maxHeight) / 2.0f;
            auto at = [this](int x, int z)
            { return &patches[static_cast<size_t>(z) * kPatchesPerSide + x]; };
            patch.neighbourZPlus = pz + 1 < kPatchesPerSide ? at(px, pz + 1) : nullptr;
            patch.neighbourZMinus = pz > 0 ? at(px, pz - 1) : nullptr;
            patch.neighbourXMinus = px > 0 ? at(px - 1, pz) : nullptr;
            patch.neighbourXPlus = px + 1 < kPatchesPerSide ? at(px + 1, pz) : nullptr;
        }
    }
}

float Terrain::Height(int x, int z) const
{
    if (heights.empty())
        return 0.0f;
    x = std::clamp(x, 0, width - 1);
    z = std::clamp(z, 0, depth - 1);
    return heights[static_cast<size_t>(z) * width + x];
}

void Terrain::UpdateLevelsOfDetail(const Vector3& eye)
{
    for (TerrainPatch& patch : patches)
    {
        Vector3 centre(patch.centreX, patch.centreHeight, patch.centreZ);
        patch.step = StepForDistance((eye - centre).Length());
    }
}

// The neighbour beside a side along z shares this patch's rows, so its grid
// starts at z0 and its last quad ends at z1.
float Terrain::AlongZ(const TerrainPatch& patch, int xc, int zc, int c) const
{
    const int zb = patch.z0 + (zc - patch.z0) / c * c;
    const int zn = std::min(zb + c, patch.z1);
    if (zn <= zb)
        return Height(xc, zb);
    const float f = static_cast<float>(zc - zb) / static_cast<float>(zn - zb);
    return (1.0f - f) * Height(xc, zb) + f * Height(xc, zn);
}

float Terrain::AlongX(const TerrainPatch& patch, int xc, int zc, int c) const
{
    const int xb = patch.x0 + (xc - patch.x0) / c * c;
    const int xn = std::min(xb + c, patch.x1);
    if (xn <= xb)
        return Height(xb, zc);
    const float f = static_cast<float>(xc - xb) / static_cast<float>(xn - xb);
    return (1.0f - f) * Height(xb, zc) + f * Height(xn, zc);
}

int Terrain::BuildPatch(const TerrainPatch& patch, std::vector<TerrainVertex>& vertices) const
{
    const int s = std::max(1, static_cast<int>(patch.step));
    const int xMinus = CoarserStep(patch.neighbourXMinus, s);
    const int xPlus = CoarserStep(patch.neighbourXPlus, s);
    const int zMinus = CoarserStep(patch.neighbourZMinus, s);
    const int zPlus = CoarserStep(patch.neighbourZPlus, s);
    const float invWidth = 1.0f / static_cast<float>(width);
    const float invDepth = 1.0f / static_cast<float>(depth);
    auto vertex = [&](int x, int z, float y)
    {
        const float fx = static_cast<float>(x);
        const float fz = static_cast<float>(z);
        const float u = fx * invWidth;
        const float v = fz * invDepth;
        vertices.push_back(TerrainVertex{fx, y, fz, kWhite, u, v, u, v, fx, fz});
    };

    int quads = 0;
    // The last quad of a row or column ends at the patch's edge, where the
    // neighbour's first quad begins.
    for (int x = patch.x0; x < patch.x1; x += s)
    {
        const int xe = std::min(x + s, static_cast<int>(patch.x1));
        for (int z = patch.z0; z < patch.z1; z += s)
        {
            const int ze = std::min(z + s, static_cast<int>(patch.z1));
            const bool atX0 = x == patch.x0;
            const bool atX1 = xe == patch.x1;
            const bool atZ0 = z == patch.z0;
            const bool atZ1 = ze == patch.z1;

            // Each corner takes the first rule that applies.
            float y0 = xMinus && atX0   ? AlongZ(patch, x, z, xMinus)
                       : zMinus && atZ0 ? AlongX(patch, x, z, zMinus)
                                        : Height(x, z);
            float y1 = zPlus && atZ1             ? AlongX(patch, x, ze, zPlus)
                       : xMinus && atX0 && !atZ1 ? AlongZ(patch, x, ze, xMinus)
                                                 : Height(x, ze);
            float y2 = xPlus && atX1 && !atZ1   ? AlongZ(patch, xe, ze, xPlus)
                       : zPlus && atZ1 && !atX1 ? AlongX(patch, xe, ze, zPlus)
                                                : Height(xe, ze);
            float y3 = xPlus && atX1             ? AlongZ(patch, xe, z, xPlus)
                       : zMinus && atZ0 && !atX1 ? AlongX(patch, xe, z, zMinus)
                                                 : Height(xe, z);
            vertex(x, z, y0);
            vertex(x, ze, y1);
            vertex(xe, ze, y2);
            vertex(xe, z, y3);
            ++quads;
        }
    }
    return quads;
}

int Terrain::DrawPatches(IDirect3DDevice9* device, const Frustum& frustum)
{
    ApplyRenderPreset(device, RenderPreset::TerrainQuads);
    device->SetTexture(0, shadingTexture ? shadingTexture->texture : nullptr);
    device->SetTexture(1, colorMap ? colorMap->texture : nullptr);

    std::vector<Vector3> corners(8);
    int drawn = 0;
    for (const TerrainPatch& patch : patches)
    {
        if (!patch.HasQuads())
            continue;
        // The patch's box in world space: the box around its corners placed
        // by this node's transform.
        for (int corner = 0; corner < 8; ++corner)
        {
            Vector3& p = corners[static_cast<size_t>(corner)];
            p = Vector3(static_cast<float>(corner & 1 ? patch.x1 : patch.x0),
                        corner & 2 ? patch.maxHeight : patch.minHeight,
                        static_cast<float>(corner & 4 ? patch.z1 : patch.z0));
            p.TransformCoordInPlace(worldMatrix);
        }
        BoundingBox box;
        box.Fit(corners);
        if (!frustum.IsBoxVisible(box.min, box.max))
            continue;
        scratch.clear();
        const int quads = BuildPatch(patch, scratch);
        for (int q = 0; q < quads; ++q)
            device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, &scratch[static_cast<size_t>(q) * 4],
                                    sizeof(TerrainVertex));
        drawn += quads;
    }
    return drawn;
}

void Terrain::Render(IDirect3DDevice9* device)
{
    Camera* camera = Video::Instance().camera.Get();
    if (!camera || patches.empty())
        return;
    // The camera's distance is measured in this node's own space.
    Vector3 eye = camera->worldMatrix.GetTranslation();
    Matrix toLocal;
    if (D3DXMatrixInverse(&toLocal, nullptr, &worldMatrix))
        eye.TransformCoordInPlace(toLocal);
    UpdateLevelsOfDetail(eye);
    DrawPatches(device, camera->frustum);
}
