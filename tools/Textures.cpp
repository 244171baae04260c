// The pictures: model textures, splash, cursor, smoke and the terrain maps.
#include "MakeData.h"
#include "Noise.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace
{
std::string TexturePath(const std::string& folder, const std::string& name)
{
    return folder + "/data/textures/" + name;
}

// Small per-pixel grain so flat colours do not look printed.
float Grain(int x, int y, uint32_t seed)
{
    return 0.92f + 0.16f * HashUnit(x, y, 0, seed);
}

bool WriteTankHull(const std::string& folder)
{
    // Three-tone camouflage that tiles: the noise lattice wraps every 128 pixels.
    const Rgba olive{92, 100, 58, 255};
    const Rgba dark{52, 60, 38, 255};
    const Rgba brown{104, 82, 54, 255};
    Image image(128, 128);
    for (int y = 0; y < 128; ++y)
    {
        for (int x = 0; x < 128; ++x)
        {
            const float n = Fractal2(x / 32.0f, y / 32.0f, 4, 4, 11);
            const float m = Fractal2(x / 32.0f, y / 32.0f, 3, 4, 23);
            Rgba c = n < 0.4f ? dark : (m > 0.6f ? brown : olive);
            image.At(x, y) = Shade(c, Grain(x, y, 5));
        }
    }
    return WritePng(image, TexturePath(folder, "tank_hull.png"), false);
}

bool WriteTankTrack(const std::string& folder)
{
    // Upper half: the side of a track, 6.4 units long and 1.08 high, with
    // road wheels, sprocket, idler and return rollers. Lower half: tread links.
    Image image(512, 128, Rgba{50, 52, 44, 255});
    auto inCircle = [](float z, float y, float cz, float cy, float r)
    { return (z - cz) * (z - cz) + (y - cy) * (y - cy) <= r * r; };
    for (int py = 0; py < 64; ++py)
    {
        for (int px = 0; px < 512; ++px)
        {
            const float z = (px + 0.5f) / 512.0f * 6.4f - 3.2f;
            const float y = 1.08f - (py + 0.5f) / 64.0f * 1.08f;
            Rgba c{58, 62, 46, 255};
            const bool belt = y < 0.12f || y > 0.97f || std::fabs(z) > 3.0f;
            if (belt)
            {
                const bool gap = std::fmod(z + 3.2f, 0.2f) < 0.04f;
                c = gap ? Rgba{28, 28, 26, 255} : Rgba{74, 72, 66, 255};
            }
            for (int i = 0; i < 6; ++i)
            {
                const float cz = -2.5f + static_cast<float>(i);
                if (inCircle(z, y, cz, 0.42f, 0.38f))
                    c = Rgba{96, 98, 84, 255};
                if (inCircle(z, y, cz, 0.42f, 0.3f))
                    c = Rgba{70, 74, 58, 255};
                if (inCircle(z, y, cz, 0.42f, 0.09f))
                    c = Rgba{36, 36, 32, 255};
            }
            for (float cz : {-2.8f, 2.8f})
            {
                if (inCircle(z, y, cz, 0.62f, 0.3f))
                    c = Rgba{88, 90, 78, 255};
                if (inCircle(z, y, cz, 0.62f, 0.1f))
                    c = Rgba{36, 36, 32, 255};
            }
            for (float cz : {-1.5f, 0.0f, 1.5f})
            {
                if (inCircle(z, y, cz, 0.9f, 0.07f))
                    c = Rgba{96, 98, 84, 255};
            }
            image.At(px, py) = Shade(c, Grain(px, py, 7));
        }
    }
    for (int py = 64; py < 128; ++py)
    {
        for (int px = 0; px < 512; ++px)
        {
            const bool gap = (py - 64) % 4 == 0;
            const bool horn = px > 236 && px < 276 && (py - 64) % 4 == 2;
            Rgba c = gap ? Rgba{30, 30, 28, 255} : Rgba{78, 76, 70, 255};
            if (horn)
                c = Rgba{110, 108, 100, 255};
            image.At(px, py) = Shade(c, Grain(px, py, 9));
        }
    }
    return WritePng(image, TexturePath(folder, "tank_track.png"), false);
}

bool WriteCrateTexture(const std::string& folder)
{
    // Planks in a frame with a diagonal brace, the same on all six sides.
    Image image(128, 128);
    for (int y = 0; y < 128; ++y)
    {
        for (int x = 0; x < 128; ++x)
        {
            const int plank = x / 32;
            const float grain = ValueNoise2(x / 3.0f, y / 40.0f + plank * 7.0f, 0, 31);
            const float tone = 0.85f + 0.1f * HashUnit(plank, 0, 0, 41) + 0.15f * grain;
            Rgba c = Shade(Rgba{156, 112, 62, 255}, tone);
            if (x % 32 == 0 || x % 32 == 31)
                c = Rgba{70, 48, 26, 255};
            image.At(x, y) = Shade(c, Grain(x, y, 13));
        }
    }
    const Rgba frame{122, 84, 44, 255};
    const Rgba edge{64, 42, 22, 255};
    for (int y = 0; y < 128; ++y)
    {
        for (int x = 0; x < 128; ++x)
        {
            const bool border = x < 12 || y < 12 || x >= 116 || y >= 116;
            const bool brace = std::abs(x - y) < 9 && !border;
            if (border || brace)
            {
                const float grain = ValueNoise2(x / 30.0f, y / 3.0f, 0, 37);
                image.At(x, y) = Shade(frame, (0.9f + 0.2f * grain) * Grain(x, y, 17));
            }
            const bool line = x == 11 || y == 11 || x == 116 || y == 116 ||
                              (!border && (x - y == 9 || y - x == 9));
            if (line || x == 0 || y == 0 || x == 127 || y == 127)
                image.At(x, y) = edge;
        }
    }
    // Nail heads at the corners of the frame.
    for (int cy : {5, 122})
    {
        for (int cx : {5, 122})
            image.FillRect(cx - 1, cy - 1, cx + 2, cy + 2, Rgba{40, 40, 40, 255});
    }
    return WritePng(image, TexturePath(folder, "crate.png"), false);
}

bool WriteWallTexture(const std::string& folder)
{
    // Bricks 32 by 16 pixels in running bond; the pattern tiles at 128.
    Image image(128, 128);
    for (int y = 0; y < 128; ++y)
    {
        for (int x = 0; x < 128; ++x)
        {
            const int row = y / 16;
            const int shifted = (x + (row % 2) * 16) % 128;
            const int column = shifted / 32;
            const bool mortar = y % 16 < 2 || shifted % 32 < 2;
            Rgba c;
            if (mortar)
                c = Shade(Rgba{168, 162, 150, 255}, Grain(x, y, 19));
            else
            {
                const float tone = 0.8f + 0.3f * HashUnit(column, row, 0, 43);
                const float spot = 0.9f + 0.2f * ValueNoise2(x / 4.0f, y / 4.0f, 32, 47);
                c = Shade(Rgba{150, 72, 52, 255}, tone * spot * Grain(x, y, 21));
            }
            image.At(x, y) = c;
        }
    }
    return WriteJpeg(image, TexturePath(folder, "wall.jpg"), 90);
}

bool WriteGroundTexture(const std::string& folder)
{
    // Grass with patches of dry earth, tiling at 256 pixels (8 world units).
    Image image(256, 256);
    const Rgba grass{78, 110, 48, 255};
    const Rgba darkGrass{56, 86, 36, 255};
    const Rgba earth{118, 98, 66, 255};
    for (int y = 0; y < 256; ++y)
    {
        for (int x = 0; x < 256; ++x)
        {
            const float patches = Fractal2(x / 64.0f, y / 64.0f, 4, 4, 51);
            const float blades = Fractal2(x / 4.0f, y / 4.0f, 2, 64, 53);
            Rgba c = Mix(darkGrass, grass, blades);
            c = Mix(c, earth, std::clamp((patches - 0.55f) * 5.0f, 0.0f, 1.0f));
            image.At(x, y) = Shade(c, Grain(x, y, 55));
        }
    }
    return WriteJpeg(image, TexturePath(folder, "ground.jpg"), 88);
}

// Fills a polygon given in units, x to the right and y up from (left, ground).
void FillShape(Image& image, const std::vector<std::pair<float, float>>& outline, int left,
               int ground, float scale, Rgba colour)
{
    const size_t n = outline.size();
    for (int py = 0; py < image.Height(); ++py)
    {
        for (int px = 0; px < image.Width(); ++px)
        {
            const float x = (px + 0.5f - left) / scale;
            const float y = (ground - py - 0.5f) / scale;
            bool in = false;
            for (size_t i = 0, j = n - 1; i < n; j = i++)
            {
                const auto [xi, yi] = outline[i];
                const auto [xj, yj] = outline[j];
                if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi)
                    in = !in;
            }
            if (in)
                image.At(px, py) = colour;
        }
    }
}

// The game's tank in side view for the title card, facing right.
void DrawTankSilhouette(Image& image, int left, int ground, float scale, Rgba colour)
{
    FillShape(image,
              {{0.4f, 0.0f},
               {6.0f, 0.0f},
               {6.4f, 0.5f},
               {6.4f, 1.1f},
               {6.1f, 1.45f},
               {5.6f, 1.45f},
               {4.8f, 2.24f},
               {0.4f, 2.24f},
               {0.2f, 1.45f},
               {0.0f, 1.1f},
               {0.0f, 0.5f}},
              left, ground, scale, colour);
    FillShape(image, {{1.5f, 2.24f}, {4.7f, 2.24f}, {4.45f, 2.96f}, {1.75f, 2.96f}}, left, ground,
              scale, colour);
    FillShape(image, {{2.1f, 2.96f}, {2.8f, 2.96f}, {2.75f, 3.24f}, {2.15f, 3.24f}}, left, ground,
              scale, colour);
    FillShape(image, {{4.5f, 2.4f}, {9.6f, 2.4f}, {9.6f, 2.6f}, {4.5f, 2.6f}}, left, ground, scale,
              colour);
    FillShape(image, {{9.3f, 2.34f}, {9.9f, 2.34f}, {9.9f, 2.66f}, {9.3f, 2.66f}}, left, ground,
              scale, colour);
    const Rgba wheel = Shade(colour, 2.2f);
    const int r = static_cast<int>(0.3f * scale);
    for (int i = 0; i < 6; ++i)
    {
        const int cx = left + static_cast<int>((0.7f + i * 1.0f) * scale);
        const int cy = ground - static_cast<int>(0.42f * scale);
        for (int dy = -r; dy <= r; ++dy)
        {
            for (int dx = -r; dx <= r; ++dx)
            {
                const int d = dx * dx + dy * dy;
                if (d <= r * r && d >= (r - 3) * (r - 3))
                    image.Set(cx + dx, cy + dy, wheel);
            }
        }
    }
}

bool WriteSplash(const std::string& folder)
{
    const int w = 800;
    const int h = 600;
    const int horizon = 400;
    Image image(w, h);
    for (int y = 0; y < h; ++y)
    {
        for (int x = 0; x < w; ++x)
        {
            Rgba c;
            if (y < horizon)
            {
                const float t = static_cast<float>(y) / horizon;
                c = Mix(Rgba{26, 44, 92, 255}, Rgba{226, 150, 92, 255}, t * t);
                const float dx = (x - 590.0f) / 60.0f;
                const float dy = (y - 330.0f) / 60.0f;
                const float sun = std::exp(-(dx * dx + dy * dy));
                c = Mix(c, Rgba{255, 230, 170, 255}, sun);
            }
            else
            {
                const float t = static_cast<float>(y - horizon) / (h - horizon);
                c = Mix(Rgba{70, 60, 44, 255}, Rgba{30, 26, 20, 255}, t);
            }
            image.At(x, y) = Shade(c, 0.97f + 0.06f * HashUnit(x, y, 0, 61));
        }
    }
    // Distant hills along the horizon.
    for (int x = 0; x < w; ++x)
    {
        const float a = x / 800.0f * 6.2831853f;
        const int top = horizon - static_cast<int>(28 + 14 * std::sin(3 * a + 1.0f) +
                                                   9 * std::sin(7 * a + 2.0f) +
                                                   40 * Fractal2(x / 90.0f, 0.5f, 3, 0, 63));
        image.FillRect(x, top, x + 1, horizon, Rgba{58, 52, 62, 255});
    }
    DrawTankSilhouette(image, 120, 470, 38.0f, Rgba{22, 22, 20, 255});
    const Rgba shadow{0, 0, 0, 255};
    const Rgba title{250, 226, 140, 255};
    DrawText(image, "TOLVI", 160 + 8, 70 + 8, 12, shadow);
    DrawText(image, "TOLVI", 160, 70, 12, title);
    const std::string subtitle = "a small tank game";
    const int subLeft = (w - static_cast<int>(subtitle.size()) * 24) / 2;
    DrawText(image, subtitle, subLeft + 3, 190 + 3, 3, shadow);
    DrawText(image, subtitle, subLeft, 190, 3, Rgba{240, 240, 240, 255});
    const std::string keys1 = "C/V drive  N/M turn  SPACE fire";
    const std::string keys2 = "A/D turret  W/S gun  G camera  T slow";
    DrawText(image, keys1, (w - static_cast<int>(keys1.size()) * 16) / 2, 520, 2,
             Rgba{220, 210, 190, 255});
    DrawText(image, keys2, (w - static_cast<int>(keys2.size()) * 16) / 2, 550, 2,
             Rgba{220, 210, 190, 255});
    return WriteJpeg(image, TexturePath(folder, "tolvi01.jpg"), 88);
}

bool WriteCursor(const std::string& folder)
{
    // An arrow with its tip, the hot point, at the top-left pixel.
    const float outline[][2] = {{0, 0},      {0, 22}, {5.5f, 17}, {9.5f, 26},
                                {13, 24.5f}, {9, 16}, {16, 16}};
    const int n = 7;
    auto inside = [&](float px, float py)
    {
        bool in = false;
        for (int i = 0, j = n - 1; i < n; j = i++)
        {
            const float xi = outline[i][0], yi = outline[i][1];
            const float xj = outline[j][0], yj = outline[j][1];
            if ((yi > py) != (yj > py) && px < (xj - xi) * (py - yi) / (yj - yi) + xi)
                in = !in;
        }
        return in;
    };
    Image image(32, 32, Rgba{0, 0, 0, 0});
    for (int y = 0; y < 32; ++y)
    {
        for (int x = 0; x < 32; ++x)
        {
            if (!inside(x + 0.5f, y + 0.5f))
                continue;
            const bool edge = !inside(x - 0.5f, y + 0.5f) || !inside(x + 1.5f, y + 0.5f) ||
                              !inside(x + 0.5f, y - 0.5f) || !inside(x + 0.5f, y + 1.5f);
            image.At(x, y) = edge ? Rgba{0, 0, 0, 255} : Rgba{255, 255, 255, 255};
        }
    }
    image.At(0, 0) = Rgba{0, 0, 0, 255};
    return WritePng(image, TexturePath(folder, "cursor.png"), true);
}

bool WriteSmoke(const std::string& folder)
{
    // White, so the particle colour tints it; a soft round puff in the alpha
    // channel that reaches zero well inside the border.
    Image image(64, 64, Rgba{255, 255, 255, 0});
    for (int y = 0; y < 64; ++y)
    {
        for (int x = 0; x < 64; ++x)
        {
            const float dx = (x + 0.5f - 32.0f) / 30.0f;
            const float dy = (y + 0.5f - 32.0f) / 30.0f;
            const float r = std::sqrt(dx * dx + dy * dy);
            const float falloff = std::clamp(1.0f - r, 0.0f, 1.0f);
            const float cloud = 0.55f + 0.45f * Fractal2(x / 10.0f, y / 10.0f, 3, 0, 71);
            image.At(x, y).a = static_cast<uint8_t>(
                std::lround(255.0f * falloff * falloff * (3.0f - 2.0f * falloff) * cloud));
        }
    }
    return WritePng(image, TexturePath(folder, "smoke.png"), true);
}

bool WriteColorMap(const std::string& folder)
{
    // Colours by height over the whole heightmap, 2 samples a texel.
    Image image(256, 256);
    for (int y = 0; y < 256; ++y)
    {
        for (int x = 0; x < 256; ++x)
        {
            const int h = TerrainHeight(x * 2, y * 2);
            Rgba c;
            if (h < 60)
                c = Mix(Rgba{170, 156, 110, 255}, Rgba{90, 124, 56, 255}, h / 60.0f);
            else if (h < 150)
                c = Mix(Rgba{90, 124, 56, 255}, Rgba{60, 88, 40, 255}, (h - 60) / 90.0f);
            else if (h < 210)
                c = Mix(Rgba{110, 100, 88, 255}, Rgba{140, 134, 126, 255}, (h - 150) / 60.0f);
            else
                c = Mix(Rgba{200, 200, 204, 255}, Rgba{250, 250, 252, 255}, (h - 210) / 45.0f);
            image.At(x, y) = Shade(c, Grain(x, y, 73));
        }
    }
    return WritePng(image, TexturePath(folder, "colormap.png"), false);
}

bool WriteDetailMap(const std::string& folder)
{
    // Grey around the middle so that modulating with it keeps the brightness.
    Image image(128, 128);
    for (int y = 0; y < 128; ++y)
    {
        for (int x = 0; x < 128; ++x)
        {
            const float n = Fractal2(x / 8.0f, y / 8.0f, 4, 16, 79);
            const uint8_t v = static_cast<uint8_t>(std::lround(96.0f + 64.0f * n));
            image.At(x, y) = Rgba{v, v, v, 255};
        }
    }
    return WritePng(image, TexturePath(folder, "detail.png"), false);
}
} // namespace

bool WriteTextures(const std::string& folder)
{
    return WriteTankHull(folder) && WriteTankTrack(folder) && WriteCrateTexture(folder) &&
           WriteWallTexture(folder) && WriteGroundTexture(folder) && WriteSplash(folder) &&
           WriteCursor(folder) && WriteSmoke(folder) && WriteColorMap(folder) &&
           WriteDetailMap(folder);
}
