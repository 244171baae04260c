// The level file: each good line one physics box on the ground plane; short,
// overlong and unreadable lines, and those beyond the world's bound, skipped
// with a log line, never a box from stale values or from a line's cut-off tail.
#include "game/Mod.h"
#include "physics/OdeVector.h"
#include "support/LogCapture.h"
#include "support/PhysicsFixture.h"

#include <cmath>

namespace
{
// Where a placed box stands: its geom's centre and its turn about y.
struct Placed
{
    Vector3 at;
    float yaw;
    bool dynamic;
};

std::vector<Placed> PlacedBoxes(SceneNode* parent)
{
    std::vector<Placed> placed;
    for (const SmartPtr<SceneNode>& child : parent->GetChildren())
    {
        PhysicsBox* box = static_cast<PhysicsBox*>(child.Get());
        dQuaternion q;
        dGeomGetQuaternion(box->geom, q);
        const float yaw = static_cast<float>(2.0 * std::atan2(q[2], q[0]));
        placed.push_back({Of(dGeomGetPosition(box->geom)), yaw, box->body != nullptr});
    }
    return placed;
}
} // namespace

TEST_F(PhysicsTest, LevelFileLinesBecomeBoxesAndBadLinesAreSkippedWithTheirNumber)
{
    // A crate 2 high with its base at y = 0.
    const std::string crate = BoxModel("crate.3ds", Vector3(-1, 0, -1), Vector3(1, 2, 1));
    const float kPi = 3.1415927f;
    const std::string longName(250, 'n');
    struct Case
    {
        const char* name;
        std::string text;
        std::vector<Placed> boxes;
        std::vector<std::string> logged;
    };
    const Case cases[] = {
        {"three lines",
         crate + " 10.5 -20 1 1\n" + crate + " 0 0 2 0\n" + crate + " -3 4 -1 7\n",
         {{{10.5f, 1.1f, -20}, kPi / 2, true},
          {{0, 1, 0}, kPi, false},
          {{-3, 1.1f, 4}, -kPi / 2, true}},
         {}},
        {"empty", "", {}, {}},
        // Any flag but 0 drops the box; quarter turns need not be whole.
        {"negative flag and half a quarter turn",
         crate + " 2 3 0.5 -1\n",
         {{{2, 1.1f, 3}, kPi / 4, true}},
         {}},
        {"last line without a line feed keeps its last digit",
         crate + " 1 2 0 0\n" + crate + " 5 6 0 1",
         {{{1, 1, 2}, 0, false}, {{5, 1.1f, 6}, 0, true}},
         {}},
        {"CRLF",
         crate + " 1 2 0 1\r\n" + crate + " 3 4 0 0\r\n",
         {{{1, 1.1f, 2}, 0, true}, {{3, 1, 4}, 0, false}},
         {}},
        {"short and blank lines",
         crate + " 1 2 0\n\n" + crate + " 3 4 0 0\n",
         {{{3, 1, 4}, 0, false}},
         {"line 1 has fewer than five fields", "line 2 has fewer than five fields"}},
        {"a 250-character name",
         longName + " 1 2 0 0\n" + crate + " 3 4 0 0\n",
         {{{3, 1, 4}, 0, false}},
         {"line 1 has fewer than five fields"}},
        // Cut at 298 characters, the line would read as one box and its tail
        // as another.
        {"a line longer than 298 characters",
         crate + " 1 2 0 0" + std::string(300, ' ') + crate + " 5 6 0 0\n" + crate + " 3 4 0 0\n",
         {{{3, 1, 4}, 0, false}},
         {"line 1 is longer than 298 characters"}},
        {"numbers that are not finite",
         crate + " nan 2 0 0\n" + crate + " 1 inf 0 0\n" + crate + " 1 2 -inf 0\n",
         {},
         {"line 1 holds a number", "line 2 holds a number", "line 3 holds a number"}},
        // Left in, the first step would abort in ODE's hash space.
        {"x or z beyond the world's bound",
         crate + " 1e10 2 0 1\n" + crate + " -1e10 2 0 0\n" + crate + " 1 1e10 0 0\n" + crate +
             " 1 -1e10 0 1\n",
         {},
         {"line 1 places a box further out than 10000",
          "line 2 places a box further out than 10000",
          "line 3 places a box further out than 10000",
          "line 4 places a box further out than 10000"}},
        {"x and z on the world's bound",
         crate + " 10000 -10000 0 1\n" + crate + " -10000 10000 0 0\n",
         {{{10000, 1.1f, -10000}, 0, true}, {{-10000, 1, 10000}, 0, false}},
         {}},
        // Whole turns drop out before the angle is taken: pi times 3e38
        // overflows, and at 2^23 + 1 the product has no fraction left.
        {"quarter turns counted modulo 4",
         crate + " 1 2 3e38 1\n" + crate + " 3 4 -3e38 0\n" + crate + " 5 6 8388609 0\n",
         {{{1, 1.1f, 2}, std::fmod(3e38f, 4.0f) * kPi / 2, true},
          {{3, 1, 4}, std::fmod(-3e38f, 4.0f) * kPi / 2, false},
          {{5, 1, 6}, kPi / 2, false}},
         {}},
    };

    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        const std::string path = folder.File("level.txt");
        ASSERT_TRUE(WriteBytes(path, std::vector<uint8_t>(c.text.begin(), c.text.end())));
        SmartPtr<SceneNode> parent = new RootNode();
        LogCapture log;
        EXPECT_EQ(Mod::Instance()->LoadObstacles(path.c_str(), parent.Get()),
                  static_cast<int>(c.boxes.size()));

        std::vector<Placed> placed = PlacedBoxes(parent.Get());
        // A box the world cannot hold aborts the process in the step.
        Physics::Instance()->Step(Physics::kStepLength);
        ASSERT_EQ(placed.size(), c.boxes.size());
        for (size_t i = 0; i < placed.size(); ++i)
        {
            EXPECT_TRUE(VectorNear(placed[i].at, c.boxes[i].at)) << i;
            EXPECT_NEAR(placed[i].yaw, c.boxes[i].yaw, 1e-4f) << i;
            EXPECT_EQ(placed[i].dynamic, c.boxes[i].dynamic) << i;
        }
        // The reader's own lines, beside the model import's.
        std::vector<std::string> lines;
        for (const std::string& line : log.Lines())
        {
            if (line.rfind(path + ": ", 0) == 0)
                lines.push_back(line.substr(path.size() + 2));
        }
        ASSERT_EQ(lines.size(), c.logged.size()) << log.Text();
        for (size_t i = 0; i < lines.size(); ++i)
            EXPECT_EQ(lines[i].rfind(c.logged[i], 0), 0u) << lines[i];
        RestartWorld();
    }
}

TEST_F(PhysicsTest, MissingLevelFilePlacesNothingSilently)
{
    SmartPtr<SceneNode> parent = new RootNode();
    LogCapture log;
    EXPECT_EQ(Mod::Instance()->LoadObstacles(folder.File("level.txt").c_str(), parent.Get()), -1);
    EXPECT_TRUE(parent->GetChildren().empty());
    EXPECT_EQ(log.Text(), "");
}
