// What the data set maker is designed to write: each model's faces, materials
// and bounds, and each picture's size; and the bounding box of a mesh read by
// the 3DS reader, in the game's space (the file is z up; the importer swaps y
// and z).
#pragma once

#include "math/Vector3.h"
#include "support/VectorNear.h"
#include "tds/TdsReader.h"

#include <algorithm>

struct Box
{
    Vector3 min{1e9f, 1e9f, 1e9f};
    Vector3 max{-1e9f, -1e9f, -1e9f};
};

inline Box GameBox(const TdsMesh& mesh)
{
    Box box;
    for (uint32_t i = 0; i < mesh.GetVertexCount(); ++i)
    {
        const TdsVertex& v = mesh.GetVertex(i);
        box.min =
            Vector3(std::min(box.min.x, v.x), std::min(box.min.y, v.z), std::min(box.min.z, v.y));
        box.max =
            Vector3(std::max(box.max.x, v.x), std::max(box.max.y, v.z), std::max(box.max.z, v.y));
    }
    return box;
}

inline void ExpectBox(const Vector3& min, const Vector3& max, const Box& expected, const char* what)
{
    EXPECT_TRUE(VectorNear(min, expected.min)) << what;
    EXPECT_TRUE(VectorNear(max, expected.max)) << what;
}

struct ModelDesign
{
    const char* file;
    uint32_t faces;
    uint32_t materials;
    Box box; // in the game's space: y up
};

// Face counts: a prism or loft of an n-cornered outline has 2n side triangles
// and two caps of n - 2; a box is 12; a cylinder of 12 segments is a loft of a
// 12-gon. The ground is a 24 by 24 grid of two triangles a cell.
const ModelDesign kModels[] = {
    // Two tracks (6 corners), the tub (6), deck (4) and superstructure (4),
    // two exhausts and two lamps.
    {"tank_body.3ds", 2 * 20 + 20 + 12 + 12 + 4 * 12, 2, {{-1.8f, 0, -3.2f}, {1.8f, 2.239f, 3.2f}}},
    // Two octagon lofts (turret and cupola), the mantlet and the bustle.
    {"tank_torso.3ds", 2 * 28 + 2 * 12, 1, {{-1.45f, 0, -2.1f}, {1.45f, 1.0f, 1.78f}}},
    // Breech, barrel and muzzle.
    {"tank_gun.3ds", 3 * 44, 1, {{-0.19f, -0.19f, -0.25f}, {0.19f, 0.19f, 5.5f}}},
    {"level_boden.3ds", 24 * 24 * 2, 1, {{-600, 0, -600}, {600, 0, 600}}},
    {"crate.3ds", 12, 1, {{-1, 0, -1}, {1, 2, 1}}},
    {"wall.3ds", 12, 1, {{-4, 0, -0.5f}, {4, 3, 0.5f}}},
    // A floor of 5 by 5 tiles, four walls and four pillars.
    {"testlevel.3ds", 25 * 2 + 4 * 12 + 4 * 12, 3, {{-10.5f, 0, -10.5f}, {10.5f, 3, 10.5f}}},
};

// The pictures in data/textures, with their size and whether they carry alpha.
struct PictureDesign
{
    const char* name;
    int width;
    int height;
    bool alpha;
};

const PictureDesign kPictures[] = {
    {"font.png", 128, 128, true},       {"cursor.png", 32, 32, true},
    {"tolvi01.jpg", 800, 600, false},   {"smoke.png", 64, 64, true},
    {"window.png", 64, 64, true},       {"button.png", 64, 64, true},
    {"checkbox.png", 16, 64, true},     {"editbox.png", 64, 16, true},
    {"listbox.png", 64, 64, true},      {"scrollbar.png", 64, 64, true},
    {"colormap.png", 256, 256, false},  {"detail.png", 128, 128, false},
    {"tank_hull.png", 128, 128, false}, {"tank_track.png", 512, 128, false},
    {"crate.png", 128, 128, false},     {"wall.jpg", 128, 128, false},
    {"ground.jpg", 256, 256, false},    {"cliffft.bmp", 256, 256, false},
    {"cliffbk.bmp", 256, 256, false},   {"clifflf.bmp", 256, 256, false},
    {"cliffrt.bmp", 256, 256, false},   {"cliffup.bmp", 256, 256, false},
    {"cliffdn.bmp", 256, 256, false},
};
