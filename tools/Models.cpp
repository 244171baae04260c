// The models: the tank in three parts joined as the game places them, the
// ground and the obstacles of level.txt.
#include "MakeData.h"

#include <cmath>

namespace
{
using Outline = std::vector<std::pair<float, float>>;

// Maps each side of a box-like part onto the whole picture once, the right
// way round as seen from outside (see WorldUv for the sides' directions).
UvMap FitUv(Vec3 min, Vec3 max)
{
    return [min, max](Vec3 p, Vec3 n)
    {
        auto f = [](float v, float lo, float hi) { return (v - lo) / (hi - lo); };
        const float ax = std::fabs(n.x);
        const float ay = std::fabs(n.y);
        const float az = std::fabs(n.z);
        if (ay >= ax && ay >= az)
            return Uv{f(p.x, min.x, max.x), 1.0f - f(p.z, min.z, max.z)};
        if (ax >= az)
            return Uv{n.x > 0 ? f(p.z, min.z, max.z) : f(-p.z, -max.z, -min.z),
                      1.0f - f(p.y, min.y, max.y)};
        return Uv{n.z > 0 ? f(-p.x, -max.x, -min.x) : f(p.x, min.x, max.x),
                  1.0f - f(p.y, min.y, max.y)};
    };
}

// The hull's tracks: the outer and inner sides show the upper half of
// tank_track.png (road wheels), every other face the lower half (tread links).
UvMap TrackUv(float innerX, float outerX)
{
    return [innerX, outerX](Vec3 p, Vec3 n)
    {
        if (std::fabs(n.x) > 0.9f)
            return Uv{(n.x > 0 ? 3.2f + p.z : 3.2f - p.z) / 6.4f, (1.08f - p.y) / 1.08f * 0.5f};
        const float across = (std::fabs(p.x) - innerX) / (outerX - innerX);
        return Uv{across, 0.5f + (p.z + 3.2f) / 6.4f * 0.5f};
    };
}

bool WriteTankBody(const std::string& folder)
{
    MeshBuilder mesh;
    const int hull = mesh.AddMaterial("TankHull", "tank_hull.png", Rgba{255, 255, 255, 255});
    const int track = mesh.AddMaterial("TankTrack", "tank_track.png", Rgba{255, 255, 255, 255});

    // Two tracks: the outline is the side view (z forward, y up), its bottom
    // on y = 0 and its ends at z = +-3.2, the length of the hull.
    const Outline trackSide = {{-2.8f, 0.0f}, {2.8f, 0.0f},   {3.2f, 0.5f},
                               {2.9f, 1.08f}, {-2.9f, 1.08f}, {-3.2f, 0.5f}};
    mesh.UseMaterial(track);
    mesh.AddPrismX(trackSide, -1.8f, -1.2f, TrackUv(1.2f, 1.8f));
    mesh.AddPrismX(trackSide, 1.2f, 1.8f, TrackUv(1.2f, 1.8f));

    mesh.UseMaterial(hull);
    const UvMap camo = WorldUv(3.0f);
    // The tub between the tracks, with a sloped nose.
    mesh.AddPrismX(
        {{-2.9f, 0.35f}, {2.7f, 0.35f}, {3.1f, 0.9f}, {3.1f, 1.1f}, {-3.0f, 1.1f}, {-3.0f, 0.45f}},
        -1.2f, 1.2f, camo);
    // The deck over tub and tracks.
    mesh.AddPrismX({{-3.2f, 1.1f}, {3.2f, 1.1f}, {2.9f, 1.45f}, {-3.1f, 1.45f}}, -1.8f, 1.8f, camo);
    // The superstructure; its flat top at 2.239 carries the turret ring.
    mesh.AddPrismX({{-3.0f, 1.45f}, {2.6f, 1.45f}, {1.7f, 2.239f}, {-2.8f, 2.239f}}, -1.35f, 1.35f,
                   camo);
    // Exhausts at the back, lamps at the front.
    mesh.AddBox({-1.1f, 1.45f, -3.15f}, {-0.7f, 1.7f, -2.85f}, camo);
    mesh.AddBox({0.7f, 1.45f, -3.15f}, {1.1f, 1.7f, -2.85f}, camo);
    mesh.AddBox({-1.6f, 1.45f, 2.6f}, {-1.4f, 1.62f, 2.85f}, camo);
    mesh.AddBox({1.4f, 1.45f, 2.6f}, {1.6f, 1.62f, 2.85f}, camo);
    return SaveFile(folder + "/tank_body.3ds", mesh.Write("TankBody"));
}

bool WriteTankTorso(const std::string& folder)
{
    MeshBuilder mesh;
    mesh.AddMaterial("TankTurret", "tank_hull.png", Rgba{255, 255, 255, 255});
    const UvMap camo = WorldUv(3.0f);
    // The turret turns about the y axis through its origin, the centre of its
    // base; the gun's trunnion sits at (0, 0.263, 1.687) inside the mantlet.
    const Outline lower = {{-1.25f, -1.7f}, {1.25f, -1.7f}, {1.45f, -1.0f}, {1.45f, 0.9f},
                           {1.0f, 1.5f},    {-1.0f, 1.5f},  {-1.45f, 0.9f}, {-1.45f, -1.0f}};
    const Outline upper = {{-1.05f, -1.55f}, {1.05f, -1.55f}, {1.2f, -0.95f}, {1.2f, 0.75f},
                           {0.85f, 1.25f},   {-0.85f, 1.25f}, {-1.2f, 0.75f}, {-1.2f, -0.95f}};
    mesh.AddLoftY(lower, 0.0f, upper, 0.72f, camo);
    mesh.AddBox({-0.45f, 0.02f, 1.35f}, {0.45f, 0.52f, 1.78f}, camo);
    mesh.AddBox({-0.9f, 0.1f, -2.1f}, {0.9f, 0.6f, -1.6f}, camo);
    Outline cupolaLow;
    Outline cupolaHigh;
    for (int i = 0; i < 8; ++i)
    {
        const float a = 6.2831853f * static_cast<float>(i) / 8.0f;
        cupolaLow.push_back({-0.55f + 0.34f * std::cos(a), -0.5f + 0.34f * std::sin(a)});
        cupolaHigh.push_back({-0.55f + 0.28f * std::cos(a), -0.5f + 0.28f * std::sin(a)});
    }
    mesh.AddLoftY(cupolaLow, 0.72f, cupolaHigh, 1.0f, camo);
    return SaveFile(folder + "/tank_torso.3ds", mesh.Write("TankTorso"));
}

bool WriteTankGun(const std::string& folder)
{
    MeshBuilder mesh;
    mesh.AddMaterial("TankGun", "tank_hull.png", Rgba{255, 255, 255, 255});
    // The gun tilts about the x axis through its origin (the trunnion); the
    // barrel runs along +z to the muzzle at z = 5.5, where shells appear.
    mesh.AddCylinderZ(0.0f, 0.0f, -0.25f, 0.7f, 0.19f, 12, 3.0f);
    mesh.AddCylinderZ(0.0f, 0.0f, 0.7f, 5.0f, 0.1f, 12, 3.0f);
    mesh.AddCylinderZ(0.0f, 0.0f, 5.0f, 5.5f, 0.16f, 12, 3.0f);
    return SaveFile(folder + "/tank_gun.3ds", mesh.Write("TankGun"));
}

bool WriteGround(const std::string& folder)
{
    MeshBuilder mesh;
    mesh.AddMaterial("Ground", "ground.jpg", Rgba{255, 255, 255, 255});
    // A flat grid on y = 0, 1200 units a side around the origin: the far
    // plane is 1000 units away, so the edge stays out of sight from the
    // drive area around the start point. The texture repeats every 8 units.
    const int cells = 24;
    const float half = 600.0f;
    const float step = 2.0f * half / static_cast<float>(cells);
    const uint32_t group = mesh.NewGroup();
    std::vector<uint16_t> index;
    for (int j = 0; j <= cells; ++j)
    {
        for (int i = 0; i <= cells; ++i)
        {
            const Vec3 p{-half + step * static_cast<float>(i), 0.0f,
                         -half + step * static_cast<float>(j)};
            index.push_back(mesh.AddVertex(p, Uv{p.x / 8.0f, -p.z / 8.0f}));
        }
    }
    const Vec3 up{0.0f, 1.0f, 0.0f};
    for (int j = 0; j < cells; ++j)
    {
        for (int i = 0; i < cells; ++i)
        {
            const uint16_t a = index[j * (cells + 1) + i];
            const uint16_t b = index[j * (cells + 1) + i + 1];
            const uint16_t c = index[(j + 1) * (cells + 1) + i + 1];
            const uint16_t d = index[(j + 1) * (cells + 1) + i];
            mesh.AddTriangle(a, b, c, up, group);
            mesh.AddTriangle(a, c, d, up, group);
        }
    }
    return SaveFile(folder + "/level_boden.3ds", mesh.Write("Ground"));
}

// Obstacles fill their bounding boxes: the physics box is that box.
bool WriteCrate(const std::string& folder)
{
    MeshBuilder mesh;
    mesh.AddMaterial("Crate", "crate.png", Rgba{255, 255, 255, 255});
    const Vec3 min{-1.0f, 0.0f, -1.0f};
    const Vec3 max{1.0f, 2.0f, 1.0f};
    mesh.AddBox(min, max, FitUv(min, max));
    return SaveFile(folder + "/crate.3ds", mesh.Write("Crate"));
}

bool WriteWall(const std::string& folder)
{
    MeshBuilder mesh;
    mesh.AddMaterial("Wall", "wall.jpg", Rgba{255, 255, 255, 255});
    mesh.AddBox({-4.0f, 0.0f, -0.5f}, {4.0f, 3.0f, 0.5f}, WorldUv(2.0f));
    return SaveFile(folder + "/wall.3ds", mesh.Write("Wall"));
}
} // namespace

bool WriteModels(const std::string& folder)
{
    return WriteTankBody(folder) && WriteTankTorso(folder) && WriteTankGun(folder) &&
           WriteGround(folder) && WriteCrate(folder) && WriteWall(folder);
}
