// level.txt with the obstacles on both sides of the way ahead of the tank, and
// the terrain heightmap.
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

// The tank starts at x = -37, z = -191, facing +z. The way straight ahead
// stays clear, since a tank that drives into a wall or a pile of crates
// climbs it and may roll over: the crates stand on both sides of that way,
// the walls further out, all in the start camera's view.
const Obstacle kObstacles[] = {
    {"crate.3ds", -45.0f, -176.0f, 0.0f, 1},  {"crate.3ds", -29.0f, -174.0f, 0.5f, 1},
    {"crate.3ds", -48.0f, -170.0f, 0.25f, 1}, {"crate.3ds", -26.0f, -166.0f, 0.0f, 1},
    {"crate.3ds", -46.0f, -162.0f, 1.0f, 1},  {"crate.3ds", -28.0f, -157.0f, 0.3f, 1},
    {"crate.3ds", -51.0f, -145.0f, 0.0f, 1},  {"crate.3ds", -24.0f, -141.0f, 0.0f, 1},
    {"wall.3ds", -56.0f, -160.0f, 1.0f, 0},   {"wall.3ds", -18.0f, -160.0f, 1.0f, 0},
    {"wall.3ds", -61.0f, -132.0f, 0.0f, 0},   {"wall.3ds", -13.0f, -128.0f, 0.0f, 0},
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
    std::vector<uint8_t> made;
    char line[128];
    for (const Obstacle& o : kObstacles)
    {
        const int length = std::snprintf(line, sizeof(line), "%s %.2f %.2f %.2f %d\n", o.model, o.x,
                                         o.z, o.quarterTurns, o.dynamic);
        made.insert(made.end(), line, line + length);
    }

    // level.txt is the player's to edit: it follows the made layout only while
    // it is absent or still as the last run made it (level.default.txt). A
    // level.txt from before that record existed is kept when it differs.
    const std::string levelPath = folder + "/level.txt";
    const std::string defaultPath = folder + "/level.default.txt";
    std::vector<uint8_t> current;
    std::vector<uint8_t> lastMade;
    const bool exists = LoadFile(levelPath, current);
    const bool asMade = exists && LoadFile(defaultPath, lastMade) && current == lastMade;
    if (exists && !asMade && current != made)
    {
        std::printf("tolvi_makedata: kept %s, changed since it was made; the made one is %s\n",
                    levelPath.c_str(), defaultPath.c_str());
    }
    else if (!SaveFile(levelPath, made))
    {
        return false;
    }
    if (!SaveFile(defaultPath, made))
        return false;

    std::vector<uint8_t> heights;
    heights.reserve(static_cast<size_t>(kTerrainSize) * kTerrainSize);
    for (int z = 0; z < kTerrainSize; ++z)
    {
        for (int x = 0; x < kTerrainSize; ++x)
            heights.push_back(static_cast<uint8_t>(TerrainHeight(x, z)));
    }
    return SaveFile(folder + "/data/terrain.raw", heights);
}
