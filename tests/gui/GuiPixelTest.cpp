// The GUI read back from the real renderer through Video's frame: widgets back
// to front, the cursor on top at its hot point, nothing while inactive, the
// splash over the whole back buffer at its clamped opacity.
#include "core/Kernel.h"
#include "gui/GuiImage.h"
#include "gui/GuiTestSupport.h"

#include <algorithm>
#include <cmath>

namespace
{
const uint32_t kRed = 0xFFFF0000;
const uint32_t kGreen = 0xFF00FF00;
const uint32_t kBlue = 0xFF0000FF;
const uint32_t kYellow = 0xFFFFFF00;

using GuiPixelTest = GuiPixelFixture;
} // namespace

TEST_F(GuiPixelTest, WidgetsDrawBackToFrontAndAClickRaisesOneWithinTheSameKernelFrame)
{
    RecordingWidget* root = keeper->Make("root", 0, 0, 0, 0);
    RecordingWidget* red = keeper->Make("red", 100, 100, 100, 100, kRed);
    RecordingWidget* green = keeper->Make("green", 150, 150, 100, 100, kGreen);
    root->AddChild(red);
    root->AddChild(green);
    green->AddChild(keeper->Make("blue", 10, 10, 20, 20, kBlue));
    gui.SetRoot(root);
    // Probes on the diagonal: red alone, the overlap, green's child, green
    // alone, nothing; before and after a click on red.
    const int probes[] = {120, 190, 165, 230, 95};
    const uint32_t colours[2][5] = {{kRed, kGreen, kBlue, kGreen, kClearColour},
                                    {kRed, kRed, kRed, kGreen, kClearColour}};
    for (const uint32_t(&expected)[5] : colours)
    {
        Kernel::GetInstance()->Update();
        TestFrame frame = Read();
        for (int i = 0; i < 5; ++i)
            EXPECT_TRUE(ColorNear(frame.At(probes[i], probes[i]), expected[i])) << i;
        MoveCursorTo(120, 120);
        gui.OnLeftDown();
    }
}

TEST_F(GuiPixelTest, TheCursorLiesOnTopAtItsPositionLessTheHotPointAndNothingShowsWhileInactive)
{
    SmartPtr<Texture> arrow = TexelTexture(16, 8, std::vector<uint32_t>(16 * 8, kYellow));
    RecordingWidget* root = keeper->Make("root", 0, 0, 400, 400, kRed);
    MoveCursorTo(200, 100);
    struct Case
    {
        int hotX, hotY;
        bool tree;
    } cases[] = {{0, 0, true}, {8, 8, true}, {15, 3, true}, {8, 8, false}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.hotX << "," << c.hotY << " tree " << c.tree);
        gui.SetRoot(c.tree ? root : nullptr);
        gui.SetCursor(arrow.Get(), c.hotX, c.hotY);
        TestFrame frame = Frame();
        int left = 200 - c.hotX;
        int top = 100 - c.hotY;
        uint32_t around = c.tree ? kRed : kClearColour;
        EXPECT_TRUE(ColorNear(frame.At(left, top), kYellow));
        EXPECT_TRUE(ColorNear(frame.At(left + 15, top + 7), kYellow));
        EXPECT_TRUE(ColorNear(frame.At(left - 1, top), around));
        EXPECT_TRUE(ColorNear(frame.At(left, top - 1), around));
        EXPECT_TRUE(ColorNear(frame.At(left + 16, top + 7), around));
        EXPECT_TRUE(ColorNear(frame.At(left + 15, top + 8), around));
    }

    gui.SetActive(false);
    TestFrame frame = Frame();
    EXPECT_EQ(std::count(frame.pixels.begin(), frame.pixels.end(), kClearColour),
              static_cast<long>(frame.pixels.size()));
}

TEST_F(GuiPixelTest, TheSplashFillsTheBackBufferAtItsOpacityClampedAndNeverFromNothing)
{
    SmartPtr<Texture> splash = TexelTexture(2, 2, {kRed, kGreen, kBlue, kYellow});
    GuiImage* image = new GuiImage();
    keeper->widgets.push_back(image);
    EXPECT_FLOAT_EQ(image->alpha, 1.0f);
    EXPECT_EQ(std::vector<int>({image->x, image->y, image->width, image->height}),
              std::vector<int>({0, 0, 10000, 10000}));
    // Wherever the image and its parent lie, it covers the whole screen.
    RecordingWidget* root = keeper->Make("root", 30, 40, 100, 100);
    image->x = 50;
    image->y = 60;
    root->AddChild(image);
    gui.SetRoot(root);
    struct Case
    {
        float alpha;
        uint32_t alphaByte;
        bool textured;
    } cases[] = {
        {1.0f, 255, true},  {0.5f, 127, true},  {0.0f, 0, true},   {1.5f, 255, true},
        {-0.5f, 0, true},   {1e10f, 255, true}, {-1e10f, 0, true}, {std::nanf(""), 0, true},
        {1.0f, 255, false}, {0.5f, 127, false}, // no texture: the colour alone
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message() << "alpha " << c.alpha << " textured " << c.textured);
        image->alpha = c.alpha;
        image->texture = c.textured ? splash.Get() : nullptr;
        TestFrame frame = Frame();
        int r = frame.width - 1;
        int b = frame.height - 1;
        const int corners[][2] = {{0, 0}, {r, 0}, {0, b}, {r, b}};
        const uint32_t texels[] = {kRed, kGreen, kBlue, kYellow};
        for (int i = 0; i < 4; ++i)
        {
            uint32_t rgb = c.textured ? texels[i] & 0x00FFFFFF : 0x00FFFFFF;
            EXPECT_TRUE(ColorNear(frame.At(corners[i][0], corners[i][1]),
                                  Blend(c.alphaByte << 24 | rgb, kClearColour)))
                << "corner " << i;
        }
    }
}
