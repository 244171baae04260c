// The toolkit's widgets as the GUI manager drives them: clicks that count and
// clicks that do not, every typed code, the 256-character bound of the text
// buffers, a window's zones, resize and close button, a dialog's size and OK
// button, a scroll bar's limits, a list's rows; and a settings window used
// from end to end as a user would.
#include "gui/Button.h"
#include "gui/CheckBox.h"
#include "gui/EditBox.h"
#include "gui/GuiTestSupport.h"
#include "gui/GuiWindow.h"
#include "gui/Label.h"
#include "gui/ListBox.h"
#include "gui/MessageDialog.h"

#include <gtest/gtest.h>

#include <climits>

namespace
{
class ToolkitTest : public GuiTreeTest
{
protected:
    // The events of the type the root holds; it holds none afterwards. Every
    // event the toolkit posts carries 0.
    size_t Queued(int type)
    {
        size_t count = 0;
        for (const SmartPtr<GuiEvent>& event : root->events)
        {
            count += event->type == type;
            EXPECT_EQ(event->param, 0);
        }
        root->events.clear();
        return count;
    }
};

// The hover and press flags of a button or check box, the states (and the
// position) of a scroll bar, or a window's close state, as digits.
std::string Flags(Widget* widget)
{
    std::string digits;
    auto add = [&digits](int value) { digits += std::to_string(value); };
    if (Button* button = dynamic_cast<Button*>(widget))
    {
        add(button->hover);
        add(button->pressed);
    }
    else if (CheckBox* box = dynamic_cast<CheckBox*>(widget))
    {
        add(box->hover);
        add(box->checked);
    }
    else if (ScrollBar* bar = dynamic_cast<ScrollBar*>(widget))
    {
        for (int state : {bar->firstArrowState, bar->secondArrowState, bar->thumbState})
            add(state);
        digits += "/" + std::to_string(bar->pos);
    }
    else
    {
        add(static_cast<GuiWindow*>(widget)->closeState);
    }
    return digits;
}
} // namespace

TEST_F(ToolkitTest, AClickCountsOnlyWhenPressedAndReleasedWithoutLeaving)
{
    Add(new Button(100, 100, 64, "OK", nullptr));
    struct Case
    {
        std::vector<std::pair<int, int>> path;
        size_t clicks;
    } cases[] = {{{{110, 110}}, 1},
                 {{{164, 120}, {140, 105}}, 1}, // the far edges are on it
                 {{{110, 110}, {165, 110}, {110, 110}}, 0},
                 {{{90, 110}, {110, 110}}, 0}};
    for (const Case& c : cases)
    {
        Drag(c.path);
        gui.OnLeftUp();
        EXPECT_EQ(Queued(ButtonClicked), c.clicks) << c.path.size();
    }
}

TEST_F(ToolkitTest, HoverAndPressesFollowEachPartsZoneEdgesIncluded)
{
    Button* button = Add(new Button(0, 0, 64, "OK", nullptr));
    CheckBox* box = Add(new CheckBox(0, 0, "Sound", nullptr));
    ScrollBar* bar = Add(new ScrollBar(0, 0, 16, 100, false, 100, nullptr));
    ScrollBar* across = Add(new ScrollBar(0, 0, 100, 16, true, 100, nullptr));
    GuiWindow* window = Add(new GuiWindow(0, 0, 160, 120, "W", nullptr, false));
    // Local points: 'm' move, 'd' press, 'u' release, 'p' SetPos(x). A bar of
    // 100 with max 100 has its thumb at 16 + pos * 52 / 100: 16 for pos 0, 42
    // for 50.
    struct Step
    {
        Widget* widget;
        char what;
        int x, y;
        std::string flags;
    } steps[] = {
        {button, 'm', 64, 20, "10"},      {button, 'm', 65, 10, "00"},
        {button, 'm', 0, 0, "10"},        {button, 'm', 10, 21, "00"},
        {button, 'm', 0, 0, "10"},        {button, 'm', -1, 10, "00"},
        {button, 'd', 10, 10, "01"},      {button, 'm', 64, 20, "11"},
        {button, 'u', 64, 20, "10"},

        {box, 'm', 16, 16, "10"},         {box, 'm', 17, 8, "00"}, // the label
        {box, 'm', 0, 0, "10"},           {box, 'd', 40, 8, "10"},
        {box, 'd', 16, 16, "11"},         {box, 'd', 17, 8, "11"},
        {box, 'd', 0, 0, "10"},           {box, 'u', 0, 0, "10"},

        {bar, 'm', 8, 15, "100/0"},       {bar, 'm', 8, 16, "001/0"}, // 16: the thumb's
        {bar, 'p', 50, 0, "001/50"},      {bar, 'm', 8, 5, "100/50"},
        {bar, 'm', 8, 41, "100/50"},      {bar, 'm', 8, 42, "001/50"},
        {bar, 'm', 8, 5, "100/50"},       {bar, 'm', 8, 58, "100/50"},
        {bar, 'm', 8, 57, "001/50"},      {bar, 'm', 8, 83, "001/50"},
        {bar, 'm', 8, 84, "010/50"},      {bar, 'm', 16, 50, "001/50"},
        {bar, 'm', 17, 50, "000/50"},     {bar, 'm', 8, 100, "010/50"},
        {bar, 'm', 8, 101, "000/50"},     {bar, 'm', 8, 50, "001/50"},
        {bar, 'm', -1, 50, "000/50"},     {bar, 'd', 8, 41, "000/50"},
        {bar, 'd', 8, 83, "002/50"},      {bar, 'm', 8, 50, "002/50"}, // pressed stays
        {bar, 'm', 8, 70, "002/50"},      {bar, 'm', 8, 5, "100/50"},
        {bar, 'u', 8, 5, "000/50"},       {bar, 'd', 8, 42, "002/50"},
        {bar, 'u', 8, 42, "000/50"},      {bar, 'd', 8, 84, "020/51"},
        {bar, 'm', 8, 90, "020/51"},      {bar, 'm', 8, 10, "100/51"},

        {across, 'p', 50, 0, "000/50"},   {across, 'm', 16, 8, "010/50"},
        {across, 'm', 41, 8, "010/50"},   {across, 'm', 42, 8, "001/50"},
        {across, 'm', 16, 8, "010/50"},   {across, 'm', 83, 8, "001/50"},
        {across, 'm', 84, 8, "100/50"},   {across, 'm', 41, 8, "100/50"},
        {across, 'm', 100, 16, "100/50"}, {across, 'm', 101, 8, "000/50"},
        {across, 'm', 50, 16, "001/50"},  {across, 'm', 50, 17, "000/50"},
        {across, 'd', 16, 8, "020/50"},   {across, 'u', 0, 0, "000/50"},
        {across, 'd', 41, 8, "000/50"},   {across, 'd', 42, 8, "002/50"},
        {across, 'u', 0, 0, "000/50"},    {across, 'd', 84, 8, "200/50"},

        {window, 'm', 144, 0, "1"},       {window, 'm', 143, 0, "0"},
        {window, 'm', 160, 16, "1"},      {window, 'm', 160, 17, "0"},
    };
    for (const Step& step : steps)
    {
        if (step.what == 'm')
            step.widget->OnMouseMove(step.x, step.y);
        else if (step.what == 'd')
            step.widget->OnLeftDown(step.x, step.y);
        else if (step.what == 'u')
            step.widget->OnLeftUp(step.x, step.y);
        else
            static_cast<ScrollBar*>(step.widget)->SetPos(step.x);
        EXPECT_EQ(Flags(step.widget), step.flags)
            << NameOf(step.widget) << " " << step.what << " " << step.x << "," << step.y;
    }
    // A button without a parent is pressed and released without a click.
    SmartPtr<Button> alone(new Button(0, 0, 64, "OK", nullptr));
    alone->OnLeftDown(1, 1);
    alone->OnLeftUp(1, 1);
    EXPECT_EQ(Flags(alone.Get()), "00");
    EXPECT_EQ(Queued(ButtonClicked), 1u); // from the button in the tree
}

TEST_F(ToolkitTest, AnEditBoxTakesTheCodes32To127BackspaceAndEnterAndNothingElse)
{
    EditBox* edit = Add(new EditBox(10, 10, 100, "", nullptr));
    for (int code = 0; code < 256; ++code)
    {
        edit->SetText("ab");
        edit->OnChar(static_cast<char>(code));
        std::string typed =
            code >= 32 && code <= 127 ? std::string(1, static_cast<char>(code)) : "";
        EXPECT_EQ(edit->GetText(), code == 8 ? "a" : "ab" + typed) << code;
        EXPECT_EQ(Queued(EditEnter), code == 13 ? 1u : 0u) << code;
    }
    std::string full(256, 'q');
    edit->SetText(full.c_str());
    edit->OnChar('r');
    EXPECT_EQ(edit->GetText(), full);
}

TEST_F(ToolkitTest, EveryTextBufferKeepsTheFirst256CharactersOfALongerText)
{
    const std::string text = std::string(250, 'a') + "0123456789" + std::string(40, 'z');
    EditBox* edit = keeper.Keep(new EditBox(0, 0, 100, text.c_str(), nullptr));
    Button* button = keeper.Keep(new Button(0, 0, 64, text.c_str(), nullptr));
    CheckBox* box = keeper.Keep(new CheckBox(0, 0, text.c_str(), nullptr));
    MessageDialog* dialog = keeper.Keep(new MessageDialog(0, 0, nullptr, text.c_str(), "x"));
    SmartPtr<ListItem> item(new ListItem(text.c_str()));
    for (const char* buffer : {edit->text, button->caption, box->label, dialog->title, item->text})
        EXPECT_EQ(std::string(buffer), text.substr(0, 256));
    EXPECT_EQ(box->width, 8 * 256 + 24);
    edit->SetText(text.c_str());
    EXPECT_EQ(std::string(edit->text), text.substr(0, 256));
    edit->SetText(edit->text + 250); // from inside its own buffer
    EXPECT_STREQ(edit->text, "012345");
}

TEST_F(ToolkitTest, AWindowClosesDragsOrResizesByTheZoneOfThePressAndResizesDownTo64)
{
    GuiWindow* window = Add(new GuiWindow(100, 100, 160, 120, "Title", nullptr, false));
    struct Case
    {
        int lx, ly;
        bool fixed;
        int closeState;
        bool dragging, resizing;
    } cases[] = {{144, 0, false, 2, false, false},   {143, 0, false, 0, true, false},
                 {0, 16, false, 0, true, false},     {10, 17, false, 0, false, false},
                 {152, 112, false, 0, false, true},  {151, 119, false, 0, false, false},
                 {156, 111, false, 0, false, false}, {156, 116, true, 0, false, false}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.lx << "," << c.ly);
        window->fixedSize = c.fixed;
        ClickAt(100 + c.lx, 100 + c.ly);
        EXPECT_EQ(window->closeState, c.closeState);
        EXPECT_EQ(window->dragging, c.dragging);
        EXPECT_EQ(window->resizing, c.resizing);
        gui.OnLeftUp();
    }
    window->fixedSize = false;
    // The anchor follows the cursor below the minimum, so the last step grows.
    Drag({{260, 220}, {280, 230}, {-500, 190}, {-490, 190}});
    EXPECT_EQ(window->width, 74);
    EXPECT_EQ(window->height, 90);
    EXPECT_EQ(window->events.size(), 4u); // one WindowResized per movement, even of 0
    for (const SmartPtr<GuiEvent>& event : window->events)
        EXPECT_TRUE(event->type == WindowResized && event->sender == window && !event->param);

    // Its close button is at (158, 100) to (174, 116) now.
    const std::pair<std::vector<std::pair<int, int>>, bool> closes[] = {
        {{{170, 105}}, true},
        {{{170, 105}, {130, 150}, {170, 105}}, false}, // moving off cancels
        {{{130, 170}, {170, 105}}, false}};
    for (const auto& close : closes)
    {
        root->AddChild(window);
        Drag(close.first);
        EXPECT_EQ(window->closeState, 1);
        gui.Update();
        EXPECT_EQ(root->children.empty(), close.second) << close.first.size();
    }
    // The height stops at 64 too: the grip is at (166, 182) to (174, 190).
    Drag({{174, 190}, {174, -300}, {184, -290}});
    EXPECT_EQ(window->width, 84);
    EXPECT_EQ(window->height, 74);
}

TEST_F(ToolkitTest, ADialogIsSizedFromItsTextAndItsOkButtonRemovesItInTheSamePass)
{
    struct Case
    {
        const char* text;
        int width, height, buttonX, buttonY;
    } cases[] = {{"", 8, 60, -28, 32},
                 {"ab\ncde", 32, 68, -16, 40},
                 {"abc", 32, 60, -16, 32},
                 {"12345678901234567890\nab", 168, 68, 52, 40}};
    for (const Case& c : cases)
    {
        MessageDialog* dialog = Add(new MessageDialog(300, 200, nullptr, "Note", c.text));
        EXPECT_EQ(dialog->width, c.width) << c.text;
        EXPECT_EQ(dialog->height, c.height) << c.text;
        EXPECT_EQ(dialog->okButton->x, c.buttonX) << c.text;
        EXPECT_EQ(dialog->okButton->y, c.buttonY) << c.text;
        EXPECT_EQ(dialog->okButton->width, 64);
        EXPECT_STREQ(dialog->okButton->caption, "OK");
        EXPECT_TRUE(dialog->fixedSize);
        // The label, in front, at (4, 20) and 8 pixels a character and a line.
        const Widget* label = dialog->children.front().Get();
        EXPECT_EQ(std::vector<int>({label->x, label->y, label->width, label->height}),
                  std::vector<int>({4, 20, c.width - 8, c.height - 52}))
            << c.text;
    }
    // Only its own button's click closes a dialog.
    MessageDialog* dialog = static_cast<MessageDialog*>(root->children.front().Get());
    dialog->PostEvent(new GuiEvent(ButtonClicked, dialog->children.front().Get(), 0));
    gui.Update();
    EXPECT_EQ(root->children.size(), 4u);
    root->children.pop_back(); // the two made first
    root->children.pop_back();
    // A click on the front dialog's button, which reaches beyond the other.
    Drag({{370, 250}});
    gui.Update();
    ASSERT_EQ(root->children.size(), 1u);
    MessageDialog* left = static_cast<MessageDialog*>(root->children.front().Get());
    EXPECT_EQ(left->width, 32);
    EXPECT_EQ(left->children.back(), left->okButton.Get()); // children keep their order
}

TEST_F(ToolkitTest, AClosedWindowOrDialogIsFreedWithEverythingInItOnceNothingHoldsIt)
{
    RefObject::CollectGarbage();
    const int before = Widget::LiveCount();
    GuiWindow* window = new GuiWindow(100, 100, 160, 120, "Title", nullptr, false);
    window->AddChild(new Label(10, 40, "Hello"));
    root->AddChild(window);
    root->AddChild(new MessageDialog(400, 300, nullptr, "Note", "abc"));
    EXPECT_EQ(Widget::LiveCount(), before + 5);
    Drag({{258, 105}}); // the window's close button
    Drag({{400, 340}}); // the dialog's OK button, which takes the focus
    gui.Update();
    EXPECT_TRUE(root->children.empty());
    RefObject::CollectGarbage();
    EXPECT_EQ(Widget::LiveCount(), before + 1);
    ClickAt(700, 500);
    RefObject::CollectGarbage();
    EXPECT_EQ(Widget::LiveCount(), before);
}

TEST_F(ToolkitTest, ScrollBarArrowsStepWithinTheLimitsAndTheSettersStoreWhatTheyAreGiven)
{
    SmartPtr<ScrollBar> bar(new ScrollBar(0, 0, 99, 100, false, 0, nullptr));
    EXPECT_EQ(bar->width, 16);
    EXPECT_EQ(bar->GetMax(), 1);
    // Presses at local (8, y): y 16 is still the first arrow. A position
    // outside 0 to max steps from where it is stored, the first arrow not
    // below 0 and the second not above max, and never overflows.
    const int cases[][6] = {{100, 0, 16, 0, 2, 0},      {100, 5, 0, 4, 2, 0},
                            {100, 100, 100, 100, 0, 2}, {0, 1, 84, 1, 0, 2},
                            {-5, 1, 16, 0, 2, 0},       {100, 150, 84, 100, 0, 2},
                            {100, 150, 0, 149, 2, 0},   {100, -5, 84, -4, 0, 2},
                            {100, -5, 0, 0, 2, 0},      {INT_MAX, INT_MAX, 84, INT_MAX, 0, 2},
                            {100, INT_MIN, 0, 0, 2, 0}};
    for (const auto& c : cases)
    {
        bar->OnLeftUp(0, 0);
        bar->SetMax(c[0]);
        bar->SetPos(c[1]);
        EXPECT_EQ(bar->GetPos(), c[1]);
        bar->OnLeftDown(8, c[2]);
        EXPECT_EQ(bar->GetPos(), c[3]) << c[0] << " " << c[1] << " " << c[2];
        EXPECT_EQ(bar->firstArrowState, c[4]) << c[2];
        EXPECT_EQ(bar->secondArrowState, c[5]) << c[2];
    }
    bar->SetPos(50);
    bar->SetMax(0);
    EXPECT_EQ(bar->GetMax(), 1);
    EXPECT_EQ(bar->GetPos(), 50);
}

TEST_F(ToolkitTest, ListRowsAreSelectedByAPressAndByADrag)
{
    // 100 by 50 at (200, 100): rows 0 to 4 start at local 4 to 44.
    ListBox* list = Add(new ListBox(200, 100, 100, 50, nullptr));
    std::vector<SmartPtr<ListItem>> items;
    for (int i = 0; i < 6; ++i)
    {
        items.push_back(new ListItem(std::to_string(i).c_str()));
        list->AddItem(items.back().Get());
    }
    // A move to the local point, then 'd' press, 'u' release or 'm' nothing.
    const std::tuple<char, int, int, const char*> steps[] = {
        {'d', 10, 44, "4"}, {'u', 10, 44, "4"}, {'d', 10, 13, "4"}, // between rows: kept
        {'u', 10, 13, "4"}, {'d', 50, 4, "0"},  {'m', 60, 14, "1"}, // a drag
        {'m', 60, 30, "2"}, {'u', 60, 30, "2"}, {'m', 10, 44, "2"}, // released: no more
        {'d', 50, 4, "0"},  {'m', 96, 34, "3"}, {'m', 97, 44, "3"}, // rows end 4 from the sides
        {'m', 3, 14, "3"},  {'m', 4, 14, "1"},  {'m', 60, 51, "1"}, // a drag only inside
        {'m', 60, 50, "4"}, {'u', 60, 50, "4"},                     // row 4 reaches below
        {'d', 90, 24, "4"}, {'m', 86, 20, "4"},                     // on the bar, in front
    };
    for (const auto& [what, lx, ly, selected] : steps)
    {
        MoveCursorTo(200 + lx, 100 + ly);
        if (what == 'd')
            gui.OnLeftDown();
        else if (what == 'u')
            gui.OnLeftUp();
        ASSERT_TRUE(list->selected);
        EXPECT_STREQ(list->selected->text, selected) << lx << "," << ly;
    }
    EXPECT_EQ(list->scrollBar->thumbState, 2);
    gui.Update(); // the list drops the bar's BringToFront
    EXPECT_EQ(list->children.front(), list->scrollBar.Get());
    const ScrollBar& bar = *list->scrollBar;
    EXPECT_EQ(std::vector<int>({bar.x, bar.y, bar.width, bar.height, bar.max, bar.horizontal}),
              std::vector<int>({84, 0, 16, 50, 100, 0}));
    gui.OnLeftUp();

    // 48 high, the last row scanned starts at 44 = 48 - 4.
    list->OnLeftDown(10, 4);
    list->height = 48;
    list->OnLeftDown(10, 46);
    EXPECT_STREQ(list->selected->text, "4");
    list->height = 50;
    // Every entry of an item goes; the selection stays, and the rows start at
    // the new first item.
    list->AddItem(items[0].Get());
    list->RemoveItem(items[0].Get());
    list->RemoveItem(items[4].Get());
    std::string texts;
    for (const SmartPtr<ListItem>& item : list->items)
        texts += item->text;
    EXPECT_EQ(texts, "1235");
    EXPECT_EQ(list->selected, items[4].Get());
    list->OnLeftDown(10, 4);
    EXPECT_EQ(list->selected, items[1].Get());
    list->Clear();
    EXPECT_TRUE(list->items.empty());
    list->OnLeftDown(10, 14);
    EXPECT_EQ(list->selected, items[1].Get());
}

TEST_F(ToolkitTest, ASettingsWindowIsFilledInMovedAndClosedWithMouseAndKeys)
{
    GuiWindow* window = Add(new GuiWindow(100, 100, 300, 200, "Settings", nullptr, false));
    EditBox* name = new EditBox(16, 40, 120, "", nullptr);
    CheckBox* sound = new CheckBox(16, 70, "Sound", nullptr);
    ListBox* level = new ListBox(150, 40, 130, 100, nullptr);
    std::vector<SmartPtr<ListItem>> levels;
    for (const char* text : {"Easy", "Normal", "Hard", "Insane"})
    {
        levels.push_back(new ListItem(text));
        level->AddItem(levels.back().Get());
    }
    for (Widget* child : std::initializer_list<Widget*>{name, sound, level})
        window->AddChild(child);

    Drag({{130, 148}});
    for (char c : std::string("Tolvi\b!\r"))
        gui.OnChar(c);
    EXPECT_EQ(window->events.back()->type, EditEnter);
    EXPECT_EQ(window->events.back()->sender, name);
    gui.Update();
    Drag({{120, 176}});
    gui.OnChar('x'); // to the check box, which has the focus now
    Drag({{270, 148}, {270, 158}, {270, 168}});
    MoveCursorTo(270, 148);
    gui.Update();
    EXPECT_STREQ(name->GetText(), "Tolv!");
    EXPECT_TRUE(sound->checked);
    ASSERT_TRUE(level->selected);
    EXPECT_STREQ(level->selected->text, "Hard");
    EXPECT_EQ(window->children.front(), level); // raised by the last click

    Drag({{150, 105}, {250, 155}});
    EXPECT_EQ(window->x, 200);
    EXPECT_EQ(window->y, 150);
    Drag({{492, 158}});
    gui.Update();
    EXPECT_TRUE(root->children.empty());
}
