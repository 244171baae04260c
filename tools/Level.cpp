// level.txt with the obstacles in front of the tank, and the terrain heightmap.
#include "MakeData.h"
#include "Noise.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace
{
struct Obstacle
{
    const char* model;
    float x;
    float z;
    float quarterTurns;
    int dynamic;
};

// The tank starts at x = -37, z = -191, facing +z: the crates lie ahead in
// its path, the walls stand further on and to the sides.
const Obstacle kObstacles[] = {
    {"crate.3ds", -37.0f, -178.0f, 0.0f, 1},  {"crate.3ds", -33.0f, -177.0f, 0.5f, 1},
    {"crate.3ds", -41.0f, -175.0f, 0.25f, 1}, {"crate.3ds", -30.0f, -169.0f, 0.0f, 1},
    {"crate.3ds", -44.0f, -167.0f, 1.0f, 1},  {"crate.3ds", -37.0f, -164.0f, 0.0f, 1},
    {"crate.3ds", -25.0f, -160.0f, 0.3f, 1},  {"crate.3ds", -48.0f, -140.0f, 0.0f, 1},
    {"wall.3ds", -37.0f, -150.0f, 0.0f, 0},   {"wall.3ds", -52.0f, -158.0f, 1.0f, 0},
    {"wall.3ds", -22.0f, -158.0f, 1.0f, 0},   {"wall.3ds", -37.0f, -128.0f, 0.0f, 0},
};
} // namespace

int TerrainHeight(int x, int z)
{
    const float n = Fractal2(x / 128.0f, z / 128.0f, 6, 0, 101);
    const float shaped = std::clamp((n - 0.25f) / 0.55f, 0.0f, 1.0f);
    return static_cast<int>(std::lround(std::pow(shaped, 1.6f) * 255.0f));
}

bool WriteLevel(const std::string& folder)
{
    const std::string levelPath = folder + "/level.txt";
    FILE* file = std::fopen(levelPath.c_str(), "wb");
    if (!file)
    {
        std::fprintf(stderr, "tolvi_makedata: cannot open %s for writing\n", levelPath.c_str());
        return false;
    }
    bool ok = true;
    for (const Obstacle& o : kObstacles)
    {
        ok = ok && std::fprintf(file, "%s %.2f %.2f %.2f %d\n", o.model, o.x, o.z, o.quarterTurns,
                                o.dynamic) > 0;
    }
    ok = (std::fclose(file) == 0) && ok;
    if (!ok)
    {
        std::fprintf(stderr, "tolvi_makedata: cannot write %s\n", levelPath.c_str());
        return false;
    }

    std::vector<uint8_t> heights;
    heights.reserve(static_cast<size_t>(kTerrainSize) * kTerrainSize);
    for (int z = 0; z < kTerrainSize; ++z)
    {
        for (int x = 0; x < kTerrainSize; ++x)
            heights.push_back(static_cast<uint8_t>(TerrainHeight(x, z)));
    }
    return SaveFile(folder + "/data/terrain.raw", heights);
}
