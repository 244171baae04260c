#include "scene/StaticModel.h"

#include "core/RefObject.h"
#include "scene/SceneGraph.h"
#include "scene/TestNodes.h"

#include <gtest/gtest.h>

namespace
{
// The main graph's root holds the walls of one test; they leave with it.
class StaticModelTest : public ::testing::Test
{
protected:
    void TearDown() override
    {
        for (SceneNode* node : added)
            MainSceneGraph.GetRoot()->RemoveChild(node);
        RefObject::CollectGarbage();
    }

    WallNode* AddWall()
    {
        WallNode* wall = new WallNode();
        MainSceneGraph.GetRoot()->AddChild(wall);
        added.push_back(wall);
        return wall;
    }

    // The plane x = 2, facing -x.
    void WallAtX2()
    {
        AddWall()->AddQuad(Vector3(2, -50, -50), Vector3(0, 0, 100), Vector3(0, 100, 0));
    }

    // A model at the origin with the radii and velocity.
    static SmartPtr<StaticModel> Ball(const Vector3& velocity, float radius = 0.5f)
    {
        SmartPtr<StaticModel> model = new StaticModel();
        model->radii = Vector3(radius, radius, radius);
        model->velocity = velocity;
        return model;
    }

    std::vector<SceneNode*> added;
};
} // namespace

TEST_F(StaticModelTest, WithoutALevelItMovesByVelocityTimesDt)
{
    SmartPtr<StaticModel> model = Ball(Vector3());
    model->Update(0.5f);
    EXPECT_TRUE(model->position == Vector3());
    model->velocity = Vector3(1, 0, 0);
    model->Update(0.5f);
    model->Update(0.5f);
    EXPECT_TRUE(model->position == Vector3(1, 0, 0));
}

TEST_F(StaticModelTest, HeadOnIntoAWallStopsJustShortOfTheContact)
{
    WallAtX2();
    SmartPtr<StaticModel> model = Ball(Vector3(4, 0, 0));
    model->Update(1.0f);
    // Sphere of radius 0.5 touches x = 2 when its centre is at 1.5, 3/8 of
    // the way; it stops 1e-5 before that.
    EXPECT_NEAR(model->position.x, 1.5f - 0.00001f, 1e-6f);
    EXPECT_TRUE(model->velocity == Vector3(0, 0, 0));
    model->Update(1.0f);
    EXPECT_LT(model->position.x, 1.5f);
}

TEST_F(StaticModelTest, SlidesAlongAWallAndNeverPassesThrough)
{
    WallAtX2();
    SmartPtr<StaticModel> model = Ball(Vector3(4, 0, 4));
    model->Update(1.0f);
    // Pass 1: contact at 3/8 of (4, 0, 4), backed off 1e-5 along the travel;
    // the x part of the velocity goes. Pass 2 sweeps the full (0, 0, 4) again.
    const float back = 0.00001f * 0.70710678f;
    EXPECT_NEAR(model->position.x, 1.5f - back, 1e-6f);
    EXPECT_NEAR(model->position.z, 1.5f - back + 4.0f, 1e-5f);
    EXPECT_TRUE(model->velocity == Vector3(0, 0, 4));

    for (int frame = 0; frame < 20; ++frame)
    {
        model->velocity = model->velocity + Vector3(3, 0, 0);
        model->Update(0.1f);
        EXPECT_LT(model->position.x, 1.5f) << "frame " << frame;
    }
}

TEST_F(StaticModelTest, SlidesOutOfACornerWithinThreePasses)
{
    // Walls x = 2 (facing -x) and z = 2 (facing -z).
    WallAtX2();
    AddWall()->AddQuad(Vector3(-50, -50, 2), Vector3(0, 100, 0), Vector3(100, 0, 0));
    SmartPtr<StaticModel> model = Ball(Vector3(4, 1, 6));
    model->Update(1.0f);
    EXPECT_LT(model->position.x, 1.5f);
    EXPECT_LT(model->position.z, 1.5f);
    EXPECT_NEAR(model->velocity.x, 0.0f, 1e-6f);
    EXPECT_NEAR(model->velocity.z, 0.0f, 1e-6f);
    // Contacts at 1/4 (z wall) and then 1/8 (x wall) of the step; the third
    // pass sweeps the whole remaining (0, 1, 0) again: 0.25 + 0.125 + 1.
    EXPECT_NEAR(model->position.y, 1.375f, 1e-4f);
}

TEST_F(StaticModelTest, CollideMoveReturnsWhatIsLeftOfTheDisplacement)
{
    WallAtX2();
    SmartPtr<StaticModel> model = Ball(Vector3());
    Vector3 left = model->CollideMove(Vector3(4, 0, 2));
    EXPECT_TRUE(left == Vector3(0, 0, 2));
    EXPECT_LT(model->position.x, 1.5f);
    // Contact at 3/8 of the way (z 0.75), then the remaining (0, 0, 2) whole.
    EXPECT_NEAR(model->position.z, 0.75f + 2.0f, 1e-4f);
}

// Move integrates without collision; a model without radii sweeps nothing.
TEST_F(StaticModelTest, MoveAndZeroRadiiGoThroughWalls)
{
    WallAtX2();
    for (bool move : {true, false})
    {
        SmartPtr<StaticModel> model = Ball(Vector3(4, 0, 0), move ? 0.5f : 0.0f);
        move ? model->Move(1.0f) : model->Update(1.0f);
        EXPECT_TRUE(model->position == Vector3(4, 0, 0)) << move;
    }
}

TEST_F(StaticModelTest, AModelFileThatCannotBeLoadedGivesTheCachedDummyAndStillMoves)
{
    SmartPtr<StaticModel> model = new StaticModel("no/such/file.3ds");
    ASSERT_TRUE(model->model);
    EXPECT_EQ(model->model->meshCount, 0);
    EXPECT_TRUE(model->boundsMin == Vector3());
    EXPECT_TRUE(model->boundsMax == Vector3());
    SmartPtr<StaticModel> again = new StaticModel("NO/SUCH/FILE.3DS");
    EXPECT_EQ(again->model.Get(), model->model.Get()) << "cached once by name";
    model->velocity = Vector3(0, 0, 2);
    model->Update(0.5f);
    EXPECT_TRUE(model->position == Vector3(0, 0, 1));
}
