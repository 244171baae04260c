// The GUI read back from the real renderer through Video's frame: widgets back
// to front, the cursor on top at its hot point, nothing while inactive, and
// the splash image over the whole back buffer at its clamped opacity.
#include "core/Kernel.h"
#include "gui/GuiImage.h"
#include "gui/GuiTestSupport.h"
#include "support/VideoFixture.h"
#include "video/RenderPresets.h"

#include <limits>
#include <memory>

namespace
{
const uint32_t kBackground = 0xFF222244;
const uint32_t kRed = 0xFFFF0000;
const uint32_t kGreen = 0xFF00FF00;
const uint32_t kBlue = 0xFF0000FF;
const uint32_t kYellow = 0xFFFFFF00;

class GuiPixelTest : public VideoFixture
{
protected:
    void SetUp() override
    {
        VideoFixture::SetUp();
        keeper.reset(new WidgetKeeper());
        gui.SetCursorBounds(0, 0, Video::Instance().width, Video::Instance().height);
        gui.SetActive(true);
    }
    void TearDown() override
    {
        // The widgets and the cursor let go of their textures before the device goes.
        keeper.reset();
        VideoFixture::TearDown();
    }

    TestFrame Frame()
    {
        Video::Instance().Render();
        return Read();
    }

    GuiManager& gui = GuiManager::Instance();
    std::unique_ptr<WidgetKeeper> keeper;
};
} // namespace

TEST_F(GuiPixelTest, WidgetsDrawBackToFrontAndAClickRaisesOneWithinTheSameKernelFrame)
{
    RecordingWidget* root = keeper->Make("root", 0, 0, 0, 0);
    RecordingWidget* red = keeper->Make("red", 100, 100, 100, 100, kRed);
    RecordingWidget* green = keeper->Make("green", 150, 150, 100, 100, kGreen);
    RecordingWidget* blue = keeper->Make("blue", 10, 10, 20, 20, kBlue);
    root->AddChild(red);
    root->AddChild(green);
    green->AddChild(blue);
    gui.SetRoot(root);

    Kernel::GetInstance()->Update();
    TestFrame frame = Read();
    EXPECT_TRUE(ColorNear(frame.At(120, 120), kRed));
    // The child added last lies on top, and a child over its parent, placed
    // from the parent's corner.
    EXPECT_TRUE(ColorNear(frame.At(190, 190), kGreen));
    EXPECT_TRUE(ColorNear(frame.At(165, 165), kBlue));
    EXPECT_TRUE(ColorNear(frame.At(158, 158), kGreen));
    EXPECT_TRUE(ColorNear(frame.At(230, 230), kGreen));
    EXPECT_TRUE(ColorNear(frame.At(95, 95), kBackground));

    // The click's events are handled before the frame is drawn.
    MoveCursorTo(120, 120);
    gui.OnLeftDown();
    Kernel::GetInstance()->Update();
    frame = Read();
    EXPECT_TRUE(ColorNear(frame.At(190, 190), kRed));
    EXPECT_TRUE(ColorNear(frame.At(165, 165), kRed));
    EXPECT_TRUE(ColorNear(frame.At(230, 230), kGreen));
}

TEST_F(GuiPixelTest, TheCursorLiesOnTopAtItsPositionLessTheHotPointAtItsTexturesSize)
{
    SmartPtr<Texture> arrow = TexelTexture(16, 8, std::vector<uint32_t>(16 * 8, kYellow));
    RecordingWidget* root = keeper->Make("root", 0, 0, 0, 0);
    root->AddChild(keeper->Make("red", 0, 0, 400, 400, kRed));
    struct Case
    {
        int hotX, hotY;
        bool tree;
    } cases[] = {{0, 0, true}, {8, 8, true}, {15, 3, true}, {8, 8, false}};
    MoveCursorTo(200, 100);
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message() << "hot point " << c.hotX << "," << c.hotY);
        gui.SetRoot(c.tree ? root : nullptr);
        gui.SetCursor(arrow.Get(), c.hotX, c.hotY);
        TestFrame frame = Frame();
        int left = 200 - c.hotX;
        int top = 100 - c.hotY;
        uint32_t around = c.tree ? kRed : kBackground;
        EXPECT_TRUE(ColorNear(frame.At(left, top), kYellow));
        EXPECT_TRUE(ColorNear(frame.At(left + 15, top + 7), kYellow));
        EXPECT_TRUE(ColorNear(frame.At(left - 1, top), around));
        EXPECT_TRUE(ColorNear(frame.At(left, top - 1), around));
        EXPECT_TRUE(ColorNear(frame.At(left + 16, top + 7), around));
        EXPECT_TRUE(ColorNear(frame.At(left + 15, top + 8), around));
    }
}

TEST_F(GuiPixelTest, NothingAtAllIsDrawnWhileInactive)
{
    SmartPtr<Texture> arrow = TexelTexture(16, 8, std::vector<uint32_t>(16 * 8, kYellow));
    RecordingWidget* root = keeper->Make("root", 0, 0, 800, 600, kRed);
    gui.SetRoot(root);
    gui.SetCursor(arrow.Get(), 0, 0);
    MoveCursorTo(200, 100);
    gui.SetActive(false);
    TestFrame frame = Frame();
    int drawn = 0;
    for (uint32_t pixel : frame.pixels)
        drawn += pixel != kBackground;
    EXPECT_EQ(drawn, 0);
    EXPECT_TRUE(keeper->Calls("draw").empty());
}

TEST_F(GuiPixelTest, TheSplashFillsTheBackBufferAtItsOpacityClampedAndNeverFromNothing)
{
    SmartPtr<Texture> splash = TexelTexture(2, 2, {kRed, kGreen, kBlue, kYellow});
    GuiImage* image = keeper->Keep(new GuiImage());
    EXPECT_FLOAT_EQ(image->alpha, 1.0f);
    // Wherever the image and its parent lie, it covers the whole screen.
    RecordingWidget* root = keeper->Make("root", 30, 40, 100, 100);
    image->x = 50;
    image->y = 60;
    root->AddChild(image);
    gui.SetRoot(root);

    const float kNaN = std::numeric_limits<float>::quiet_NaN();
    struct Case
    {
        float alpha;
        bool textured;
        uint32_t alphaByte;
    } cases[] = {
        {1.0f, true, 255},
        {0.5f, true, 127},
        {0.0f, true, 0},
        {1.5f, true, 255},
        {-0.5f, true, 0},
        {1e10f, true, 255},
        {-1e10f, true, 0},
        {kNaN, true, 0},
        // No texture: the quad in its colour alone.
        {1.0f, false, 255},
        {0.5f, false, 127},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message()
                     << "alpha " << c.alpha << (c.textured ? "" : " untextured"));
        image->alpha = c.alpha;
        image->texture = c.textured ? splash.Get() : nullptr;
        TestFrame frame = Frame();
        int w = frame.width;
        int h = frame.height;
        struct Probe
        {
            int x, y;
            uint32_t texel;
        } probes[] = {{0, 0, kRed}, {w - 1, 0, kGreen}, {0, h - 1, kBlue}, {w - 1, h - 1, kYellow}};
        for (const Probe& probe : probes)
        {
            uint32_t rgb = c.textured ? probe.texel & 0x00FFFFFF : 0x00FFFFFF;
            EXPECT_TRUE(
                ColorNear(frame.At(probe.x, probe.y), Blend(c.alphaByte << 24 | rgb, kBackground)))
                << "at " << probe.x << "," << probe.y;
        }
    }
}

TEST_F(GuiPixelTest, OutlinedTextIsWhiteOverABlackOutlineOnePixelEachWay)
{
    UseFont();
    IDirect3DDevice9* device = Video::Instance().device;
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x00222244, 1.0f, 0);
    ApplyRenderPreset(device, RenderPreset::Screen);
    DrawOutlinedText("A", 300, 200);
    TestFrame frame = Read();
    // The glyph's cell is solid: the four black copies show only at the rim.
    EXPECT_TRUE(ColorNear(frame.At(300, 200), GlyphColor('A')));
    EXPECT_TRUE(ColorNear(frame.At(307, 207), GlyphColor('A')));
    EXPECT_TRUE(ColorNear(frame.At(299, 203), 0xFF000000));
    EXPECT_TRUE(ColorNear(frame.At(308, 203), 0xFF000000));
    EXPECT_TRUE(ColorNear(frame.At(303, 199), 0xFF000000));
    EXPECT_TRUE(ColorNear(frame.At(303, 208), 0xFF000000));
    EXPECT_TRUE(ColorNear(frame.At(299, 199), kBackground));
}
