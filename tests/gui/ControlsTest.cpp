// Buttons, check boxes, labels and edit boxes as the GUI manager drives them:
// clicks that count and clicks that do not, the box's zone, sizes from texts,
// typed characters, the 256-character bound of every text buffer and the
// default skins.
#include "gui/Button.h"
#include "gui/CheckBox.h"
#include "gui/EditBox.h"
#include "gui/GuiTestSupport.h"
#include "gui/GuiWindow.h"
#include "gui/Label.h"
#include "gui/ListBox.h"
#include "gui/MessageDialog.h"
#include "gui/ScrollBar.h"

#include <gtest/gtest.h>

#include <cstring>

namespace
{
// A root over the screen, cursor bounds around it.
class ControlsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        root = keeper.Make("root", 0, 0, 800, 600);
        gui.SetRoot(root);
        gui.SetCursorBounds(-100, -100, 900, 700);
    }
    // The events of that type queued at the widget.
    static int Queued(const Widget* widget, int type)
    {
        int count = 0;
        for (const SmartPtr<GuiEvent>& event : widget->events)
            count += event->type == type;
        return count;
    }

    WidgetKeeper keeper;
    GuiManager& gui = GuiManager::Instance();
    RecordingWidget* root;
};
} // namespace

TEST_F(ControlsTest, AClickCountsOnlyWhenTheButtonGoesDownAndUpWithoutTheCursorLeaving)
{
    Button* button = keeper.Keep(new Button(100, 100, 64, "OK", nullptr));
    root->AddChild(button);
    EXPECT_EQ(button->height, 20);
    // Steps: a move to the point, then 'd' left down, 'u' left up or 'm' no
    // more.
    struct Step
    {
        char what;
        int x, y;
    };
    struct Case
    {
        std::vector<Step> steps;
        int clicks;
    } cases[] = {
        {{{'d', 110, 110}, {'u', 110, 110}}, 1},
        {{{'d', 164, 120}, {'m', 140, 105}, {'u', 140, 105}, {'u', 140, 105}}, 1}, // far edges
        {{{'d', 110, 110}, {'m', 165, 110}, {'m', 110, 110}, {'u', 110, 110}}, 0},
        {{{'d', 90, 110}, {'m', 110, 110}, {'u', 110, 110}}, 0}, // pressed beside it
        {{{'d', 110, 110}, {'u', 300, 300}}, 0},                 // released elsewhere
    };
    for (const Case& c : cases)
    {
        root->events.clear();
        for (const Step& step : c.steps)
        {
            MoveCursorTo(step.x, step.y);
            if (step.what == 'd')
                gui.OnLeftDown();
            else if (step.what == 'u')
                gui.OnLeftUp();
        }
        EXPECT_EQ(Queued(root, ButtonClicked), c.clicks) << c.steps.size();
        EXPECT_FALSE(button->pressed);
    }
    // Without a parent a click posts nothing anywhere.
    root->RemoveChild(button);
    button->OnLeftDown(1, 1);
    button->OnLeftUp(1, 1);
    EXPECT_FALSE(button->pressed);
    EXPECT_TRUE(button->events.empty());
}

TEST_F(ControlsTest, ACheckBoxTogglesOnlyOnItsBoxAndIsSizedFromItsLabel)
{
    CheckBox* box = keeper.Keep(new CheckBox(100, 100, "Sound", nullptr));
    root->AddChild(box);
    EXPECT_EQ(box->width, 64);
    EXPECT_EQ(box->height, 16);
    struct Case
    {
        int lx, ly;
        bool checked, hover;
    } cases[] = {
        {16, 16, true, true}, {17, 8, true, false}, {0, 0, false, true}, {40, 8, false, false}};
    for (const Case& c : cases)
    {
        MoveCursorTo(100 + c.lx, 100 + c.ly);
        gui.OnLeftDown();
        gui.OnLeftUp();
        EXPECT_EQ(box->checked, c.checked) << c.lx << "," << c.ly;
        EXPECT_EQ(box->hover, c.hover) << c.lx << "," << c.ly;
        EXPECT_EQ(gui.GetFocus(), box);
    }
    EXPECT_TRUE(root->events.size() == 4u && Queued(root, BringToFront) == 4); // no other event
}

TEST(LabelTest, IsSizedFromItsLongestLineAndItsLineCount)
{
    struct Case
    {
        const char* text;
        int width, height;
    } cases[] = {{"ab\ncde", 24, 16}, {"", 0, 8}, {nullptr, 0, 8}, {"abcd\n\nx\n", 32, 32}};
    for (const Case& c : cases)
    {
        SmartPtr<Label> label(new Label(3, 4, c.text));
        EXPECT_EQ(label->width, c.width) << (c.text ? c.text : "null");
        EXPECT_EQ(label->height, c.height) << (c.text ? c.text : "null");
    }
}

TEST_F(ControlsTest, AnEditBoxTakesPrintableCodesBackspaceAndEnterAndNothingElse)
{
    EditBox* edit = keeper.Keep(new EditBox(10, 10, 100, "ab", nullptr));
    root->AddChild(edit);
    EXPECT_EQ(edit->height, 16);
    MoveCursorTo(20, 20);
    gui.OnLeftDown();
    ASSERT_EQ(gui.GetFocus(), edit);
    struct Case
    {
        std::string typed;
        std::string text;
        int enters;
    } cases[] = {
        {"c d~\x7F", "abc d~\x7F", 0},
        {"\x08\x08\x08x", "abc x", 0},
        {"\r\r", "abc x", 2},
        // Codes above 127 and control codes other than 8 and 13 are ignored.
        {std::string("\x80\xC8\xFF\x1F\x07\x1B\n\t", 8), "abc x", 0},
        {std::string(9, '\x08'), "", 0},
    };
    for (const Case& c : cases)
    {
        root->events.clear();
        for (char typed : c.typed)
            gui.OnChar(typed);
        EXPECT_EQ(edit->GetText(), c.text);
        EXPECT_EQ(Queued(root, EditEnter), c.enters);
    }
    // A full text takes nothing more; Clear empties it.
    std::string full(256, 'q');
    edit->SetText(full.c_str());
    gui.OnChar('r');
    EXPECT_EQ(edit->GetText(), full);
    edit->Clear();
    EXPECT_STREQ(edit->GetText(), "");
}

TEST_F(ControlsTest, EveryTextBufferKeepsTheFirst256CharactersOfALongerText)
{
    const std::string text300 = std::string(250, 'a') + "0123456789" + std::string(40, 'z');
    const std::string first256 = text300.substr(0, 256);
    SmartPtr<EditBox> edit(new EditBox(0, 0, 100, text300.c_str(), nullptr));
    Button* button = keeper.Keep(new Button(0, 0, 64, text300.c_str(), nullptr));
    CheckBox* box = keeper.Keep(new CheckBox(0, 0, text300.c_str(), nullptr));
    GuiWindow* window = keeper.Keep(new GuiWindow(0, 0, 100, 100, text300.c_str(), nullptr, false));
    MessageDialog* dialog = keeper.Keep(new MessageDialog(0, 0, nullptr, text300.c_str(), "x"));
    SmartPtr<ListItem> item(new ListItem(text300.c_str()));
    SmartPtr<Label> label(new Label(0, 0, text300.c_str()));
    const char* buffers[] = {edit->text,    button->caption, box->label,
                             window->title, dialog->title,   item->text};
    for (const char* buffer : buffers)
        EXPECT_EQ(std::string(buffer), first256);
    EXPECT_EQ(box->width, 8 * 256 + 24);
    EXPECT_EQ(label->width, 8 * 300); // a Label keeps its whole text
    edit->SetText(text300.c_str());
    EXPECT_EQ(std::string(edit->text), first256);
    edit->SetText(edit->text + 250); // from inside its own buffer
    EXPECT_STREQ(edit->text, "012345");
    edit->SetText(nullptr);
    EXPECT_STREQ(edit->text, "");
}

TEST_F(ControlsTest, ANullSkinIsTheNamedFileFromTheResourceCache)
{
    SmartPtr<EditBox> edit(new EditBox(0, 0, 100, "", nullptr));
    SmartPtr<Button> button(new Button(0, 0, 64, "", nullptr));
    SmartPtr<CheckBox> box(new CheckBox(0, 0, "", nullptr));
    GuiWindow* window = keeper.Keep(new GuiWindow(0, 0, 100, 100, "", nullptr, false));
    ListBox* list = keeper.Keep(new ListBox(0, 0, 100, 100, nullptr));
    const std::pair<Texture*, const char*> skins[] = {
        {edit->texture.Get(), "data\\textures\\editbox.png"},
        {button->texture.Get(), "data\\textures\\button.png"},
        {box->texture.Get(), "data\\textures\\checkbox.png"},
        {window->texture.Get(), "data\\textures\\window.png"},
        {list->texture.Get(), "data\\textures\\listbox.png"},
        {list->scrollBar->texture.Get(), "data\\textures\\scrollbar.png"},
    };
    for (const auto& skin : skins)
        EXPECT_STREQ(skin.first->GetName(), skin.second);
    SmartPtr<Texture> own(new Texture());
    SmartPtr<Button> skinned(new Button(0, 0, 64, "", own.Get()));
    EXPECT_EQ(skinned->texture, own.Get());
}
