// Pictures of the toolkit's widgets read back from the real renderer, each
// from a skin whose regions have colours of their own, with the test font's
// glyphs where the texts go: a button in each state, check boxes and a label,
// an edit box's visible tail and caret (and boxes too narrow for any
// character), a window's frame, close button and grip, a list box's rows, and
// a scroll bar's thumb along its travel.
#include "gui/Button.h"
#include "gui/CheckBox.h"
#include "gui/EditBox.h"
#include "gui/GuiPixelFixture.h"
#include "gui/GuiWindow.h"
#include "gui/Label.h"
#include "gui/ListBox.h"
#include "gui/ScrollBar.h"

namespace
{
const uint32_t kBlack = 0xFF000000;
// Expected of a probe: any colour but black.
const uint32_t kNotBlack = 0;
const uint32_t kGrip = 0xFF10E0A0;
const uint32_t kSelectedRow = 0xFF30D0F0;
const uint32_t kNormalRow = 0xFFA0F040;

struct Probe
{
    int x, y;
    uint32_t color;
};

class WidgetPixelTest : public GuiPixelFixture
{
protected:
    void SetUp() override
    {
        GuiPixelFixture::SetUp();
        UseFont();
        root = keeper->Make("root", 0, 0, 0, 0);
        gui.SetRoot(root);
    }
    template <class T> T* Add(T* widget)
    {
        root->AddChild(widget);
        return widget;
    }
    static void ExpectProbes(const TestFrame& frame, const std::vector<Probe>& probes)
    {
        for (const Probe& p : probes)
        {
            uint32_t seen = frame.At(p.x, p.y);
            if (p.color == kNotBlack)
                EXPECT_FALSE(ColorNear(seen, kBlack)) << "at " << p.x << "," << p.y;
            else
                EXPECT_TRUE(ColorNear(seen, p.color)) << "at " << p.x << "," << p.y;
        }
    }
    // Region (x / 16, y / 16) of a 64 by 64 skin.
    static SmartPtr<Texture> QuarterSkin()
    {
        return Skin(64, 64, [](int x, int y) { return Region(x / 16, y / 16); });
    }

    RecordingWidget* root;
};
} // namespace

TEST_F(WidgetPixelTest, AButtonDrawsTheRowOfItsStateAndItsCaptionCentredAndOutlined)
{
    SmartPtr<Texture> skin = Skin(64, 64, [](int x, int y) { return Region(x / 16, y / 20); });
    Button* button = Add(new Button(100, 100, 96, "OK", skin.Get()));
    struct Case
    {
        bool pressed, hover;
        int row;
    } cases[] = {{false, false, 0}, {false, true, 1}, {true, false, 2}, {true, true, 2}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message() << "pressed " << c.pressed << " hover " << c.hover);
        button->pressed = c.pressed;
        button->hover = c.hover;
        // The middle stretches skin columns 1 and 2 over 116 to 180; the
        // caption starts at 100 + 96 / 2 - 8, 6 down.
        ExpectProbes(Frame(), {{100, 100, Region(0, c.row)},
                               {115, 119, Region(0, c.row)},
                               {120, 103, Region(1, c.row)},
                               {176, 116, Region(2, c.row)},
                               {195, 119, Region(3, c.row)},
                               {196, 110, kBackground},
                               {100, 120, kBackground},
                               {141, 107, GlyphColor('O')},
                               {155, 113, GlyphColor('K')},
                               {139, 109, kBlack},
                               {156, 109, kBlack},
                               {141, 105, kBlack}});
    }
}

TEST_F(WidgetPixelTest, ACheckBoxDrawsItsLookAndOutlinedLabelALabelPlainWhiteLines)
{
    SmartPtr<Texture> skin = Skin(16, 64, [](int, int y) { return Region(0, y / 16); });
    CheckBox* box = Add(new CheckBox(100, 150, "Go", skin.Get()));
    Add(new Label(300, 150, "Hi\nyo"));
    struct Case
    {
        bool checked, hover;
        int row;
    } cases[] = {{false, false, 0}, {false, true, 1}, {true, false, 2}, {true, true, 3}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message() << "checked " << c.checked << " hover " << c.hover);
        box->checked = c.checked;
        box->hover = c.hover;
        ExpectProbes(Frame(), {{100, 150, Region(0, c.row)},
                               {115, 165, Region(0, c.row)},
                               {116, 158, kBackground},
                               {125, 155, GlyphColor('G')},
                               {133, 161, GlyphColor('o')},
                               {123, 157, kBlack},
                               {301, 151, GlyphColor('H')},
                               {309, 151, GlyphColor('i')},
                               {301, 159, GlyphColor('y')},
                               {299, 152, kBackground},
                               {300, 149, kBackground}});
    }
}

TEST_F(WidgetPixelTest, AnEditBoxShowsTheTailThatFitsWithTheCaretOnlyWhileFocused)
{
    SmartPtr<Texture> skin = Skin(64, 16, [](int x, int) { return Region(x / 16, 0); });
    // 100 wide: the last 10 of 15 characters. Spaces are clear in the test
    // font, so the tail shows as a pattern of black cells.
    EditBox* wide = Add(new EditBox(100, 200, 100, "ZZZZZA AA AAA A", skin.Get()));
    // 8 wide: no character fits. One holds 256 characters; into the other
    // "abc" was typed and two taken back, which leaves "c" after the end.
    EditBox* full = Add(new EditBox(100, 240, 8, std::string(256, 'W').c_str(), skin.Get()));
    EditBox* taken = Add(new EditBox(100, 270, 8, "", skin.Get()));
    for (char c : {'a', 'b', 'c', '\x08', '\x08'})
        taken->OnChar(c);
    const std::string tail = "A AA AAA A";
    for (Widget* focus : {static_cast<Widget*>(nullptr), static_cast<Widget*>(wide),
                          static_cast<Widget*>(full), static_cast<Widget*>(taken)})
    {
        SCOPED_TRACE(focus == wide ? "wide focused" : focus ? "narrow focused" : "no focus");
        gui.SetFocus(focus);
        std::vector<Probe> probes = {{101, 201, Region(0, 0)}, {199, 215, Region(3, 0)}};
        for (int i = 0; i < 10; ++i)
            probes.push_back({108 + 8 * i, 208, tail[i] == ' ' ? kNotBlack : kBlack});
        probes.push_back({188, 208, focus == wide ? kBlack : kNotBlack}); // the caret
        probes.push_back({196, 208, kNotBlack});
        for (EditBox* narrow : {full, taken})
        {
            probes.push_back({108, narrow->y + 8, focus == narrow ? kBlack : kNotBlack});
            probes.push_back({116, narrow->y + 8, kNotBlack});
            probes.push_back({99, narrow->y + 8, kNotBlack});
        }
        ExpectProbes(Frame(), probes);
    }
}

TEST_F(WidgetPixelTest, AWindowDrawsItsFrameCloseButtonGripAndOutlinedTitle)
{
    SmartPtr<Texture> skin =
        Skin(64, 64,
             [](int x, int y)
             { return x >= 48 && x < 56 && y >= 48 && y < 56 ? kGrip : Region(x / 16, y / 16); });
    GuiWindow* window = Add(new GuiWindow(200, 300, 160, 120, "Win", skin.Get(), false));
    struct Case
    {
        int closeState;
        bool fixed;
    } cases[] = {{0, false}, {1, false}, {2, true}, {7, false}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message() << "close " << c.closeState << " fixed " << c.fixed);
        window->closeState = c.closeState;
        window->fixedSize = c.fixed;
        int look = c.closeState < 2 ? c.closeState : 2;
        // Columns: 200 to 216, the middle, then 328 (title) or 344 (below) to
        // 360; rows: title to 316, band to 332, body to 404, bottom to 420.
        ExpectProbes(Frame(), {{202, 314, Region(0, 0)},
                               {300, 302, Region(1, 0)},
                               {336, 308, Region(2, 0)},
                               {352, 308, Region(3, look)},
                               {204, 324, Region(0, 1)},
                               {280, 324, Region(1, 1)},
                               {354, 324, Region(2, 1)},
                               {204, 360, Region(0, 2)},
                               {280, 400, Region(1, 2)},
                               {354, 360, Region(2, 2)},
                               {204, 412, Region(0, 3)},
                               {280, 419, Region(1, 3)},
                               {351, 412, Region(2, 3)},
                               {356, 416, c.fixed ? Region(2, 3) : kGrip},
                               {359, 419, c.fixed ? Region(2, 3) : kGrip},
                               {360, 419, kBackground},
                               {205, 305, GlyphColor('W')},
                               {203, 307, kBlack}});
    }
}

TEST_F(WidgetPixelTest, AListBoxDrawsItsFrameRowsThatFitTheSelectedRowAndItsBarOverThem)
{
    SmartPtr<Texture> skin = Skin(64, 64,
                                  [](int x, int y)
                                  {
                                      if (x >= 48 && x < 56 && y < 16)
                                          return y < 8 ? kSelectedRow : kNormalRow;
                                      return Region(x / 16, y / 16);
                                  });
    SmartPtr<Texture> barSkin = Skin(64, 64, [](int, int) { return kGrip; });
    ListBox* list = Add(new ListBox(450, 100, 100, 50, skin.Get()));
    list->scrollBar->texture = barSkin;
    std::vector<SmartPtr<ListItem>> items;
    for (char name = 'a'; name <= 'f'; ++name)
    {
        items.push_back(new ListItem(std::string(1, name).c_str()));
        list->AddItem(items.back().Get());
    }
    list->selected = items[2];
    // Row backgrounds 0 to 3 (row 4's would end below 146), texts 0 to 4.
    std::vector<Probe> probes = {
        {452, 102, Region(0, 0)}, {500, 113, Region(1, 0)}, {452, 125, Region(0, 1)},
        {500, 123, Region(1, 1)}, {452, 148, Region(0, 2)}, {500, 145, Region(1, 2)},
        {456, 155, kBackground},  {534, 125, kGrip},        {533, 105, kNormalRow}};
    for (int k = 0; k < 5; ++k)
    {
        if (k < 4)
            probes.push_back({500, 104 + 10 * k, k == 2 ? kSelectedRow : kNormalRow});
        probes.push_back({456, 105 + 10 * k, GlyphColor(static_cast<unsigned char>('a' + k))});
    }
    ExpectProbes(Frame(), probes);

    list->Clear();
    ExpectProbes(Frame(), {{500, 105, Region(1, 0)}, {500, 125, Region(1, 1)}});
}

TEST_F(WidgetPixelTest, AScrollBarsThumbTravelsBetweenItsArrowsAndStaysOnTheBar)
{
    SmartPtr<Texture> skin = QuarterSkin();
    ScrollBar* bar = Add(new ScrollBar(600, 100, 16, 100, false, 100, skin.Get()));
    Add(new ScrollBar(600, 250, 100, 40, true, 100, skin.Get()));
    bar->thumbState = 2;
    // The last two write the fields directly, past the setters.
    struct Case
    {
        int max, pos, thumb;
    } cases[] = {{100, 0, 16}, {100, 50, 42}, {100, 100, 68}, {100, 150, 68}, {0, 0, 16}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message() << "max " << c.max << " pos " << c.pos);
        bar->max = c.max;
        bar->pos = c.pos;
        TestFrame frame = Frame();
        int wrong = 0;
        for (int y = 0; y < 100; ++y)
        {
            uint32_t expected = y < 16 || y >= 84                  ? Region(0, 0)
                                : y >= c.thumb && y < c.thumb + 16 ? Region(0, 2)
                                                                   : Region(2, 2);
            for (int x : {600, 608, 615})
                wrong += !ColorNear(frame.At(x, 100 + y), expected);
        }
        EXPECT_EQ(wrong, 0);
        // The horizontal bar: its track alone, between the ends.
        ExpectProbes(frame, {{605, 258, kBackground},
                             {616, 250, Region(1, 2)},
                             {683, 265, Region(1, 2)},
                             {690, 258, kBackground}});
    }
}
