// A settings window with an edit box, a check box and a list box, in the data
// set's skins and font, used as a user would: typing a name, ticking a box,
// dragging over the list, moving the window by its title and closing it, all
// through the GUI manager's mouse and character entry points and Kernel
// frames.
#include "core/Kernel.h"
#include "gui/CheckBox.h"
#include "gui/EditBox.h"
#include "gui/GuiPixelFixture.h"
#include "gui/GuiWindow.h"
#include "gui/ListBox.h"
#include "tools/MakerRun.h"

#include <unistd.h>

namespace
{
class ToolkitTest : public GuiPixelFixture
{
protected:
    void SetUp() override
    {
        GuiPixelFixture::SetUp();
        TOLVI_REQUIRE_MAKER();
        ASSERT_TRUE(dataSet.Make());
        char cwd[4096];
        ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
        oldFolder = cwd;
        ASSERT_EQ(chdir(dataSet.path.c_str()), 0);
    }
    void TearDown() override
    {
        if (!oldFolder.empty())
        {
            EXPECT_EQ(chdir(oldFolder.c_str()), 0);
        }
        GuiPixelFixture::TearDown();
    }

    void MoveTo(int x, int y) { MoveCursorTo(x, y); }
    void Click(int x, int y)
    {
        MoveCursorTo(x, y);
        gui.OnLeftDown();
        gui.OnLeftUp();
    }
    void Type(const std::string& text)
    {
        for (char c : text)
            gui.OnChar(c);
    }
    TestFrame KernelFrame()
    {
        Kernel::GetInstance()->Update();
        return Read();
    }
    // Texel (x, y) of a data set skin as it lands on the background.
    static uint32_t SkinOnBackground(const char* file, int x, int y)
    {
        DecodedImage image;
        EXPECT_TRUE(ReadImage(std::string("data/textures/") + file, image)) << file;
        if (image.bgra.empty())
            return 0;
        const uint8_t* p = &image.bgra[(static_cast<size_t>(y) * image.width + x) * 4];
        return Blend(static_cast<uint32_t>(p[3]) << 24 | p[2] << 16 | p[1] << 8 | p[0],
                     kBackground);
    }

    MakerRun dataSet;
    std::string oldFolder;
};
} // namespace

TEST_F(ToolkitTest, ASettingsWindowIsFilledInMovedAndClosedWithMouseAndKeys)
{
    Video::Instance().SetFontTexture(
        ResourceManager::Instance().GetTexture("data\\textures\\font.png"));
    RecordingWidget* desk = keeper->Make("desk", 0, 0, 800, 600);
    GuiWindow* window = keeper->Keep(new GuiWindow(100, 100, 300, 200, "Settings", nullptr, false));
    EditBox* name = new EditBox(16, 40, 120, "", nullptr);
    CheckBox* sound = new CheckBox(16, 70, "Sound", nullptr);
    ListBox* level = new ListBox(150, 40, 130, 100, nullptr);
    std::vector<SmartPtr<ListItem>> levels;
    for (const char* text : {"Easy", "Normal", "Hard", "Insane"})
    {
        levels.push_back(new ListItem(text));
        level->AddItem(levels.back().Get());
    }
    for (Widget* child :
         {static_cast<Widget*>(name), static_cast<Widget*>(sound), static_cast<Widget*>(level)})
        window->AddChild(child);
    desk->AddChild(window);
    gui.SetRoot(desk);
    KernelFrame();

    Click(130, 148);
    Type("Tolvi\b!\r");
    EXPECT_STREQ(name->GetText(), "Tolv!");
    ASSERT_FALSE(window->events.empty());
    EXPECT_EQ(window->events.back()->type, EditEnter);
    KernelFrame();

    Click(120, 176);
    Type("x"); // the check box has the focus now
    EXPECT_TRUE(sound->checked);
    EXPECT_STREQ(name->GetText(), "Tolv!");

    MoveTo(270, 148);
    gui.OnLeftDown();
    MoveTo(270, 158);
    MoveTo(270, 168);
    gui.OnLeftUp();
    MoveTo(270, 148);
    ASSERT_TRUE(level->selected);
    EXPECT_STREQ(level->selected->text, "Hard");
    KernelFrame();

    MoveTo(150, 105);
    gui.OnLeftDown();
    MoveTo(250, 155);
    gui.OnLeftUp();
    EXPECT_EQ(window->x, 200);
    EXPECT_EQ(window->y, 150);
    // The close button and the edit box's left cap where they moved to, in
    // the data set's skins, and nothing left where the window was.
    TestFrame frame = KernelFrame();
    EXPECT_TRUE(ColorNear(frame.At(486, 153), SkinOnBackground("window.png", 50, 3)));
    EXPECT_TRUE(ColorNear(frame.At(217, 204), SkinOnBackground("editbox.png", 1, 14)));
    EXPECT_TRUE(ColorNear(frame.At(386, 103), kBackground));

    Click(492, 158);
    frame = KernelFrame();
    EXPECT_TRUE(desk->children.empty());
    EXPECT_TRUE(ColorNear(frame.At(486, 153), kBackground));
    EXPECT_EQ(log->Text().find("Dummy"), std::string::npos) << log->Text();
}
