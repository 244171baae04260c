// Pictures of the toolkit's widgets read back from the real renderer, each
// from a skin whose regions have colours of their own, with the test font's
// glyphs where the texts go.
#include "gui/Button.h"
#include "gui/CheckBox.h"
#include "gui/EditBox.h"
#include "gui/GuiTestSupport.h"
#include "gui/GuiWindow.h"
#include "gui/Label.h"
#include "gui/ListBox.h"
#include "gui/ScrollBar.h"

namespace
{
const uint32_t kBlack = 0xFF000000;
const uint32_t kNotBlack = 0; // a probe that may show anything but black
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
            EXPECT_TRUE(p.color == kNotBlack ? !ColorNear(seen, kBlack) : ColorNear(seen, p.color))
                << "at " << p.x << "," << p.y;
        }
    }
    // Region (x / w, y / h) of each texel.
    static SmartPtr<Texture> GridSkin(int width, int height, int w, int h)
    {
        return Skin(width, height, [w, h](int x, int y) { return Region(x / w, y / h); });
    }

    RecordingWidget* root;
};
} // namespace

TEST_F(WidgetPixelTest, ButtonsCheckBoxesAndWindowsShowTheirStatesWithTheirTextsLabelsPlainWhite)
{
    SmartPtr<Texture> buttonSkin = GridSkin(64, 64, 16, 20);
    SmartPtr<Texture> boxSkin = GridSkin(16, 64, 16, 16);
    SmartPtr<Texture> windowSkin =
        Skin(64, 64,
             [](int x, int y)
             { return x >= 48 && x < 56 && y >= 48 && y < 56 ? kGrip : Region(x / 16, y / 16); });
    Button* button = Add(new Button(100, 100, 96, "OK", buttonSkin.Get()));
    CheckBox* box = Add(new CheckBox(100, 150, "Go", boxSkin.Get()));
    Add(new Label(300, 150, "Hi\nyo"));
    GuiWindow* window = Add(new GuiWindow(200, 300, 160, 120, "Win", windowSkin.Get(), false));
    for (int state = 0; state < 4; ++state)
    {
        SCOPED_TRACE(testing::Message() << "state " << state);
        button->pressed = box->checked = state >= 2;
        button->hover = box->hover = state % 2 == 1;
        window->closeState = state == 3 ? 7 : state;
        window->fixedSize = state == 2;
        int row = std::min(state, 2);
        uint32_t grip = state == 2 ? Region(2, 3) : kGrip;
        // The button's middle stretches skin columns 1 and 2 over 116 to 180,
        // its caption starts at (100 + 96 / 2 - 8, 106).
        const std::vector<Probe> buttonProbes = {
            {100, 100, Region(0, row)},  {120, 103, Region(1, row)}, {176, 116, Region(2, row)},
            {195, 119, Region(3, row)},  {196, 110, kClearColour},   {141, 107, GlyphColor('O')},
            {155, 113, GlyphColor('K')}, {139, 109, kBlack},         {156, 110, kBlack},
            {145, 105, kBlack},          {145, 114, kBlack}};
        const std::vector<Probe> boxAndLabelProbes = {
            {115, 165, Region(0, state)}, {116, 158, kClearColour},    {125, 155, GlyphColor('G')},
            {123, 157, kBlack},           {309, 151, GlyphColor('i')}, {301, 159, GlyphColor('y')},
            {299, 152, kClearColour}};
        // The window's columns end at 216, then 328 (title) or 344 (below),
        // then 360; its rows at 316 (title), 332 (band), 404 (body) and 420
        // (bottom).
        const std::vector<Probe> windowProbes = {
            {202, 314, Region(0, 0)},   {300, 302, Region(1, 0)}, {336, 308, Region(2, 0)},
            {352, 308, Region(3, row)}, {280, 324, Region(1, 1)}, {204, 360, Region(0, 2)},
            {354, 400, Region(2, 2)},   {280, 419, Region(1, 3)}, {351, 412, Region(2, 3)},
            {356, 416, grip},           {359, 419, grip},         {360, 419, kClearColour},
            {205, 305, GlyphColor('W')}};
        const TestFrame frame = Frame();
        for (const auto* probes : {&buttonProbes, &boxAndLabelProbes, &windowProbes})
            ExpectProbes(frame, *probes);
    }
}

TEST_F(WidgetPixelTest, AnEditBoxShowsTheTailThatFitsWithTheCaretOnlyWhileFocused)
{
    SmartPtr<Texture> skin = GridSkin(64, 16, 16, 16);
    // 100 wide: the last 10 of 15 characters. Spaces are clear in the test
    // font, so the tail shows as a pattern of black cells.
    EditBox* wide = Add(new EditBox(100, 200, 100, "ZZZZZA AA AAA A", skin.Get()));
    // 8 wide: no character fits. One holds 256 characters; into the other
    // "abc" was typed and two taken back, which leaves "c" after the end.
    EditBox* full = Add(new EditBox(100, 240, 8, std::string(256, 'W').c_str(), skin.Get()));
    EditBox* taken = Add(new EditBox(100, 270, 8, "", skin.Get()));
    for (char c : {'a', 'b', 'c', '\b', '\b'})
        taken->OnChar(c);
    const std::string tail = "A AA AAA A";
    for (EditBox* focus : {static_cast<EditBox*>(nullptr), wide, full, taken})
    {
        SCOPED_TRACE(focus ? focus->y : 0);
        gui.SetFocus(focus);
        std::vector<Probe> probes = {{101, 201, Region(0, 0)},
                                     {188, 208, focus == wide ? kBlack : kNotBlack}, // caret
                                     {196, 208, kNotBlack}};
        for (int i = 0; i < 10; ++i)
            probes.push_back({108 + 8 * i, 208, tail[i] == ' ' ? kNotBlack : kBlack});
        for (EditBox* narrow : {full, taken})
        {
            probes.push_back({108, narrow->y + 8, focus == narrow ? kBlack : kNotBlack});
            probes.push_back({116, narrow->y + 8, kNotBlack});
            probes.push_back({99, narrow->y + 8, kNotBlack});
        }
        ExpectProbes(Frame(), probes);
    }
}

TEST_F(WidgetPixelTest, AListBoxDrawsTheRowsThatFitAndAScrollBarsThumbStaysOnItsTravel)
{
    SmartPtr<Texture> skin = Skin(64, 64,
                                  [](int x, int y)
                                  {
                                      if (x >= 48 && x < 56 && y < 16)
                                          return y < 8 ? kSelectedRow : kNormalRow;
                                      return Region(x / 16, y / 16);
                                  });
    SmartPtr<Texture> barSkin = GridSkin(64, 64, 16, 16);
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
    std::vector<Probe> probes = {{452, 102, Region(0, 0)}, {500, 123, Region(1, 1)},
                                 {500, 145, Region(1, 2)}, {456, 155, kClearColour},
                                 {534, 125, Region(0, 0)}, {533, 105, kNormalRow}};
    for (int k = 0; k < 5; ++k)
    {
        if (k < 4)
            probes.push_back({500, 104 + 10 * k, k == 2 ? kSelectedRow : kNormalRow});
        probes.push_back({456, 105 + 10 * k, GlyphColor(static_cast<unsigned char>('a' + k))});
    }
    ExpectProbes(Frame(), probes);
    // 46 high, row 3's background still fits (its bottom, 42, is 46 - 4) but
    // row 4's text no longer starts at or above 42; 48 high, it does.
    list->height = 46;
    ExpectProbes(Frame(), {{500, 138, kNormalRow}, {456, 145, Region(0, 2)}});
    list->height = 48;
    ExpectProbes(Frame(), {{456, 145, GlyphColor('e')}});
    list->height = 50;

    // A bar 100 high: the hovered first arrow over 0 to 16, the second (any
    // state past 2 draws pressed) over 84 to 100, the pressed thumb 16 long
    // from 16 + pos / max * 52. The last three are out of the usual range.
    ScrollBar* bar = Add(new ScrollBar(600, 100, 16, 100, false, 100, barSkin.Get()));
    Add(new ScrollBar(600, 250, 100, 40, true, 100, barSkin.Get()));
    bar->firstArrowState = 1;
    bar->secondArrowState = 7;
    bar->thumbState = 2;
    const int cases[][3] = {{100, 0, 16},   {100, 50, 42},  {100, 100, 68},
                            {100, 150, 68}, {100, -20, 16}, {0, 0, 16}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::Message() << "max " << c[0] << " pos " << c[1]);
        bar->max = c[0];
        bar->SetPos(c[1]);
        TestFrame frame = Frame();
        int wrong = 0;
        for (int y = 0; y < 100; ++y)
        {
            uint32_t expected = y < 16                                    ? Region(0, 1)
                                : y >= 84 || (y >= c[2] && y < c[2] + 16) ? Region(0, 2)
                                                                          : Region(2, 2);
            wrong += !ColorNear(frame.At(600, 100 + y), expected);
            wrong += !ColorNear(frame.At(615, 100 + y), expected);
        }
        EXPECT_EQ(wrong, 0);
        // The horizontal bar: its track alone, between the ends.
        ExpectProbes(frame, {{605, 258, kClearColour},
                             {616, 250, Region(1, 2)},
                             {683, 265, Region(1, 2)},
                             {690, 258, kClearColour}});
    }
}
