// Frames of the main scene graph for the tests of nodes that add nodes of their
// own (particle systems, smoke emitters, shells): a fixed clock, one update
// traversal per frame, and a main root emptied after each test.
#pragma once

#include "core/RefObject.h"
#include "core/Timer.h"
#include "platform/TestHooks.h"
#include "scene/SceneGraph.h"

#include <gtest/gtest.h>

#include <vector>

// Empties the main graph's root and deletes what it held.
inline void ClearMainGraph()
{
    SceneNode* root = MainSceneGraph.GetRoot();
    while (!root->GetChildren().empty())
        root->RemoveChild(root->GetChildren().front().Get());
    RefObject::CollectGarbage();
}

// The clock reads `milliseconds`, the Timer takes its tick reading, and the main
// graph runs one update traversal with frame time dt.
inline void RunFrame(DWORD milliseconds, float dt)
{
    TestSetClock(milliseconds);
    Timer::Instance()->Update();
    MainSceneGraph.GetRoot()->UpdateTree(Matrix(), dt);
}

// The main root's children of one node class, in list order.
template <class T> std::vector<T*> RootNodesOf(int type)
{
    std::vector<T*> nodes;
    for (const SmartPtr<SceneNode>& child : MainSceneGraph.GetRoot()->GetChildren())
        if (child->GetType() == type)
            nodes.push_back(static_cast<T*>(child.Get()));
    return nodes;
}

inline bool RootHolds(const SceneNode* node)
{
    for (const SmartPtr<SceneNode>& child : MainSceneGraph.GetRoot()->GetChildren())
        if (child.Get() == node)
            return true;
    return false;
}

class SceneFrameTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ClearMainGraph();
        TestSetClock(1000);
        Timer::Instance()->Update();
    }
    void TearDown() override
    {
        ClearMainGraph();
        Timer::Instance()->SetTimeScale(1.0f);
        TestUseRealClock();
    }
};
