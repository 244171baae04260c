// The level: its file read with the axes swapped, the corners reversed and v
// flipped, faces textured by the material they name, triangles placed in the
// octree, and the segment, ray and sweep queries alone and through the graph;
// its state message, and the names a peer may make it open.
#include "scene/Level.h"
#include "math/RayHit.h"
#include "net/Message.h"
#include "scene/LevelTestSupport.h"
#include "support/LogCapture.h"
#include "support/SceneFixture.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <functional>
#include <sys/stat.h>

namespace
{
class LevelTest : public SceneTest
{
protected:
    // A level loaded from the file, or null when the load fails.
    SmartPtr<Level> Load(const LevelFile& file, const std::string& name = "level.3ds")
    {
        Save(name, file.Bytes());
        SmartPtr<Level> level = new Level();
        return level->Load(name.c_str()) == 0 ? level : nullptr;
    }

    // A level added under the main root.
    Level* AddToScene(const LevelFile& file)
    {
        SmartPtr<Level> level = Load(file, "level" + std::to_string(++saved) + ".3ds");
        return level ? Add(level.Get()) : nullptr;
    }

    int saved = 0;
};

// A square wall facing -z at depth z, 10 by 10 around the z axis.
LevelFile WallAt(float z)
{
    LevelFile file;
    file.Quad(Vector3(-5, -5, z), Vector3(0, 10, 0), Vector3(10, 0, 0));
    return file;
}
} // namespace

TEST_F(LevelTest, LoadSwapsYAndZReversesTheCornersAndFlipsVOfTheFirstMeshOnly)
{
    // File corners a, b, c at (1, 2, 3), (4, 2, 3), (1, 2, 7), then a cube mesh.
    std::vector<uint8_t> bytes = tds_samples::EditorFile(
        [](TdsWriter& w)
        {
            w.Begin(0x4000).String("Tri").Begin(0x4100);
            w.Begin(0x4110).U16(3).Floats({1, 2, 3, 4, 2, 3, 1, 2, 7}).End();
            w.Begin(0x4140).U16(3).Floats({0.25f, 0.25f, 1.0f, 0.25f, 0.25f, 1.0f}).End();
            w.Begin(0x4120).U16(1).U16(0).U16(1).U16(2).U16(0).End();
            w.End().End();
            tds_samples::WriteCube(w, "Cube", tds_samples::MeshOptions());
        });
    Save("one.3ds", bytes);
    Level level;
    ASSERT_EQ(level.Load("one.3ds"), 0);

    std::vector<WalkedTriangle> walked = WalkTriangles(level.GetOctree());
    ASSERT_EQ(walked.size(), 1u);
    const LevelTriangle& triangle = *walked[0].triangle;
    // Stored vertex k is file corner 2 - k, at (x, z, y) with (u, 1 - v) and
    // lightmap coordinates (0, 0).
    const float expected[3][7] = {
        {1, 7, 2, 0.25f, 0.0f, 0, 0}, {4, 3, 2, 1.0f, 0.75f, 0, 0}, {1, 3, 2, 0.25f, 0.75f, 0, 0}};
    for (int k = 0; k < 3; ++k)
    {
        const LevelVertex& v = triangle.vertices[k];
        EXPECT_EQ((std::vector<float>{v.x, v.y, v.z, v.tu, v.tv, v.lu, v.lv}),
                  std::vector<float>(expected[k], expected[k] + 7))
            << "vertex " << k;
        EXPECT_EQ(v.diffuse, 0xFFFFFFFFu);
    }
    EXPECT_EQ(triangle.normal, Vector3(0, 0, -1));
    EXPECT_FALSE(triangle.texture);
    // The octree's box is the model's grown by 0.1; its leaves lie three levels down.
    EXPECT_EQ(level.GetOctree()->boxMin, Vector3(0.9f, 2.9f, 1.9f));
    EXPECT_EQ(level.GetOctree()->boxMax, Vector3(4.1f, 7.1f, 2.1f));
    OctreeNode* cell = level.GetOctree()->children[7]->children[0].Get();
    ASSERT_FALSE(cell->isLeaf);
    EXPECT_TRUE(cell->children[7]->isLeaf);

    // A missing file, or a first mesh without vertices, keeps the octree.
    Save("empty.3ds", tds_samples::EditorFile([](TdsWriter& w)
                                              { tds_samples::WriteMesh(w, "Empty", {}, {}, {}); }));
    OctreeNode* before = level.GetOctree();
    EXPECT_EQ(level.Load("missing.3ds"), -1);
    EXPECT_EQ(level.Load("empty.3ds"), -1);
    EXPECT_EQ(level.GetOctree(), before);
}

// A face's material id names the reader's material; the mesh's own list of
// face-material chunks may be shorter or in another order.
TEST_F(LevelTest, FacesTakeTheTextureOfTheMaterialTheyNameAndNoneWithoutOne)
{
    struct Case
    {
        const char* what;
        std::vector<int> faceMaterials;
        std::vector<const char*> textures;
    } cases[] = {
        {"no face-material chunk", {-1, -1}, {"none", "none"}},
        {"only the third material", {2, -1}, {"data\\textures\\c.bmp", "none"}},
        {"chunks in another order", {2, 0}, {"data\\textures\\c.bmp", "data\\textures\\a.bmp"}},
    };
    for (const Case& c : cases)
    {
        LevelFile file;
        for (const char* name : {"a", "b", "c"})
            file.Material(name, std::string(name) + ".bmp");
        // Face k lies at x = 10 k.
        for (size_t k = 0; k < c.faceMaterials.size(); ++k)
        {
            Vector3 p(10.0f * k, 0, 0);
            file.Triangle(p, p + Vector3(0, 1, 0), p + Vector3(1, 0, 0), c.faceMaterials[k]);
        }
        SmartPtr<Level> level = Load(file);
        ASSERT_TRUE(level) << c.what;
        std::vector<WalkedTriangle> walked = WalkTriangles(level->GetOctree());
        ASSERT_EQ(walked.size(), c.textures.size()) << c.what;
        std::sort(walked.begin(), walked.end(),
                  [](const WalkedTriangle& a, const WalkedTriangle& b)
                  { return a.triangle->vertices[0].x < b.triangle->vertices[0].x; });
        for (size_t k = 0; k < walked.size(); ++k)
        {
            Texture* texture = walked[k].triangle->texture.Get();
            EXPECT_STREQ(texture ? texture->GetName() : "none", c.textures[k])
                << c.what << ", face " << k;
        }
    }
}

// Each triangle spans the box from `low` to `high` in a tree over 0..8 on
// every axis, whose cells split at 4, then 2 and 6, then every odd number.
TEST_F(LevelTest, OctreeHoldsEachTriangleInTheDeepestBoxAroundAllItsCorners)
{
    struct Case
    {
        const char* what;
        Vector3 low, high;
        // Child indices from the root to the node that holds the triangle.
        std::vector<int> path;
        bool inserted;
    } cases[] = {
        {"in the first leaf", {0.2f, 0.2f, 0.2f}, {0.8f, 0.8f, 0.8f}, {0, 0, 0}, true},
        {"in the last leaf", {7.2f, 7.2f, 7.2f}, {7.8f, 7.8f, 7.8f}, {7, 7, 7}, true},
        {"across the middle in x", {3.5f, 0.5f, 0.5f}, {4.5f, 1, 1}, {}, true},
        {"across the middle in z", {0.5f, 0.5f, 3.5f}, {1, 1, 4.5f}, {}, true},
        {"across a split of the upper half", {5.5f, 0.5f, 0.5f}, {6.5f, 1, 1}, {1}, true},
        {"on the face of two children", {4, 0.2f, 0.2f}, {4, 0.8f, 0.8f}, {0, 1, 1}, true},
        {"outside the box", {9, 0, 0}, {9.5f, 1, 1}, {}, false},
    };
    for (const Case& c : cases)
    {
        SmartPtr<OctreeNode> root = new OctreeNode(Vector3(0, 0, 0), Vector3(8, 8, 8), 3);
        LevelTriangle triangle;
        triangle.vertices[0] = LevelVertex{c.low.x, c.low.y, c.low.z, 0, 0, 0, 0, 0};
        triangle.vertices[1] = LevelVertex{c.high.x, c.low.y, c.low.z, 0, 0, 0, 0, 0};
        triangle.vertices[2] = LevelVertex{c.low.x, c.high.y, c.high.z, 0, 0, 0, 0, 0};
        EXPECT_EQ(root->Insert(triangle), c.inserted) << c.what;
        OctreeNode* expected = root.Get();
        for (int index : c.path)
            expected = expected->children[index].Get();
        std::vector<WalkedTriangle> walked = WalkTriangles(root.Get());
        ASSERT_EQ(walked.size(), c.inserted ? 1u : 0u) << c.what;
        EXPECT_EQ(walked.empty() ? nullptr : walked[0].node, c.inserted ? expected : nullptr);
    }

    // Every node exists from the start: 1 + 8 + 64 + 512, the last 512 leaves.
    SmartPtr<OctreeNode> root = new OctreeNode(Vector3(0, 0, 0), Vector3(8, 8, 8), 3);
    int nodes = 0, leaves = 0;
    std::function<void(const OctreeNode&)> visit = [&](const OctreeNode& node)
    {
        ++nodes;
        leaves += node.isLeaf;
        for (const SmartPtr<OctreeNode>& child : node.children)
            if (child)
                visit(*child);
    };
    visit(*root);
    EXPECT_EQ(nodes, 585);
    EXPECT_EQ(leaves, 512);
}

TEST_F(LevelTest, RayCastFindsTheNearestFrontFaceAndKeepsANearerHit)
{
    // A wall facing +z at z 1 (its back to the ray), and two facing -z at z 2 and 4.
    LevelFile file;
    file.Quad(Vector3(-1, -1, 1), Vector3(1, 0, 0) * 2, Vector3(0, 2, 0));
    file.Quad(Vector3(-1, -1, 2), Vector3(0, 2, 0), Vector3(2, 0, 0));
    file.Quad(Vector3(-1, -1, 4), Vector3(0, 2, 0), Vector3(2, 0, 0));
    Level* level = AddToScene(file);
    ASSERT_NE(level, nullptr);

    RayHit hit;
    level->RayCast(Vector3(0, 0.5f, 0), Vector3(0, 0.5f, 10), hit);
    EXPECT_FLOAT_EQ(hit.distance, 0.2f);
    EXPECT_EQ(hit.point, Vector3(0, 0.5f, 2));
    EXPECT_EQ(hit.normal, Vector3(0, 0, -1));

    // A segment that starts on a face does not hit that face.
    RayHit fromTheWall;
    level->RayCast(Vector3(0, 0.5f, 2), Vector3(0, 0.5f, 10), fromTheWall);
    EXPECT_FLOAT_EQ(fromTheWall.distance, 0.25f);

    RayHit nearer;
    nearer.distance = 0.1f;
    level->RayCast(Vector3(0, 0.5f, 0), Vector3(0, 0.5f, 10), nearer);
    EXPECT_EQ(nearer.distance, 0.1f);
    EXPECT_EQ(nearer.normal, Vector3(0, 0, 0));

    // The graph reaches the level by its type; the hit names no object.
    SmartPtr<RayHit> graphHit = MainSceneGraph.RayCast(Vector3(0, 0.5f, 0), Vector3(0, 0.5f, 10));
    EXPECT_FLOAT_EQ(graphHit->distance, 0.2f);
    EXPECT_FALSE(graphHit->object);
    EXPECT_TRUE(MainSceneGraph.IsSegmentBlocked(Vector3(0, 0.5f, 0), Vector3(0, 0.5f, 3)));
    // From behind, only the wall at z 1 faces the segment.
    EXPECT_FALSE(MainSceneGraph.IsSegmentBlocked(Vector3(0, 0.5f, 10), Vector3(0, 0.5f, 1.5f)));
    // Beside the level's box nothing is hit.
    SmartPtr<RayHit> beside = MainSceneGraph.RayCast(Vector3(5, 0.5f, 0), Vector3(5, 0.5f, 10));
    EXPECT_EQ(beside->distance, kNoHitDistance);

    // Two faces crossed at the same distance: the first one stored keeps the hit.
    LevelFile crossing;
    crossing.Triangle(Vector3(0, -2, -2), Vector3(0, -2, 4), Vector3(0, 4, -2)); // facing -x
    crossing.Triangle(Vector3(-2, 0, -2), Vector3(-2, 0, 4), Vector3(4, 0, -2)); // facing +y
    SmartPtr<Level> corner = Load(crossing, "crossing.3ds");
    ASSERT_TRUE(corner);
    RayHit tie;
    corner->RayCast(Vector3(-1, 1, 0), Vector3(1, -1, 0), tie);
    EXPECT_EQ(tie.distance, 0.5f);
    EXPECT_EQ(tie.normal, Vector3(-1, 0, 0));

    Level empty;
    RayHit untouched;
    empty.RayCast(Vector3(0, 0.5f, 0), Vector3(0, 0.5f, 10), untouched);
    EXPECT_EQ(untouched.distance, kNoHitDistance);
    EXPECT_FALSE(empty.Intersects(Vector3(0, 0.5f, 0), Vector3(0, 0.5f, 10)));
}

TEST_F(LevelTest, SweepStopsAtAWallWithTheMovesFractionAndTheSurfaceNormal)
{
    // Straight at a wall at z 5: the ellipsoid's front (half a unit ahead)
    // touches it after 4.5 of 10 units.
    SmartPtr<Level> wall = Load(WallAt(5));
    ASSERT_TRUE(wall);
    RayHit hit;
    wall->Sweep(Vector3(0, 0, 0), Vector3(0, 0, 10), Vector3(1, 2, 0.5f), hit);
    EXPECT_NEAR(hit.distance, 0.45f, 1e-5f);
    EXPECT_EQ(hit.point, Vector3(0, 0, 5));
    EXPECT_EQ(hit.normal, Vector3(0, 0, -1));

    // A wall on the plane y + z = 5, facing the origin: the normal comes back
    // from the ellipsoid's space divided by the radii, the contact point
    // multiplied by them.
    LevelFile slanted;
    slanted.Quad(Vector3(-5, -5, 10), Vector3(0, 10, -10), Vector3(10, 0, 0));
    SmartPtr<Level> slope = Load(slanted, "slope.3ds");
    ASSERT_TRUE(slope);
    RayHit slopeHit;
    slope->Sweep(Vector3(0, 0, 0), Vector3(0, 0, 10), Vector3(1, 2, 1), slopeHit);
    // Centre distance 5 / sqrt 2 less the ellipsoid's reach sqrt 2.5 along the
    // normal, closed at 1 / sqrt 2 per unit of z.
    EXPECT_NEAR(slopeHit.distance,
                (5.0f / std::sqrt(2.0f) - std::sqrt(2.5f)) * std::sqrt(2.0f) / 10, 1e-4f);
    const float h = 1.0f / std::sqrt(2.0f);
    EXPECT_EQ(slopeHit.normal, Vector3(0, -h, -h));
    EXPECT_NEAR(slopeHit.point.y + slopeHit.point.z, 5.0f, 1e-4f);
    EXPECT_NEAR(slopeHit.point.y, 4.0f / std::sqrt(5.0f), 1e-4f);

    // A contact exactly at the end of the move counts.
    RayHit atTheEnd;
    wall->Sweep(Vector3(1, -2, 0), Vector3(1, -2, 4), Vector3(1, 1, 1), atTheEnd);
    EXPECT_EQ(atTheEnd.distance, 1.0f);

    // A sweep that touches nothing, one from behind the wall, and ellipsoids
    // without a positive radius (a negative one would mirror the wall to face
    // the other way) leave the hit as it was.
    struct Miss
    {
        Vector3 from, to, radii;
    } misses[] = {
        {{20, 0, 0}, {20, 0, 10}, {1, 1, 1}},
        {{0, 0, 10}, {0, 0, 0}, {1, 1, 1}},
        {{0, 0, 0}, {0, 0, 10}, {1, 0, 1}},
        {{0, 0, 10}, {0, 0, 0}, {-1, 1, 1}},
    };
    for (const Miss& m : misses)
    {
        RayHit none;
        wall->Sweep(m.from, m.to, m.radii, none);
        EXPECT_EQ(none.distance, kNoHitDistance) << "from z " << m.from.z << ", radii " << m.radii.x
                                                 << " " << m.radii.y << " " << m.radii.z;
        EXPECT_EQ(none.normal, Vector3(0, 0, 0));
    }
}

// Two levels under the root, in either order: the graph's sweep reports the
// earlier contact, a fraction of the move.
TEST_F(LevelTest, GraphSweepKeepsTheEarliestContactOfSeveralLevels)
{
    for (bool nearFirst : {true, false})
    {
        ClearMainGraph();
        ASSERT_NE(AddToScene(WallAt(nearFirst ? 3.0f : 6.0f)), nullptr);
        ASSERT_NE(AddToScene(WallAt(nearFirst ? 6.0f : 3.0f)), nullptr);
        SmartPtr<RayHit> hit =
            MainSceneGraph.Sweep(Vector3(0, 0, 0), Vector3(0, 0, 10), Vector3(0.5f, 0.5f, 0.5f));
        EXPECT_NEAR(hit->distance, 0.25f, 1e-5f) << "near level first: " << nearFirst;
        EXPECT_EQ(hit->point, Vector3(0, 0, 3)) << "near level first: " << nearFirst;
    }
}

TEST_F(LevelTest, StateMessageNamesTheTestLevelWhichApplyStateLoadsWithItsLightmaps)
{
    Level sender;
    sender.id = 42;
    SmartPtr<Message> message = sender.CreateStateMessage();
    ASSERT_TRUE(message);
    EXPECT_EQ(message->type, kStateMessageType);
    const uint8_t payload[18] = {42,  0,   0,   0,   't', 'e', 's', 't', 'l',
                                 'e', 'v', 'e', 'l', '.', '3', 'd', 's', 0};
    ASSERT_EQ(message->GetLength(), sizeof payload);
    EXPECT_EQ(std::memcmp(message->GetBuffer(), payload, sizeof payload), 0);

    // The receiver has read the id; no lightmap files exist, so the level draws black.
    LevelFile file;
    file.Quad(Vector3(0, 0, 0), Vector3(0, 0, 1), Vector3(1, 0, 0));
    Save("testlevel.3ds", file.Bytes());
    EXPECT_EQ(message->ReadInt(), 42u);
    Level receiver;
    receiver.ApplyState(*message);
    std::vector<WalkedTriangle> walked = WalkTriangles(receiver.GetOctree());
    ASSERT_EQ(walked.size(), 2u);
    for (const WalkedTriangle& w : walked)
        EXPECT_EQ(w.triangle->vertices[0].diffuse, 0xFF000000u);

    // A message that ends before the name is dropped.
    SmartPtr<Message> cut = new Message();
    cut->WriteInt(42);
    cut->ReadInt();
    Level untouched;
    untouched.ApplyState(*cut);
    EXPECT_EQ(untouched.GetOctree(), nullptr);

    // A name is opened only when it is a regular file inside the game's
    // folder; any other leaves the level as it was (no load, no lightmaps),
    // with one log line.
    ASSERT_EQ(mkfifo("pipe.3ds", 0600), 0);
    const std::string folder = std::filesystem::current_path().filename().string();
    const std::string refused[] = {
        std::filesystem::absolute("testlevel.3ds").string(),
        "../" + folder + "/testlevel.3ds",
        "..\\" + folder + "\\testlevel.3ds",
        "data",
        "pipe.3ds", // its open would wait for a writer
    };
    Level kept;
    ASSERT_EQ(kept.Load("testlevel.3ds"), 0);
    OctreeNode* tree = kept.GetOctree();
    for (const std::string& name : refused)
    {
        SmartPtr<Message> named = new Message();
        named->WriteString(name.c_str());
        LogCapture log;
        kept.ApplyState(*named);
        EXPECT_EQ(kept.GetOctree(), tree) << name;
        EXPECT_EQ(WalkTriangles(tree)[0].triangle->vertices[0].diffuse, 0xFFFFFFFFu) << name;
        EXPECT_EQ(log.Lines().size(), 1u) << name;
    }
}
