// Windows and message dialogs as the GUI manager drives them: the zones of a
// press, dragging, resizing down to 64, the close button's press and release,
// and a dialog's size and its OK button, which removes it in the same pass.
#include "gui/GuiTestSupport.h"
#include "gui/GuiWindow.h"
#include "gui/Label.h"
#include "gui/MessageDialog.h"

#include <gtest/gtest.h>

namespace
{
// A 160 by 120 window at (100, 100) under a root over the screen.
class WindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        root = keeper.Make("root", 0, 0, 800, 600);
        window = keeper.Keep(new GuiWindow(100, 100, 160, 120, "Title", nullptr, false));
        root->AddChild(window);
        gui.SetRoot(root);
        gui.SetCursorBounds(-1000, -1000, 2000, 2000);
    }
    void PressAt(int x, int y)
    {
        MoveCursorTo(x, y);
        gui.OnLeftDown();
    }

    WidgetKeeper keeper;
    GuiManager& gui = GuiManager::Instance();
    RecordingWidget* root;
    GuiWindow* window;
};
} // namespace

TEST_F(WindowTest, APressClosesDragsOrResizesByItsZone)
{
    struct Case
    {
        int lx, ly;
        bool fixed;
        int closeState;
        bool dragging, resizing;
    } cases[] = {
        {144, 0, false, 2, false, false},  {160, 16, false, 2, false, false},
        {143, 0, false, 0, true, false},   {0, 16, false, 0, true, false},
        {10, 17, false, 0, false, false},  {152, 112, false, 0, false, true},
        {160, 120, false, 0, false, true}, {151, 119, false, 0, false, false},
        {156, 116, true, 0, false, false}, // no grip on a fixed window
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.lx << "," << c.ly << " fixed " << c.fixed);
        window->fixedSize = c.fixed;
        PressAt(100 + c.lx, 100 + c.ly);
        EXPECT_EQ(window->closeState, c.closeState);
        EXPECT_EQ(window->dragging, c.dragging);
        EXPECT_EQ(window->resizing, c.resizing);
        gui.OnLeftUp();
        EXPECT_FALSE(window->dragging || window->resizing);
    }
}

TEST_F(WindowTest, ADragKeepsThePointUnderTheCursorAndAResizeStopsAt64)
{
    PressAt(120, 105);
    MoveCursorTo(150, 145);
    MoveCursorTo(170, 165);
    EXPECT_EQ(window->x, 150);
    EXPECT_EQ(window->y, 160);
    gui.OnLeftUp();
    MoveCursorTo(0, 0);
    EXPECT_EQ(window->x, 150);

    // The grip's corner is at (310, 280) now.
    PressAt(310, 280);
    MoveCursorTo(330, 290);
    EXPECT_EQ(window->width, 180);
    EXPECT_EQ(window->height, 130);
    MoveCursorTo(-500, 250); // far beyond the minimum in x, 40 less in y
    EXPECT_EQ(window->width, 64);
    EXPECT_EQ(window->height, 90);
    EXPECT_EQ(window->anchorX, -650); // the anchor follows the cursor
    MoveCursorTo(-490, 250);          // so this grows the width again at once
    EXPECT_EQ(window->width, 74);
    int resized = 0;
    for (const SmartPtr<GuiEvent>& event : window->events)
        resized += event->type == WindowResized && event->sender == window;
    EXPECT_EQ(resized, 3);
    gui.OnLeftUp();
    gui.Update(); // dropped by the default handling
    EXPECT_TRUE(window->events.empty());
}

TEST_F(WindowTest, TheCloseButtonClosesOnlyWhenPressedAndReleasedOnIt)
{
    struct Case
    {
        std::vector<std::pair<int, int>> path; // press at the first point
        bool closed;
    } cases[] = {
        {{{250, 105}}, true},
        {{{250, 105}, {200, 150}, {250, 105}}, false}, // moving off cancels the press
        {{{200, 180}, {250, 105}}, false},             // pressed on the body
    };
    for (const Case& c : cases)
    {
        root->children.clear();
        root->AddChild(window);
        PressAt(c.path[0].first, c.path[0].second);
        for (const auto& point : c.path)
            MoveCursorTo(point.first, point.second);
        gui.OnLeftUp();
        EXPECT_EQ(window->closeState, 1);
        gui.Update();
        EXPECT_EQ(root->children.empty(), c.closed) << c.path.size();
    }
}

TEST_F(WindowTest, ADialogIsSizedFromItsTextAndItsOkButtonRemovesItInTheSamePass)
{
    struct Case
    {
        const char* text;
        int width, height, buttonX, buttonY;
    } cases[] = {{"abc", 32, 60, -16, 32},
                 {"12345678901234567890\nab", 168, 68, 52, 40},
                 {"", 8, 60, -28, 32}};
    for (const Case& c : cases)
    {
        MessageDialog* dialog = keeper.Keep(new MessageDialog(300, 200, nullptr, "Note", c.text));
        EXPECT_EQ(dialog->width, c.width) << c.text;
        EXPECT_EQ(dialog->height, c.height) << c.text;
        Button* ok = dialog->okButton.Get();
        EXPECT_EQ(ok->x, c.buttonX);
        EXPECT_EQ(ok->y, c.buttonY);
        EXPECT_EQ(ok->width, 64);
        EXPECT_STREQ(ok->caption, "OK");
        ASSERT_EQ(dialog->children.size(), 2u);
        EXPECT_TRUE(dialog->fixedSize);
        Label* label = dynamic_cast<Label*>(dialog->children.front().Get());
        ASSERT_TRUE(label);
        EXPECT_EQ(label->x, 4);
        EXPECT_EQ(label->y, 20);
    }

    MessageDialog* dialog = static_cast<MessageDialog*>(keeper.widgets.back().Get());
    root->AddChild(dialog);
    // The button reaches beyond the 8-pixel-wide dialog: press on its part
    // inside.
    PressAt(305, 240);
    ASSERT_EQ(gui.GetFocus(), dialog->okButton.Get());
    gui.OnLeftUp();
    gui.Update();
    EXPECT_EQ(ChildNames(root), (std::vector<std::string>{"?"})); // only the window is left
    EXPECT_EQ(dialog->children.back(), dialog->okButton.Get());   // children kept their order
}
