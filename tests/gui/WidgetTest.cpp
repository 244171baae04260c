// The widget tree as the GUI manager drives it: the click's hit test and focus,
// bring-to-front along the chain, the broadcasts, the event pass and its
// default handling, refused cycles, characters and the cursor's clamp.
#include "gui/GuiTestSupport.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <map>

namespace
{
typedef std::vector<std::string> Names;

// root (0, 0, 800 by 600) holds A (100, 100, 200 by 100) and, added later and
// so in front, B (250, 150, 100 by 100), which overlaps A's right part. A holds
// A1 (10, 10, 20 by 20), on the screen from 110 to 130.
class WidgetTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        root = keeper.Make("root", 0, 0, 800, 600);
        a = keeper.Make("A", 100, 100, 200, 100);
        b = keeper.Make("B", 250, 150, 100, 100);
        a1 = keeper.Make("A1", 10, 10, 20, 20);
        root->AddChild(a);
        root->AddChild(b);
        a->AddChild(a1);
        gui.SetRoot(root);
        gui.SetCursorBounds(-1000, -1000, 2000, 2000);
    }

    void ClickAt(int x, int y)
    {
        MoveCursorTo(x, y);
        gui.OnLeftDown();
    }

    // Every queued event of the tree as "<receiver> <sender>", all of them
    // BringToFront.
    Names QueuedBringToFront()
    {
        Names queued;
        for (RecordingWidget* widget : {root, a, b, a1})
        {
            for (const SmartPtr<GuiEvent>& event : widget->events)
            {
                EXPECT_EQ(event->type, BringToFront);
                queued.push_back(widget->name + " " +
                                 static_cast<RecordingWidget*>(event->sender.Get())->name);
            }
        }
        return queued;
    }

    WidgetKeeper keeper;
    GuiManager& gui = GuiManager::Instance();
    RecordingWidget* root;
    RecordingWidget* a;
    RecordingWidget* b;
    RecordingWidget* a1;
};
} // namespace

TEST_F(WidgetTest, AClickGoesToTheFrontmostWidgetContainingItWhichTakesTheFocus)
{
    struct Case
    {
        int x, y;
        std::string widget;
        std::string local;
        Names bringToFront;
    } cases[] = {
        // A and B both contain it: B is in front.
        {260, 160, "B", "10,10", {"root B"}},
        // Down the chain: every widget on it is told to raise its child.
        {120, 120, "A1", "10,10", {"root A", "A A1"}},
        // Near and far edges count as inside, one beyond does not.
        {110, 110, "A1", "0,0", {"root A", "A A1"}},
        {130, 130, "A1", "20,20", {"root A", "A A1"}},
        {131, 130, "A", "31,30", {"root A"}},
        {350, 250, "B", "100,100", {"root B"}},
        {351, 250, "root", "351,250", {}},
        // The root is not tested against its own rectangle.
        {1500, -500, "root", "1500,-500", {}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message() << "click at " << c.x << "," << c.y);
        for (RecordingWidget* widget : {root, a, b, a1})
            widget->events.clear();
        keeper.calls.clear();
        ClickAt(c.x, c.y);
        EXPECT_EQ(keeper.Calls("leftdown"), Names{c.widget + " leftdown " + c.local});
        ASSERT_TRUE(gui.GetFocus());
        EXPECT_EQ(static_cast<RecordingWidget*>(gui.GetFocus())->name, c.widget);
        EXPECT_EQ(QueuedBringToFront(), c.bringToFront);
    }
}

TEST_F(WidgetTest, OneEventPassBringsTheWholeChainToTheFrontAndTheTreeDrawsInTheNewOrder)
{
    RecordingWidget* a2 = keeper.Make("A2", 40, 40, 20, 20);
    a->AddChild(a2);
    ClickAt(120, 120);
    gui.Update();
    // Children first: A raises A1, then root raises A.
    EXPECT_EQ(keeper.Calls("event"), (Names{"A event 1 A1", "root event 1 A"}));
    EXPECT_EQ(ChildNames(root), (Names{"A", "B"}));
    EXPECT_EQ(ChildNames(a), (Names{"A1", "A2"}));

    // The queues are empty: a second pass handles nothing.
    keeper.calls.clear();
    gui.Update();
    EXPECT_TRUE(keeper.Calls("event").empty());

    // A parent before its children, each list from the back to the front.
    root->DrawTree(nullptr, 0, 0);
    EXPECT_EQ(keeper.Calls("draw"), (Names{"root draw 0,0", "B draw 250,150", "A draw 100,100",
                                           "A2 draw 140,140", "A1 draw 110,110"}));
}

TEST_F(WidgetTest, EventsAreHandledOnceAndAParentHandlesWhatItsChildrenPostInTheSamePass)
{
    a1->forward = true;
    a->forward = true;
    SmartPtr<GuiEvent> event(new GuiEvent(EditEnter, a1, 0));
    a1->PostEvent(event.Get());
    EXPECT_EQ(event->GetRefCount(), 2);
    gui.Update();
    EXPECT_EQ(keeper.Calls("event"), (Names{"A1 event 3 A1", "A event 3 A1", "root event 3 A1"}));
    // The queue let go of the event once it was handled.
    EXPECT_EQ(event->GetRefCount(), 1);
    keeper.calls.clear();
    gui.Update();
    EXPECT_TRUE(keeper.Calls("event").empty());

    // What a widget posts to itself while handling its own events waits for
    // the next pass.
    root->repostToSelf = true;
    root->PostEvent(new GuiEvent(ButtonClicked, b, 0));
    for (size_t expected : {1u, 2u, 2u})
    {
        gui.Update();
        EXPECT_EQ(keeper.Calls("root event 0 B").size(), expected);
    }
}

TEST_F(WidgetTest, DefaultHandlingRaisesAndClosesOnlyChildren)
{
    std::map<std::string, Widget*> widgets = {{"root", root}, {"A", a}, {"A1", a1}};
    struct Case
    {
        const char* what;
        std::vector<std::pair<int, std::string>> posted;
        Names children;
    } cases[] = {
        {"close a child", {{CloseWidget, "A"}}, {"B"}},
        {"close a grandchild", {{CloseWidget, "A1"}}, {"B", "A"}},
        {"other types", {{ButtonClicked, "A"}, {EditEnter, "A"}, {WindowResized, "A"}}, {"B", "A"}},
        {"raise, then close", {{BringToFront, "A"}, {CloseWidget, "A"}}, {"B"}},
        // A widget closed earlier in the pass is not brought back.
        {"close, then raise", {{CloseWidget, "A"}, {BringToFront, "A"}}, {"B"}},
        // Raising what is no child would put it in the list, or the widget
        // inside itself.
        {"raise itself", {{BringToFront, "root"}}, {"B", "A"}},
        {"raise a grandchild", {{BringToFront, "A1"}}, {"B", "A"}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        root->children.clear();
        root->AddChild(a);
        root->AddChild(b);
        for (const auto& posted : c.posted)
            root->PostEvent(new GuiEvent(posted.first, widgets[posted.second], 0));
        gui.Update();
        EXPECT_EQ(ChildNames(root), c.children);
        // A closed widget keeps its parent reference.
        EXPECT_EQ(a->parent, root);
        EXPECT_TRUE(root->events.empty());
    }
}

TEST_F(WidgetTest, AddChildRefusesATreeThatWouldHoldItselfAndKeepsAChildsPlace)
{
    RecordingWidget* a2 = keeper.Make("A2", 40, 40, 20, 20);
    a->AddChild(a2);
    LogCapture log;
    struct Case
    {
        RecordingWidget* parent;
        RecordingWidget* child;
        bool refused;
    } cases[] = {
        {root, root, true},
        {a1, root, true},
        {a1, a, true},
        {a2, a, true},
        // Already a child: no change, and no complaint.
        {a, a1, false},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.parent->name + " adds " + c.child->name);
        log.Clear();
        c.parent->AddChild(c.child);
        EXPECT_EQ(ChildNames(root), (Names{"B", "A"}));
        EXPECT_EQ(ChildNames(a), (Names{"A2", "A1"}));
        EXPECT_TRUE(a1->children.empty());
        EXPECT_TRUE(a2->children.empty());
        EXPECT_EQ(log.Lines().size(), c.refused ? 1u : 0u);
        EXPECT_EQ(log.Contains("Widget::AddChild - refused"), c.refused);
        EXPECT_EQ(c.child->parent, c.child == root ? nullptr : (c.child == a1 ? a : root));
    }
}

TEST_F(WidgetTest, ButtonReleasesAndMovesReachEveryWidgetInItsOwnCoordinates)
{
    MoveCursorTo(120, 120);
    gui.SetFocus(nullptr);
    std::pair<std::string, std::function<void()>> broadcasts[] = {
        {"move", [this] { gui.OnMouseMove(0, 0); }},
        {"leftup", [this] { gui.OnLeftUp(); }},
        {"rightdown", [this] { gui.OnRightDown(); }},
        {"rightup", [this] { gui.OnRightUp(); }},
    };
    for (const auto& broadcast : broadcasts)
    {
        SCOPED_TRACE(broadcast.first);
        keeper.calls.clear();
        broadcast.second();
        const std::string& what = broadcast.first;
        EXPECT_EQ(keeper.calls, (Names{"root " + what + " 120,120", "B " + what + " -130,-30",
                                       "A " + what + " 20,20", "A1 " + what + " 10,10"}));
        EXPECT_FALSE(gui.GetFocus());
        EXPECT_TRUE(QueuedBringToFront().empty());
    }
}

TEST_F(WidgetTest, CharactersReachOnlyTheFocusWidgetEvenAfterItLeavesTheTree)
{
    gui.OnChar('a');
    EXPECT_TRUE(keeper.Calls("char").empty());

    ClickAt(120, 120);
    gui.OnChar('x');
    EXPECT_EQ(keeper.Calls("char"), Names{"A1 char x"});

    a->RemoveChild(a1);
    EXPECT_FALSE(a1->parent);
    gui.OnChar('y');
    EXPECT_EQ(keeper.Calls("char"), (Names{"A1 char x", "A1 char y"}));

    ClickAt(500, 500);
    gui.OnChar('z');
    EXPECT_EQ(keeper.Calls("char").back(), "root char z");
    EXPECT_EQ(keeper.Calls("char").size(), 3u);
}

TEST(GuiManagerTest, TheCursorStaysInsideItsBoundsWhateverTheMovement)
{
    WidgetKeeper keeper;
    GuiManager& gui = GuiManager::Instance();
    struct Step
    {
        // Bounds to set before the movement, if any.
        std::vector<int> bounds;
        int dx, dy;
        int x, y;
    } steps[] = {
        // Before any bounds the rectangle is (0, 0)-(0, 0).
        {{}, 50, 70, 0, 0},
        {{}, INT_MAX, INT_MIN, 0, 0},
        // New bounds take hold at the next movement.
        {{10, 10, 20, 20}, 0, 0, 10, 10},
        {{0, 0, 800, 600}, INT_MAX, INT_MAX, 800, 600},
        {{}, 1, 1, 800, 600},
        {{}, -1, -1, 799, 599},
        {{}, INT_MIN, INT_MIN, 0, 0},
        {{}, 5, 7, 5, 7},
    };
    for (const Step& step : steps)
    {
        if (!step.bounds.empty())
        {
            gui.SetCursorBounds(step.bounds[0], step.bounds[1], step.bounds[2], step.bounds[3]);
            EXPECT_EQ(gui.maxX, step.bounds[2]);
        }
        gui.OnMouseMove(step.dx, step.dy);
        EXPECT_EQ(gui.cursorX, step.x) << step.dx << "," << step.dy;
        EXPECT_EQ(gui.cursorY, step.y) << step.dx << "," << step.dy;
    }

    // Without a root the buttons, characters and the event pass do nothing.
    gui.OnLeftDown();
    gui.OnLeftUp();
    gui.OnRightDown();
    gui.OnRightUp();
    gui.OnChar('x');
    gui.Update();
    EXPECT_FALSE(gui.GetFocus());
}
