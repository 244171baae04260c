// The widget tree as the GUI manager drives it: hit test and focus, the chain
// raised in one event pass, broadcasts, default event handling, refused
// cycles, characters and the cursor's clamp.
#include "gui/GuiTestSupport.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <climits>

namespace
{
typedef std::vector<std::string> Names;

// root (800 by 600) holds A (100, 100, 200 by 100) and, in front, B (250, 150,
// 100 by 100) over A's right part; A holds A1 (10, 10, 20 by 20).
class WidgetTest : public GuiTreeTest
{
protected:
    void SetUp() override
    {
        GuiTreeTest::SetUp();
        a = keeper.Make("A", 100, 100, 200, 100);
        b = keeper.Make("B", 250, 150, 100, 100);
        a1 = keeper.Make("A1", 10, 10, 20, 20);
        root->AddChild(a);
        root->AddChild(b);
        a->AddChild(a1);
    }

    RecordingWidget *a, *b, *a1;
};
} // namespace

TEST_F(WidgetTest, AClickGoesToTheFrontmostWidgetContainingItWhichTakesTheFocus)
{
    struct Case
    {
        int x, y;
        std::string widget, local;
        // The BringToFront events queued, as "<receiver> <sender>".
        Names raised;
    } cases[] = {
        {260, 160, "B", "10,10", {"root B"}}, // A and B contain it: B is in front
        {110, 110, "A1", "0,0", {"root A", "A A1"}},
        {130, 130, "A1", "20,20", {"root A", "A A1"}}, // the far edges are inside
        {131, 130, "A", "31,30", {"root A"}},
        {351, 250, "root", "351,250", {}},
        {1500, -500, "root", "1500,-500", {}}, // the root's rectangle is not tested
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.x << "," << c.y);
        for (RecordingWidget* widget : {root, a, b, a1})
            widget->events.clear();
        keeper.calls.clear();
        ClickAt(c.x, c.y);
        EXPECT_EQ(keeper.Calls("leftdown"), Names{c.widget + " leftdown " + c.local});
        EXPECT_EQ(NameOf(gui.GetFocus()), c.widget);
        Names raised;
        for (RecordingWidget* widget : {root, a, b, a1})
            for (const SmartPtr<GuiEvent>& event : widget->events)
                raised.push_back(widget->name + (event->type == BringToFront ? " " : " ? ") +
                                 NameOf(event->sender.Get()));
        EXPECT_EQ(raised, c.raised);
    }
}

TEST_F(WidgetTest, OneEventPassRaisesTheWholeChain)
{
    a->AddChild(keeper.Make("A2", 40, 40, 20, 20));
    ClickAt(120, 120);
    gui.Update();
    EXPECT_EQ(keeper.Calls("event"), (Names{"A event 1 A1", "root event 1 A"}));
    EXPECT_EQ(ChildNames(root), (Names{"A", "B"}));
    EXPECT_EQ(ChildNames(a), (Names{"A1", "A2"}));
}

TEST_F(WidgetTest, AnEventIsHandledOnceAndWhatAChildPostsToItsParentInTheSamePass)
{
    EXPECT_EQ(
        std::vector<int>({ButtonClicked, BringToFront, CloseWidget, EditEnter, WindowResized}),
        std::vector<int>({0, 1, 2, 3, 4}));
    a1->forward = a->forward = true;
    SmartPtr<GuiEvent> event(new GuiEvent(EditEnter, a1, 0));
    a1->PostEvent(event.Get());
    gui.Update();
    EXPECT_EQ(keeper.Calls("event"), (Names{"A1 event 3 A1", "A event 3 A1", "root event 3 A1"}));
    EXPECT_EQ(event->GetRefCount(), 1); // the queue let go of it
    gui.Update();
    EXPECT_EQ(keeper.Calls("event").size(), 3u);
}

TEST_F(WidgetTest, DefaultHandlingRaisesAndClosesOnlyChildren)
{
    struct Case
    {
        std::vector<std::pair<int, Widget*>> posted;
        Names children;
    } cases[] = {
        {{{CloseWidget, a}}, {"B"}},
        {{{CloseWidget, a1}}, {"B", "A"}},
        {{{ButtonClicked, a}, {EditEnter, a}, {WindowResized, a}}, {"B", "A"}},
        {{{BringToFront, a}, {CloseWidget, a}}, {"B"}},
        // Neither a widget closed earlier in the pass nor one that is no child
        // (the root itself) is put into the list.
        {{{CloseWidget, a}, {BringToFront, a}}, {"B"}},
        {{{BringToFront, root}}, {"B", "A"}},
    };
    for (const Case& c : cases)
    {
        root->children.clear();
        root->AddChild(a);
        root->AddChild(b);
        a->AddChild(a1);
        for (const auto& posted : c.posted)
            root->PostEvent(new GuiEvent(posted.first, posted.second, 0));
        gui.Update();
        EXPECT_EQ(ChildNames(root), c.children);
        // A closed widget lets go of its parent and of its own children.
        bool closed = c.children.size() == 1;
        EXPECT_EQ(a->parent, closed ? nullptr : root);
        EXPECT_EQ(a1->parent, closed ? nullptr : a);
        EXPECT_EQ(a->children.size(), closed ? 0u : 1u);
    }
}

TEST_F(WidgetTest, AddChildRefusesATreeThatWouldHoldItselfAndKeepsAChildsPlace)
{
    a->AddChild(keeper.Make("A2", 40, 40, 20, 20));
    LogCapture log;
    struct Case
    {
        Widget* parent;
        Widget* child;
        bool refused;
    } cases[] = {{root, root, true}, {a1, root, true}, {a1, a, true}, {a, a1, false}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(NameOf(c.parent) + " adds " + NameOf(c.child));
        log.Clear();
        c.parent->AddChild(c.child);
        EXPECT_EQ(ChildNames(root), (Names{"B", "A"}));
        EXPECT_EQ(ChildNames(a), (Names{"A2", "A1"}));
        EXPECT_TRUE(a1->children.empty());
        EXPECT_EQ(log.Lines().size(), c.refused ? 1u : 0u);
        EXPECT_EQ(log.Contains("Widget::AddChild - refused"), c.refused);
    }
}

TEST_F(WidgetTest, ReleasesRightPressesAndMovesReachEveryWidgetInItsOwnCoordinates)
{
    MoveCursorTo(120, 120);
    const std::pair<std::string, void (*)()> broadcasts[] = {
        {"move", [] { GuiManager::Instance().OnMouseMove(0, 0); }},
        {"leftup", [] { GuiManager::Instance().OnLeftUp(); }},
        {"rightdown", [] { GuiManager::Instance().OnRightDown(); }},
        {"rightup", [] { GuiManager::Instance().OnRightUp(); }}};
    for (const auto& broadcast : broadcasts)
    {
        keeper.calls.clear();
        broadcast.second();
        const std::string& w = broadcast.first;
        EXPECT_EQ(keeper.calls, (Names{"root " + w + " 120,120", "B " + w + " -130,-30",
                                       "A " + w + " 20,20", "A1 " + w + " 10,10"}));
        EXPECT_FALSE(gui.GetFocus());
        EXPECT_TRUE(root->events.empty());
    }
}

TEST_F(WidgetTest, CharactersReachOnlyTheFocusWidgetEvenAfterItLeavesTheTree)
{
    gui.OnChar('a');
    ClickAt(120, 120);
    gui.OnChar('x');
    a->RemoveChild(a1);
    EXPECT_FALSE(a1->parent);
    gui.OnChar('y');
    ClickAt(500, 500);
    gui.OnChar('z');
    EXPECT_EQ(keeper.Calls("char"), (Names{"A1 char x", "A1 char y", "root char z"}));
}

TEST(GuiManagerTest, TheCursorStaysInsideItsBoundsWhateverTheMovement)
{
    WidgetKeeper keeper;
    GuiManager& gui = GuiManager::Instance();
    struct Step
    {
        std::vector<int> bounds; // set before the movement when given
        int dx, dy, x, y;
    } steps[] = {
        {{}, 50, 70, 0, 0}, // before any bounds: (0, 0)-(0, 0)
        {{}, INT_MAX, INT_MIN, 0, 0},
        {{10, 10, 20, 20}, 0, 0, 10, 10}, // bounds take hold at the next movement
        {{0, 0, 800, 600}, INT_MAX, INT_MAX, 800, 600},
        {{}, -1, -1, 799, 599},
        {{}, INT_MIN, INT_MIN, 0, 0},
        {{30, 30, 20, 20}, -5, 50, 20, 20}, // the wrong way round: low first, then high
    };
    for (const Step& step : steps)
    {
        if (!step.bounds.empty())
            gui.SetCursorBounds(step.bounds[0], step.bounds[1], step.bounds[2], step.bounds[3]);
        gui.OnMouseMove(step.dx, step.dy);
        EXPECT_EQ(gui.cursorX, step.x) << step.dx;
        EXPECT_EQ(gui.cursorY, step.y) << step.dy;
    }
    // Without a root the buttons and the event pass do nothing.
    gui.OnLeftDown();
    gui.OnLeftUp();
    gui.OnRightDown();
    gui.Update();
    EXPECT_FALSE(gui.GetFocus());
}
