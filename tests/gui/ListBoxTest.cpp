// Scroll bars and list boxes as the GUI manager drives them: the arrows at
// their limits, the parts a press and a hover find, the bounds of the maximum
// and the position, and rows selected by a press and by a drag.
#include "gui/ListBox.h"
#include "gui/GuiTestSupport.h"
#include "gui/ScrollBar.h"

#include <gtest/gtest.h>

namespace
{
struct States
{
    int first, second, thumb;
    bool operator==(const States& o) const
    {
        return first == o.first && second == o.second && thumb == o.thumb;
    }
};

States StatesOf(const ScrollBar& bar)
{
    return {bar.firstArrowState, bar.secondArrowState, bar.thumbState};
}
} // namespace

TEST(ScrollBarTest, ArrowsStepWithinTheirLimitsAndEachPartFindsItsZone)
{
    SmartPtr<ScrollBar> bar(new ScrollBar(0, 0, 99, 100, false, 100, nullptr));
    EXPECT_EQ(bar->width, 16);
    EXPECT_EQ(bar->height, 100);
    // 'd' a press, 'm' a hover, at local (8, y), from the position given; the
    // thumb of height 100 lies from 16 + pos * 52 / 100.
    struct Case
    {
        char what;
        int pos, y;
        int posAfter;
        States states;
    } cases[] = {
        {'d', 0, 0, 0, {2, 0, 0}},     {'d', 0, 16, 0, {2, 0, 0}},
        {'d', 5, 16, 4, {2, 0, 0}},    {'d', 100, 100, 100, {0, 2, 0}},
        {'d', 99, 84, 100, {0, 2, 0}}, {'d', 50, 42, 50, {0, 0, 2}},
        {'d', 50, 83, 50, {0, 0, 2}},  {'d', 50, 41, 50, {0, 0, 0}},
        {'d', 50, 101, 50, {0, 0, 0}}, {'m', 50, 15, 50, {1, 0, 0}},
        {'m', 50, 16, 50, {0, 0, 0}},  {'m', 50, 57, 50, {0, 0, 1}},
        {'m', 50, 58, 50, {0, 0, 0}},  {'m', 50, 84, 50, {0, 1, 0}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.what << " pos " << c.pos << " y " << c.y);
        bar->OnLeftUp(0, 0);
        bar->SetPos(c.pos);
        if (c.what == 'd')
            bar->OnLeftDown(8, c.y);
        else
            bar->OnMouseMove(8, c.y);
        EXPECT_EQ(bar->GetPos(), c.posAfter);
        EXPECT_TRUE(StatesOf(*bar) == c.states);
    }
    // A pressed part stays pressed over its own zone and the rest of the
    // track, and is cleared by another zone or by leaving the bar.
    bar->OnLeftUp(0, 0);
    bar->OnLeftDown(8, 50);
    bar->OnMouseMove(8, 30);
    EXPECT_TRUE(StatesOf(*bar) == (States{0, 0, 2}));
    bar->OnMouseMove(17, 50);
    EXPECT_TRUE(StatesOf(*bar) == (States{0, 0, 0}));
}

TEST(ScrollBarTest, TheMaximumStaysAtLeastOneAndThePositionWithinIt)
{
    SmartPtr<ScrollBar> bar(new ScrollBar(0, 0, 16, 100, false, 0, nullptr));
    EXPECT_EQ(bar->GetMax(), 1);
    struct Step
    {
        char what;
        int value, max, pos;
    } steps[] = {{'p', 1, 1, 1},  {'m', 10, 10, 1}, {'p', 11, 10, 10}, {'p', -3, 10, 0},
                 {'p', 7, 10, 7}, {'m', 4, 4, 4},   {'m', 0, 1, 1},    {'m', -5, 1, 1}};
    for (const Step& step : steps)
    {
        if (step.what == 'm')
            bar->SetMax(step.value);
        else
            bar->SetPos(step.value);
        EXPECT_EQ(bar->GetMax(), step.max) << step.what << step.value;
        EXPECT_EQ(bar->GetPos(), step.pos) << step.what << step.value;
    }
    // A horizontal bar is 16 high, records presses at its ends and never steps.
    SmartPtr<ScrollBar> across(new ScrollBar(0, 0, 100, 50, true, 10, nullptr));
    EXPECT_EQ(across->width, 100);
    EXPECT_EQ(across->height, 16);
    across->OnLeftDown(3, 3);
    EXPECT_TRUE(StatesOf(*across) == (States{0, 2, 0}));
    across->OnLeftDown(97, 3);
    EXPECT_EQ(across->firstArrowState, 2);
    EXPECT_EQ(across->GetPos(), 0);
}

namespace
{
// A 100 by 50 list box at (200, 100) with items "0" to "5" under a root.
class ListBoxTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        root = keeper.Make("root", 0, 0, 800, 600);
        list = keeper.Keep(new ListBox(200, 100, 100, 50, nullptr));
        for (int i = 0; i < 6; ++i)
        {
            items.push_back(new ListItem(std::to_string(i).c_str()));
            list->AddItem(items.back().Get());
        }
        root->AddChild(list);
        gui.SetRoot(root);
        gui.SetCursorBounds(0, 0, 800, 600);
    }
    // The selected item's text, "-" for none.
    std::string Selected() const { return list->selected ? list->selected->text : "-"; }

    WidgetKeeper keeper;
    GuiManager& gui = GuiManager::Instance();
    RecordingWidget* root;
    ListBox* list;
    std::vector<SmartPtr<ListItem>> items;
};
} // namespace

TEST_F(ListBoxTest, APressOrADragSelectsTheRowUnderTheCursor)
{
    ScrollBar* bar = list->scrollBar.Get();
    EXPECT_EQ(bar->x, 84);
    EXPECT_EQ(bar->height, 50);
    EXPECT_EQ(bar->GetMax(), 100);
    EXPECT_EQ(list->children.front(), bar);
    // Steps: a move to the local point, then 'd' press, 'u' release or 'm'.
    struct Step
    {
        char what;
        int lx, ly;
        std::string selected;
    } steps[] = {
        {'d', 10, 44, "4"}, {'u', 10, 44, "4"}, {'d', 10, 13, "4"}, // between rows: kept
        {'u', 10, 13, "4"}, {'d', 3, 4, "4"},   {'u', 3, 4, "4"},   // in the margin
        {'d', 50, 4, "0"},  {'m', 60, 14, "1"}, {'m', 60, 30, "2"}, // a drag
        {'m', 60, 60, "2"}, {'u', 60, 60, "2"}, {'m', 10, 44, "2"}, // released: no more
        {'d', 90, 24, "2"}, {'m', 86, 20, "2"},                     // on the bar, in front
    };
    for (const Step& step : steps)
    {
        MoveCursorTo(200 + step.lx, 100 + step.ly);
        if (step.what == 'd')
            gui.OnLeftDown();
        else if (step.what == 'u')
            gui.OnLeftUp();
        EXPECT_EQ(Selected(), step.selected) << step.what << " " << step.lx << "," << step.ly;
    }
    EXPECT_EQ(bar->GetPos(), 0);
    EXPECT_EQ(bar->thumbState, 2);
    gui.Update(); // the list drops the bar's BringToFront
    EXPECT_EQ(list->children.front(), bar);
}

TEST_F(ListBoxTest, RemovingItemsKeepsTheSelectionAndTheRowsStartAtTheNewFirst)
{
    MoveCursorTo(210, 104);
    gui.OnLeftDown();
    gui.OnLeftUp();
    ASSERT_EQ(Selected(), "0");
    list->AddItem(nullptr);
    list->AddItem(items[2].Get()); // twice in the list now
    list->RemoveItem(items[0].Get());
    list->RemoveItem(items[2].Get());
    EXPECT_EQ(list->items.size(), 4u);
    EXPECT_EQ(Selected(), "0");
    gui.OnLeftDown();
    EXPECT_EQ(Selected(), "1");
    list->Clear();
    EXPECT_TRUE(list->items.empty());
}
