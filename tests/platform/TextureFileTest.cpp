// Texture files: PNG, JPEG and BMP decoded into device textures, saving as
// BMP, and bad files refused without a texture.
#include "platform/D3DX9Tex.h"
#include "support/DeviceWindow.h"
#include "support/ImageFiles.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <sys/stat.h>

#include <cstring>

namespace
{
class TextureFileTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(w.device); }
    void TearDown() override
    {
        if (texture)
            texture->Release();
    }

    HRESULT Load(const std::string& path)
    {
        if (texture)
            texture->Release();
        texture = nullptr;
        return D3DXCreateTextureFromFileExA(w.device, path.c_str(), 0, 0, 0, 0, D3DFMT_UNKNOWN,
                                            D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr,
                                            nullptr, &texture);
    }

    D3DSURFACE_DESC Desc(UINT level = 0)
    {
        D3DSURFACE_DESC desc = {};
        texture->GetLevelDesc(level, &desc);
        return desc;
    }

    // Level 0 as ARGB words.
    std::vector<uint32_t> Pixels()
    {
        D3DSURFACE_DESC desc = Desc();
        D3DLOCKED_RECT locked;
        std::vector<uint32_t> pixels;
        if (FAILED(texture->LockRect(0, &locked, nullptr, 0)))
            return pixels;
        pixels.resize(static_cast<size_t>(desc.Width) * desc.Height);
        memcpy(pixels.data(), locked.pBits, pixels.size() * 4);
        texture->UnlockRect(0);
        return pixels;
    }

    DeviceWindow w;
    ScratchFolder folder;
    IDirect3DTexture9* texture = nullptr;
};

std::vector<uint32_t> Pattern(int width, int height, uint32_t alpha)
{
    std::vector<uint32_t> argb;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            argb.push_back(alpha << 24 | static_cast<uint32_t>(x * 40) << 16 |
                           static_cast<uint32_t>(y * 30) << 8 | 0x5A);
    return argb;
}

// Sets the size fields of a PNG's header chunk and its checksum.
void SetPngSize(std::vector<uint8_t>& png, uint32_t width, uint32_t height)
{
    for (int i = 0; i < 4; ++i)
    {
        png[16 + i] = static_cast<uint8_t>(width >> (24 - 8 * i));
        png[20 + i] = static_cast<uint8_t>(height >> (24 - 8 * i));
    }
    uLong crc = crc32(0, &png[12], 17);
    for (int i = 0; i < 4; ++i)
        png[29 + i] = static_cast<uint8_t>(crc >> (24 - 8 * i));
}
} // namespace

TEST_F(TextureFileTest, PngWithAlphaRoundsUpToPowersOfTwoWithAFullChain)
{
    std::vector<uint32_t> source = Pattern(3, 5, 0x80);
    ASSERT_TRUE(WritePng(folder.File("a.png"), 3, 5, source, true));
    ASSERT_EQ(Load(folder.File("a.png")), D3D_OK);
    ASSERT_TRUE(texture);
    EXPECT_EQ(Desc().Width, 4u);
    EXPECT_EQ(Desc().Height, 8u);
    EXPECT_EQ(Desc().Format, D3DFMT_A8R8G8B8);
    EXPECT_EQ(texture->GetLevelCount(), 4u);
    EXPECT_EQ(Desc(3).Width, 1u);
    std::vector<uint32_t> pixels = Pixels();
    // The resampled corners keep the source's corner pixels, alpha included.
    EXPECT_TRUE(ColorNear(pixels[0], source[0], 1));
    EXPECT_TRUE(ColorNear(pixels.back(), source.back(), 1));
}

TEST_F(TextureFileTest, OpaqueFilesOfEachKindKeepTheirPixels)
{
    std::vector<uint32_t> source = Pattern(4, 4, 0xFF);
    ASSERT_TRUE(WritePng(folder.File("rgb.png"), 4, 4, source, false));
    ASSERT_EQ(Load(folder.File("rgb.png")), D3D_OK);
    EXPECT_EQ(Desc().Format, D3DFMT_X8R8G8B8);
    EXPECT_EQ(Pixels(), source);

    ASSERT_TRUE(WriteBytes(folder.File("b.bmp"), BmpBytes(4, 4, source)));
    ASSERT_EQ(Load(folder.File("b.bmp")), D3D_OK);
    EXPECT_EQ(Desc().Width, 4u);
    EXPECT_EQ(Pixels(), source);

    std::vector<uint32_t> flat(16 * 16, 0xFF3C78B4);
    ASSERT_TRUE(WriteJpeg(folder.File("c.jpg"), 16, 16, flat));
    ASSERT_EQ(Load(folder.File("c.jpg")), D3D_OK);
    EXPECT_EQ(Desc().Width, 16u);
    EXPECT_TRUE(ColorNear(Pixels()[17], 0xFF3C78B4, 3));
}

TEST_F(TextureFileTest, WindowsPathsResolveBackslashesAndCase)
{
    mkdir(folder.File("data").c_str(), 0755);
    mkdir(folder.File("data/textures").c_str(), 0755);
    ASSERT_TRUE(WritePng(folder.File("data/textures/font.png"), 2, 2, Pattern(2, 2, 0xFF), false));
    EXPECT_EQ(Load(folder.path + "\\DATA\\Textures\\Font.PNG"), D3D_OK);
    EXPECT_TRUE(texture);
    // A folder is no image.
    EXPECT_NE(Load(folder.path + "\\data\\textures\\"), D3D_OK);
    EXPECT_FALSE(texture);
}

TEST_F(TextureFileTest, SavedBmpLoadsBackWithTheSameSizeAndPixels)
{
    IDirect3DTexture9* made = nullptr;
    ASSERT_EQ(w.device->CreateTexture(8, 4, 0, D3DUSAGE_AUTOGENMIPMAP, D3DFMT_X8R8G8B8,
                                      D3DPOOL_MANAGED, &made, nullptr),
              D3D_OK);
    std::vector<uint32_t> source = Pattern(8, 4, 0xFF);
    D3DLOCKED_RECT locked;
    made->LockRect(0, &locked, nullptr, 0);
    memcpy(locked.pBits, source.data(), source.size() * 4);
    made->UnlockRect(0);
    EXPECT_EQ(D3DXSaveTextureToFileA(folder.File("lmap0.bmp").c_str(), D3DXIFF_BMP, made, nullptr),
              D3D_OK);
    made->Release();
    ASSERT_EQ(Load(folder.File("lmap0.bmp")), D3D_OK);
    EXPECT_EQ(Desc().Width, 8u);
    EXPECT_EQ(Desc().Height, 4u);
    EXPECT_EQ(Pixels(), source);
}

TEST_F(TextureFileTest, BadFilesFailCleanlyWithoutATexture)
{
    std::vector<uint32_t> source = Pattern(16, 16, 0xFF);
    ASSERT_TRUE(WritePng(folder.File("good.png"), 16, 16, source, false));
    ASSERT_TRUE(WriteJpeg(folder.File("good.jpg"), 16, 16, source));
    std::vector<uint8_t> png = ReadBytes(folder.File("good.png"));
    std::vector<uint8_t> jpg = ReadBytes(folder.File("good.jpg"));
    std::vector<uint8_t> bmp = BmpBytes(16, 16, source);

    std::vector<std::pair<std::string, std::vector<uint8_t>>> cases;
    cases.push_back({"empty.png", {}});
    cases.push_back({"magic.png", {'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0}});
    cases.push_back({"short.png", std::vector<uint8_t>(png.begin(), png.begin() + png.size() / 2)});
    cases.push_back({"short.jpg", std::vector<uint8_t>(jpg.begin(), jpg.begin() + jpg.size() / 2)});
    cases.push_back({"short.bmp", std::vector<uint8_t>(bmp.begin(), bmp.begin() + 100)});
    cases.push_back({"header.bmp", std::vector<uint8_t>(bmp.begin(), bmp.begin() + 20)});
    std::vector<uint8_t> hugePng = png;
    SetPngSize(hugePng, 100000, 100000);
    cases.push_back({"huge.png", hugePng});
    std::vector<uint8_t> hugeBmp = bmp;
    hugeBmp[20] = 0x40; // width 16 + 0x400000
    hugeBmp[24] = 0x40;
    cases.push_back({"huge.bmp", hugeBmp});
    std::vector<uint8_t> hugeJpg = jpg;
    for (size_t i = 0; i + 8 < hugeJpg.size(); ++i)
    {
        // The frame header: FF C0, length, precision, height, width.
        if (hugeJpg[i] == 0xFF && hugeJpg[i + 1] == 0xC0)
        {
            hugeJpg[i + 5] = hugeJpg[i + 7] = 0xEA;
            hugeJpg[i + 6] = hugeJpg[i + 8] = 0x60;
            break;
        }
    }
    cases.push_back({"huge.jpg", hugeJpg});

    for (const auto& bad : cases)
    {
        ASSERT_TRUE(WriteBytes(folder.File(bad.first), bad.second));
        EXPECT_TRUE(FAILED(Load(folder.File(bad.first)))) << bad.first;
        EXPECT_FALSE(texture) << bad.first;
    }
    EXPECT_TRUE(FAILED(Load(folder.File("missing.png"))));
}
