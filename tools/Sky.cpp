// The sky box: six faces rendered from one function of the view direction, so
// the faces meet without seams wherever the game's cube puts them.
#include "MakeData.h"
#include "Noise.h"

#include <algorithm>
#include <cmath>

namespace
{
constexpr int kFaceSize = 256;
constexpr float kLo = 0.001953125f;
constexpr float kHi = 0.998046875f;

struct Corner
{
    float x, y, z, u, v;
};

// The game's sky cube: four corners per face, each with the texture
// coordinate it carries there, and the file suffix of the face.
struct Face
{
    const char* suffix;
    Corner corners[4];
};

// clang-format off
const Face kFaces[6] = {
    {"ft", {{-1, 1, 1, kLo, kLo}, {1, 1, 1, kHi, kLo}, {1, -1, 1, kHi, kHi}, {-1, -1, 1, kLo, kHi}}},
    {"bk", {{1, 1, -1, kLo, kLo}, {-1, 1, -1, kHi, kLo}, {-1, -1, -1, kHi, kHi}, {1, -1, -1, kLo, kHi}}},
    {"lf", {{1, 1, 1, kLo, kLo}, {1, 1, -1, kHi, kLo}, {1, -1, -1, kHi, kHi}, {1, -1, 1, kLo, kHi}}},
    {"rt", {{-1, 1, -1, kLo, kLo}, {-1, 1, 1, kHi, kLo}, {-1, -1, 1, kHi, kHi}, {-1, -1, -1, kLo, kHi}}},
    {"up", {{-1, 1, -1, kLo, kHi}, {1, 1, -1, kLo, kLo}, {1, 1, 1, kHi, kLo}, {-1, 1, 1, kHi, kHi}}},
    {"dn", {{-1, -1, 1, kHi, kLo}, {1, -1, 1, kHi, kHi}, {1, -1, -1, kLo, kHi}, {-1, -1, -1, kLo, kLo}}},
};
// clang-format on

// The point of a face at texture coordinate (u, v): bilinear between the
// corners, extended past them for the texels outside lo..hi.
Vec3 PointAt(const Face& face, float u, float v)
{
    Vec3 grid[2][2];
    for (const Corner& c : face.corners)
        grid[c.u > 0.5f ? 1 : 0][c.v > 0.5f ? 1 : 0] = Vec3{c.x, c.y, c.z};
    const float s = (u - kLo) / (kHi - kLo);
    const float t = (v - kLo) / (kHi - kLo);
    return grid[0][0] * ((1 - s) * (1 - t)) + grid[1][0] * (s * (1 - t)) + grid[1][1] * (s * t) +
           grid[0][1] * ((1 - s) * t);
}

float SmoothStep(float a, float b, float x)
{
    const float t = std::clamp((x - a) / (b - a), 0.0f, 1.0f);
    return t * t * (3.0f - 2.0f * t);
}

// Colour seen in direction d (game space: y up): sky with clouds and the sun,
// a hazy mountain range, cliffs on the horizon and grassland below it.
Rgba SkyColour(Vec3 d)
{
    d = Normalized(d);
    const float elevation = std::asin(std::clamp(d.y, -1.0f, 1.0f));
    const float azimuth = std::atan2(d.x, d.z);
    const Rgba horizon{206, 214, 224, 255};

    if (elevation < 0.0f)
    {
        const float n = Fractal3(d.x * 12.0f, d.y * 12.0f, d.z * 12.0f, 3, 91);
        Rgba ground = Mix(Rgba{58, 82, 38, 255}, Rgba{92, 104, 60, 255}, n);
        return Mix(ground, horizon, 0.45f * (1.0f - SmoothStep(0.0f, 0.12f, -elevation)));
    }

    // Whole-number frequencies keep both ranges periodic around the horizon.
    const float a = azimuth;
    const float cliffs = 0.08f + 0.05f * std::sin(3 * a + 2.5f) + 0.03f * std::sin(7 * a + 0.9f) +
                         0.015f * std::sin(17 * a + 1.3f) + 0.008f * std::sin(41 * a + 0.2f);
    const float mountains = 0.17f + 0.06f * std::sin(2 * a + 0.7f) +
                            0.035f * std::sin(5 * a + 2.1f) + 0.018f * std::sin(11 * a + 0.3f) +
                            0.01f * std::sin(29 * a + 1.9f);
    if (elevation < cliffs)
    {
        const float n = Fractal3(d.x * 24.0f, d.y * 24.0f, d.z * 24.0f, 4, 93);
        const float strata = 0.5f + 0.5f * std::sin(elevation * 420.0f + n * 6.0f);
        Rgba rock = Mix(Rgba{112, 88, 68, 255}, Rgba{150, 124, 96, 255}, strata * 0.6f + n * 0.4f);
        const float shade = 0.75f + 0.35f * (elevation / std::max(cliffs, 0.001f));
        return Mix(Shade(rock, shade), horizon, 0.2f);
    }
    if (elevation < mountains)
    {
        const float n = Fractal3(d.x * 10.0f, d.y * 10.0f, d.z * 10.0f, 4, 95);
        Rgba rock = Mix(Rgba{108, 118, 140, 255}, Rgba{140, 148, 166, 255}, n);
        const float snow = SmoothStep(mountains - 0.04f, mountains - 0.015f, elevation);
        rock = Mix(rock, Rgba{226, 230, 238, 255}, snow * SmoothStep(0.19f, 0.23f, mountains));
        return Mix(rock, horizon, 0.35f);
    }

    const float height = elevation / 1.5707964f;
    Rgba sky = Mix(horizon, Rgba{52, 100, 178, 255}, std::pow(height, 0.45f));
    // A cloud layer projected onto a plane above the viewer.
    const float px = d.x / (d.y + 0.12f);
    const float pz = d.z / (d.y + 0.12f);
    const float cloud = Fractal3(px * 1.3f, 0.5f, pz * 1.3f, 5, 97);
    const float density = SmoothStep(0.48f, 0.72f, cloud) * SmoothStep(0.02f, 0.25f, elevation);
    sky = Mix(sky, Mix(Rgba{255, 255, 255, 255}, Rgba{200, 204, 214, 255}, cloud), density * 0.9f);
    const Vec3 sun = Normalized(Vec3{0.5f, 0.5f, 0.7f});
    const float facing = std::max(Dot(d, sun), 0.0f);
    const float glow = std::pow(facing, 600.0f) + 0.3f * std::pow(facing, 12.0f);
    return Mix(sky, Rgba{255, 248, 220, 255}, std::min(glow, 1.0f));
}

Rgba AverageColour(const Rgba* samples, int n)
{
    int r = 0, g = 0, b = 0;
    for (int i = 0; i < n; ++i)
    {
        r += samples[i].r;
        g += samples[i].g;
        b += samples[i].b;
    }
    return Rgba{static_cast<uint8_t>((r + n / 2) / n), static_cast<uint8_t>((g + n / 2) / n),
                static_cast<uint8_t>((b + n / 2) / n), 255};
}
} // namespace

bool WriteSky(const std::string& folder)
{
    for (const Face& face : kFaces)
    {
        Image image(kFaceSize, kFaceSize);
        for (int y = 0; y < kFaceSize; ++y)
        {
            for (int x = 0; x < kFaceSize; ++x)
            {
                // Four samples a texel smooth the ridge lines.
                Rgba samples[4];
                for (int k = 0; k < 4; ++k)
                {
                    const float u = (x + 0.25f + 0.5f * (k % 2)) / kFaceSize;
                    const float v = (y + 0.25f + 0.5f * (k / 2)) / kFaceSize;
                    samples[k] = SkyColour(PointAt(face, u, v));
                }
                image.At(x, y) = AverageColour(samples, 4);
            }
        }
        const std::string path = folder + "/data/textures/cliff" + face.suffix + ".bmp";
        if (!WriteBmp(image, path))
            return false;
    }
    return true;
}
