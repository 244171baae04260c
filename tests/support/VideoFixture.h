// The main window and the Video subsystem started on it, with the log captured
// from before the start; and a font texture whose glyph cells tell which glyph
// was drawn.
#pragma once

#include "core/RefObject.h"
#include "core/Shell.h"
#include "platform/TestHooks.h"
#include "support/DeviceWindow.h"
#include "support/ImageFiles.h"
#include "support/LogCapture.h"
#include "video/ResourceManager.h"
#include "video/Texture.h"
#include "video/Video.h"
#include "video/VideoTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

// An A8R8G8B8 texture of these texels, top row first.
inline SmartPtr<Texture> TexelTexture(int width, int height, const std::vector<uint32_t>& texels)
{
    SmartPtr<Texture> texture(new Texture(width, height, 32, 8));
    std::copy(texels.begin(), texels.end(), static_cast<uint32_t*>(texture->Lock()));
    texture->Unlock();
    return texture;
}

class VideoFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // The shared video an earlier test may have left running goes first.
        VideoTestSupport::Stop();
        TestClearMessages();
        log.reset(new LogCapture());
        CreateMainWindow();
        Video::Instance().Initialize();
        ASSERT_TRUE(Video::Instance().device) << "no device";
    }
    void TearDown() override
    {
        Video& video = Video::Instance();
        video.fontTexture = nullptr;
        video.chatLines.clear();
        video.message.clear();
        video.messageColor = 0;
        RefObject::CollectGarbage();
        VideoTestSupport::Stop();
        TestClearMessages();
        log.reset();
    }

    // The colour of glyph cell (column, row) of FontFile: red full, green
    // row * 16 + 8, blue column * 16 + 8. The space glyph is transparent.
    static uint32_t GlyphColor(unsigned char c)
    {
        return 0xFFFF0000u | static_cast<uint32_t>((c / 16) * 16 + 8) << 8 |
               static_cast<uint32_t>((c % 16) * 16 + 8);
    }

    // Writes the 128 by 128 font PNG and returns its path.
    std::string FontFile()
    {
        std::vector<uint32_t> argb(128 * 128);
        for (int y = 0; y < 128; ++y)
        {
            for (int x = 0; x < 128; ++x)
            {
                unsigned char c = static_cast<unsigned char>((y / 8) * 16 + x / 8);
                argb[static_cast<size_t>(y) * 128 + x] = c == ' ' ? 0u : GlyphColor(c);
            }
        }
        std::string path = folder.File("font.png");
        WritePng(path, 128, 128, argb, true);
        return path;
    }

    void UseFont()
    {
        Video::Instance().SetFontTexture(
            ResourceManager::Instance().GetTexture(FontFile().c_str()));
    }

    TestFrame Read() const { return TestReadFrame(Video::Instance().device); }

    std::unique_ptr<LogCapture> log;
    ScratchFolder folder;
};
