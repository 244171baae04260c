#include "scene/SceneGraph.h"

#include "core/RefObject.h"
#include "math/D3DXMath.h"
#include "math/Intersection.h"
#include "net/Message.h"
#include "scene/Camera.h"
#include "scene/TestNodes.h"
#include "video/VideoTestSupport.h"

#include <gtest/gtest.h>

namespace
{
class SceneGraphTest : public ::testing::Test
{
protected:
    void SetUp() override { RefObject::CollectGarbage(); }
    void TearDown() override { RefObject::CollectGarbage(); }

    RecordingNode* Add(SceneNode* parent, const char* name, int type = 1)
    {
        RecordingNode* node = new RecordingNode(&calls, name, type, &deaths);
        parent->AddChild(node);
        return node;
    }

    std::vector<std::string> calls;
    int deaths = 0;
};
} // namespace

TEST_F(SceneGraphTest, UpdateVisitsParentsBeforeChildrenInInsertionOrder)
{
    SceneGraph graph;
    RecordingNode* a = Add(graph.GetRoot(), "a");
    Add(a, "a1");
    Add(a, "a2");
    Add(graph.GetRoot(), "b");

    graph.GetRoot()->UpdateTree(Matrix(), 0.25f);
    EXPECT_EQ(calls, (std::vector<std::string>{"update a", "update a1", "update a2", "update b"}));
    EXPECT_FLOAT_EQ(a->lastDt, 0.25f);

    calls.clear();
    graph.GetRoot()->MoveTree(Matrix(), 0.25f);
    EXPECT_EQ(calls, (std::vector<std::string>{"move a", "move a1", "move a2", "move b"}));
}

TEST_F(SceneGraphTest, WorldMatrixIsLocalTimesParentWorldFromTheStartOfTheStep)
{
    SceneGraph graph;
    RecordingNode* parent = Add(graph.GetRoot(), "parent");
    RecordingNode* child = Add(parent, "child");
    // A quarter turn about Y: local +z goes to world +x (left-handed, row vectors).
    parent->orientation = Quaternion::FromAxisAngle(Vector3(0, 1, 0), 1.5707964f);
    parent->position = Vector3(10, 0, 0);
    child->position = Vector3(0, 0, 2);

    graph.GetRoot()->UpdateTree(Matrix(), 0.0f);
    EXPECT_TRUE(child->worldMatrix.GetTranslation() == Vector3(12, 0, 0));
    EXPECT_TRUE(child->GetMatrix().GetTranslation() == Vector3(12, 0, 0));

    // A move made inside Update reaches the matrices one traversal later.
    child->onUpdate = [](RecordingNode* node) { node->position = Vector3(0, 0, 5); };
    graph.GetRoot()->UpdateTree(Matrix(), 0.0f);
    EXPECT_TRUE(child->seenWorld.GetTranslation() == Vector3(12, 0, 0));
    child->onUpdate = nullptr;
    graph.GetRoot()->UpdateTree(Matrix(), 0.0f);
    EXPECT_TRUE(child->worldMatrix.GetTranslation() == Vector3(15, 0, 0));
}

TEST_F(SceneGraphTest, GetMatrixOfAnUnparentedNodeIsItsLocalMatrix)
{
    RecordingNode* loose = new RecordingNode(&calls, "loose");
    SmartPtr<SceneNode> hold(loose);
    loose->position = Vector3(1, 2, 3);
    loose->UpdateTree(Matrix(), 0.0f);
    Matrix offset;
    D3DXMatrixTranslation(&offset, 100, 0, 0);
    loose->worldMatrix = offset;
    EXPECT_TRUE(loose->GetMatrix().GetTranslation() == Vector3(1, 2, 3));
}

TEST_F(SceneGraphTest, KilledNodeLeavesAtTheParentsNextUpdateAndDiesAtFrameEnd)
{
    SceneGraph graph;
    RecordingNode* a = Add(graph.GetRoot(), "a");
    RecordingNode* a1 = Add(a, "a1");
    Add(graph.GetRoot(), "b");

    a->Kill();
    EXPECT_FALSE(a->IsAlive());
    EXPECT_FALSE(a1->IsAlive());
    EXPECT_EQ(a->GetParent(), nullptr);
    EXPECT_TRUE(a->GetChildren().empty());
    // Still listed (and found) until the root's next traversal.
    ASSERT_EQ(graph.GetRoot()->GetChildren().size(), 2u);
    a->id = 42;
    EXPECT_EQ(graph.GetRoot()->FindById(42), a);

    graph.GetRoot()->UpdateTree(Matrix(), 0.0f);
    EXPECT_EQ(calls, (std::vector<std::string>{"update b"}));
    ASSERT_EQ(graph.GetRoot()->GetChildren().size(), 1u);
    EXPECT_EQ(deaths, 0) << "deletion waits for the end of the frame";
    RefObject::CollectGarbage();
    EXPECT_EQ(deaths, 2);
}

TEST_F(SceneGraphTest, NodeKillingItselfInUpdateStaysUntilTheNextTraversal)
{
    SceneGraph graph;
    RecordingNode* a = Add(graph.GetRoot(), "a");
    a->onUpdate = [](RecordingNode* node) { node->Kill(); };
    graph.GetRoot()->UpdateTree(Matrix(), 0.0f);
    EXPECT_EQ(graph.GetRoot()->GetChildren().size(), 1u);
    graph.GetRoot()->UpdateTree(Matrix(), 0.0f);
    EXPECT_TRUE(graph.GetRoot()->GetChildren().empty());
    RefObject::CollectGarbage();
    EXPECT_EQ(deaths, 1);
}

TEST_F(SceneGraphTest, ChildAppendedDuringTheWalkIsVisitedInTheSameWalk)
{
    static std::vector<std::string>* s_calls;
    s_calls = &calls;
    SceneGraph graph;
    RecordingNode* a = Add(graph.GetRoot(), "a");
    a->onUpdate = [](RecordingNode* node)
    {
        node->GetParent()->AddChild(new RecordingNode(s_calls, "late"));
        node->onUpdate = nullptr;
    };
    graph.GetRoot()->UpdateTree(Matrix(), 0.0f);
    EXPECT_EQ(calls, (std::vector<std::string>{"update a", "update late"}));
}

TEST_F(SceneGraphTest, FindByIdSearchesDepthFirstAndFindsTheRoot)
{
    SceneGraph graph;
    RecordingNode* a = Add(graph.GetRoot(), "a");
    RecordingNode* a1 = Add(a, "a1");
    RecordingNode* b = Add(graph.GetRoot(), "b");
    a->id = 1;
    a1->id = 7;
    b->id = 7;
    EXPECT_EQ(graph.GetRoot()->FindById(0), graph.GetRoot());
    EXPECT_EQ(graph.GetRoot()->FindById(7), a1);
    EXPECT_EQ(graph.GetRoot()->FindById(9), nullptr);
}

TEST_F(SceneGraphTest, RayCastHitsTheGroundPlaneAsAFractionOfTheSegment)
{
    SceneGraph graph;
    SmartPtr<RayHit> hit = graph.RayCast(Vector3(1, 3, 0), Vector3(1, -1, 4));
    EXPECT_FLOAT_EQ(hit->distance, 0.75f);
    EXPECT_TRUE(hit->object == nullptr);
    EXPECT_TRUE(hit->normal == Vector3(0, 1, 0));
    EXPECT_TRUE(hit->point == Vector3(1, 0, 3));

    // Ending on the ground, starting on it and running parallel to it miss.
    hit = graph.RayCast(Vector3(0, 2, 0), Vector3(0, 0, 0));
    EXPECT_EQ(hit->distance, 9999.0f);
    hit = graph.RayCast(Vector3(0, 0, 0), Vector3(0, -2, 0));
    EXPECT_EQ(hit->distance, 9999.0f);
    hit = graph.RayCast(Vector3(0, 1, 0), Vector3(5, 1, 0));
    EXPECT_EQ(hit->distance, 9999.0f);
}

TEST_F(SceneGraphTest, RayCastAsksOnlyLevelsAndPhysicsBoxesDirectlyUnderTheRoot)
{
    SceneGraph graph;
    RecordingNode* level = Add(graph.GetRoot(), "level", 4);
    RecordingNode* box = Add(graph.GetRoot(), "box", 17);
    RecordingNode* model = Add(graph.GetRoot(), "model", 1);
    RecordingNode* deepBox = Add(model, "deep", 17);
    level->rayDistance = 0.6f;
    box->rayDistance = 0.3f;
    model->rayDistance = 0.1f;
    deepBox->rayDistance = 0.1f;

    SmartPtr<RayHit> hit = graph.RayCast(Vector3(0, 4, 0), Vector3(0, -4, 0));
    EXPECT_EQ(calls, (std::vector<std::string>{"ray level", "ray box"}));
    EXPECT_FLOAT_EQ(hit->distance, 0.3f);
    EXPECT_TRUE(hit->object == box);
}

TEST_F(SceneGraphTest, RayCastAgainstAWallKeepsTheNearestHit)
{
    SceneGraph graph;
    WallNode* wall = new WallNode();
    // Square in the plane x = 2 facing -x, from y 0..4 and z -2..2.
    wall->AddQuad(Vector3(2, 0, -2), Vector3(0, 0, 4), Vector3(0, 4, 0));
    graph.GetRoot()->AddChild(wall);

    SmartPtr<RayHit> hit = graph.RayCast(Vector3(0, 1, 0), Vector3(4, 1, 0));
    EXPECT_FLOAT_EQ(hit->distance, 0.5f);
    EXPECT_TRUE(hit->normal == Vector3(-1, 0, 0));
    EXPECT_TRUE(hit->point == Vector3(2, 1, 0));

    // The ground is nearer than the wall along this segment.
    hit = graph.RayCast(Vector3(0, 1, 0), Vector3(4, -1, 0));
    EXPECT_FLOAT_EQ(hit->distance, 0.5f);
    EXPECT_TRUE(hit->normal == Vector3(0, 1, 0));
    // The wall only faces one way.
    hit = graph.RayCast(Vector3(4, 1, 0), Vector3(0, 1, 0));
    EXPECT_EQ(hit->distance, 9999.0f);
}

TEST_F(SceneGraphTest, SweepStopsAtLevelsOnlyAndNotAtTheGround)
{
    SceneGraph graph;
    SmartPtr<RayHit> hit = graph.Sweep(Vector3(0, 2, 0), Vector3(0, -2, 0), Vector3(1, 1, 1));
    EXPECT_EQ(hit->distance, 9999.0f);

    WallNode* wall = new WallNode();
    wall->AddQuad(Vector3(4, -10, -10), Vector3(0, 0, 20), Vector3(0, 20, 0));
    RecordingNode* holder = Add(graph.GetRoot(), "holder");
    WallNode* deepWall = new WallNode();
    deepWall->AddQuad(Vector3(2, -10, -10), Vector3(0, 0, 20), Vector3(0, 20, 0));
    holder->AddChild(deepWall);
    graph.GetRoot()->AddChild(wall);

    // A sphere of radius 1 from x 0 to x 8 touches the plane x = 4 at x 3.
    hit = graph.Sweep(Vector3(0, 0, 0), Vector3(8, 0, 0), Vector3(1, 1, 1));
    EXPECT_FLOAT_EQ(hit->distance, 0.375f);
    EXPECT_TRUE(hit->normal == Vector3(-1, 0, 0));
    EXPECT_TRUE(hit->point == Vector3(4, 0, 0));
}

TEST_F(SceneGraphTest, IsSegmentBlockedAsksLevelsUnderTheRootInOrder)
{
    SceneGraph graph;
    RecordingNode* first = Add(graph.GetRoot(), "first", 4);
    RecordingNode* box = Add(graph.GetRoot(), "box", 17);
    RecordingNode* second = Add(graph.GetRoot(), "second", 4);
    RecordingNode* third = Add(graph.GetRoot(), "third", 4);
    box->blocks = true;
    EXPECT_FALSE(graph.IsSegmentBlocked(Vector3(), Vector3(1, 1, 1)));
    second->blocks = true;
    calls.clear();
    EXPECT_TRUE(graph.IsSegmentBlocked(Vector3(), Vector3(1, 1, 1)));
    EXPECT_EQ(calls, (std::vector<std::string>{"intersects first", "intersects second"}));
    (void)third;
    (void)first;
}

TEST_F(SceneGraphTest, IdsAreRecycledLatestFirst)
{
    SceneGraph graph;
    EXPECT_EQ(graph.AllocateId(), 0);
    EXPECT_EQ(graph.AllocateId(), 1);
    EXPECT_EQ(graph.AllocateId(), 2);
    graph.ReleaseId(0);
    graph.ReleaseId(2);
    EXPECT_EQ(graph.AllocateId(), 2);
    EXPECT_EQ(graph.AllocateId(), 0);
    EXPECT_EQ(graph.AllocateId(), 3);
}

TEST_F(SceneGraphTest, StateMessagesCarryTheNodeBlockThenTheClassFields)
{
    SmartPtr<Camera> camera = new Camera();
    camera->id = 5;
    camera->position = Vector3(1, 2, 3);
    camera->velocity = Vector3(4, 5, 6);
    camera->orientation = Quaternion(0, 1, 0, 0);
    camera->extra = Vector3(7, 8, 9);
    camera->aspect = 2.0f;
    camera->fov = 0.5f;
    camera->zoom = 3.0f;
    SmartPtr<Message> message = camera->CreateStateMessage();
    EXPECT_EQ(message->type, 3u);
    EXPECT_EQ(message->GetLength(), 4u + 12 + 12 + 16 + 12 + 12);
    EXPECT_EQ(message->ReadInt(), 5u);

    SmartPtr<Camera> copy = new Camera();
    copy->ApplyState(*message);
    EXPECT_TRUE(copy->position == Vector3(1, 2, 3));
    EXPECT_TRUE(copy->velocity == Vector3(4, 5, 6));
    EXPECT_EQ(copy->orientation.y, 1.0f);
    EXPECT_TRUE(copy->extra == Vector3(7, 8, 9));
    EXPECT_EQ(copy->zoom, 3.0f);
    EXPECT_FALSE(message->HasOverrun());

    SmartPtr<Message> rootMessage = SceneGraph().GetRoot()->CreateStateMessage();
    EXPECT_EQ(rootMessage->GetLength(), 0u);
}

TEST_F(SceneGraphTest, RenderVisitsEveryListedNodeInOrderDeadOrAlive)
{
    ASSERT_TRUE(VideoTestSupport::Start());
    SceneGraph graph;
    RecordingNode* a = Add(graph.GetRoot(), "a");
    Add(a, "a1");
    RecordingNode* b = Add(graph.GetRoot(), "b");
    // b kills itself in its update: alive when tested, so it stays listed and
    // is drawn in this frame.
    b->onUpdate = [](RecordingNode* node) { node->Kill(); };
    graph.GetRoot()->UpdateTree(Matrix(), 0.0f);
    calls.clear();
    graph.Render(VideoTestSupport::Device());
    EXPECT_EQ(calls, (std::vector<std::string>{"render a", "render a1", "render b"}));

    graph.GetRoot()->UpdateTree(Matrix(), 0.0f);
    calls.clear();
    graph.Render(VideoTestSupport::Device());
    EXPECT_EQ(calls, (std::vector<std::string>{"render a", "render a1"}));
}
