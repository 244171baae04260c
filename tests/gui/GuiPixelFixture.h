// Video started on the main window with the GUI active and its cursor kept on
// the back buffer, for pictures of widgets read back from the real renderer;
// and skins whose texels are coloured by the region they lie in.
#pragma once

#include "gui/GuiTestSupport.h"
#include "support/VideoFixture.h"

#include <functional>
#include <memory>

class GuiPixelFixture : public VideoFixture
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
        keeper.reset(); // lets go of the textures before the device goes
        VideoFixture::TearDown();
    }
    TestFrame Frame()
    {
        Video::Instance().Render();
        return Read();
    }

    // Video's clear colour.
    static constexpr uint32_t kBackground = 0xFF222244;

    // An opaque colour of its own for each region (column, row) of a skin, far
    // from black, white, the background and the test font's glyphs.
    static uint32_t Region(int column, int row)
    {
        return 0xFF000060u | static_cast<uint32_t>(20 + 28 * column) << 16 |
               static_cast<uint32_t>(20 + 28 * row) << 8;
    }
    // A width by height skin with texel (x, y) in the colour given.
    static SmartPtr<Texture> Skin(int width, int height,
                                  const std::function<uint32_t(int x, int y)>& colorAt)
    {
        std::vector<uint32_t> texels;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                texels.push_back(colorAt(x, y));
        return TexelTexture(width, height, texels);
    }

    GuiManager& gui = GuiManager::Instance();
    std::unique_ptr<WidgetKeeper> keeper;
};
