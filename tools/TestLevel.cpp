// testlevel.3ds: the level a level's state message names, a walled room with
// pillars for the level loader, its octree and its lightmaps.
#include "MakeData.h"

bool WriteTestLevel(const std::string& folder)
{
    MeshBuilder mesh;
    // A floor of 5 by 5 tiles of 4 units on y = 0, so that the octree sorts
    // the tiles into its cells instead of keeping one big square at the root.
    mesh.AddMaterial("LevelFloor", "ground.jpg", Rgba{255, 255, 255, 255});
    const UvMap floorUv = WorldUv(4.0f);
    for (int j = 0; j < 5; ++j)
    {
        for (int i = 0; i < 5; ++i)
        {
            const float x = -10.0f + 4.0f * static_cast<float>(i);
            const float z = -10.0f + 4.0f * static_cast<float>(j);
            mesh.AddPolygon({{x, 0.0f, z},
                             {x + 4.0f, 0.0f, z},
                             {x + 4.0f, 0.0f, z + 4.0f},
                             {x, 0.0f, z + 4.0f}},
                            {x + 2.0f, -1.0f, z + 2.0f}, floorUv);
        }
    }
    // Four walls 3 units high and half a unit thick around the floor.
    mesh.AddMaterial("LevelWall", "wall.jpg", Rgba{255, 255, 255, 255});
    const UvMap wallUv = WorldUv(2.0f);
    mesh.AddBox({-10.5f, 0.0f, 10.0f}, {10.5f, 3.0f, 10.5f}, wallUv);
    mesh.AddBox({-10.5f, 0.0f, -10.5f}, {10.5f, 3.0f, -10.0f}, wallUv);
    mesh.AddBox({10.0f, 0.0f, -10.0f}, {10.5f, 3.0f, 10.0f}, wallUv);
    mesh.AddBox({-10.5f, 0.0f, -10.0f}, {-10.0f, 3.0f, 10.0f}, wallUv);
    // Four pillars as high as the walls.
    mesh.AddMaterial("LevelPillar", "crate.png", Rgba{255, 255, 255, 255});
    const UvMap pillarUv = WorldUv(1.0f);
    for (float x : {-4.0f, 4.0f})
        for (float z : {-4.0f, 4.0f})
            mesh.AddBox({x - 0.5f, 0.0f, z - 0.5f}, {x + 0.5f, 3.0f, z + 0.5f}, pillarUv);
    return SaveFile(folder + "/testlevel.3ds", mesh.Write("TestLevel"));
}
