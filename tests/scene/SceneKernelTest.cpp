#include "core/Kernel.h"
#include "core/RefObject.h"
#include "scene/SceneGraph.h"
#include "scene/TestNodes.h"

#include <gtest/gtest.h>

// The Kernel's frame updates the main graph, then moves the secondary graph,
// and deletes what died in the frame at its end.
TEST(SceneKernelTest, FrameUpdatesMainThenMovesSecondaryThenCollects)
{
    RefObject::CollectGarbage();
    std::vector<std::string> calls;
    int deaths = 0;
    RecordingNode* main = new RecordingNode(&calls, "main", 1, &deaths);
    RecordingNode* secondary = new RecordingNode(&calls, "secondary", 1, &deaths);
    RecordingNode* doomed = new RecordingNode(&calls, "doomed", 1, &deaths);
    MainSceneGraph.GetRoot()->AddChild(main);
    MainSceneGraph.GetRoot()->AddChild(doomed);
    SecondarySceneGraph.GetRoot()->AddChild(secondary);
    doomed->Kill();

    Kernel::GetInstance()->Update();
    EXPECT_EQ(calls, (std::vector<std::string>{"update main", "move secondary"}));
    EXPECT_EQ(deaths, 1) << "the killed node is deleted at the end of the same frame";

    MainSceneGraph.GetRoot()->RemoveChild(main);
    SecondarySceneGraph.GetRoot()->RemoveChild(secondary);
    RefObject::CollectGarbage();
    EXPECT_EQ(deaths, 3);
}
