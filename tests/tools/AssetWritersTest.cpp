// The asset library's writers: pictures read back through the engine's own
// decoder at sizes whose BMP rows need padding, and files that cannot be
// written or encoded reported as failures.
#include "assets/Files.h"
#include "assets/VorbisEncoder.h"
#include "support/ImageFiles.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

TEST(AssetWritersTest, PicturesOfOddSizesDecodeToTheirPixels)
{
    ScratchFolder folder("assets");
    // BMP rows of 9 and 15 bytes, padded to 12 and 16.
    for (const auto& [width, height] : {std::pair<int, int>{3, 5}, {5, 3}})
    {
        assets::Image image(width, height);
        for (int y = 0; y < height; ++y)
        {
            for (int x = 0; x < width; ++x)
            {
                image.At(x, y) = assets::Rgba{static_cast<uint8_t>(40 * x + 10),
                                              static_cast<uint8_t>(50 * y + 5),
                                              static_cast<uint8_t>(200 - 30 * x - 7 * y),
                                              static_cast<uint8_t>(x == y ? 64 : 255)};
            }
        }
        struct Written
        {
            const char* name;
            bool ok;
            bool alpha;
        };
        const Written files[] = {
            {"rgb.png", assets::WritePng(image, folder.File("rgb.png"), false), false},
            {"rgba.png", assets::WritePng(image, folder.File("rgba.png"), true), true},
            {"p.bmp", assets::WriteBmp(image, folder.File("p.bmp")), false},
        };
        for (const Written& file : files)
        {
            const std::string what =
                std::string(file.name) + " " + std::to_string(width) + "x" + std::to_string(height);
            ASSERT_TRUE(file.ok) << what;
            DecodedImage decoded;
            ASSERT_TRUE(ReadImage(folder.File(file.name), decoded)) << what;
            ASSERT_EQ(decoded.width, width) << what;
            ASSERT_EQ(decoded.height, height) << what;
            EXPECT_EQ(decoded.hasAlpha, file.alpha) << what;
            for (int y = 0; y < height; ++y)
            {
                for (int x = 0; x < width; ++x)
                {
                    const assets::Rgba p = image.At(x, y);
                    const uint8_t* q = &decoded.bgra[(static_cast<size_t>(y) * width + x) * 4];
                    EXPECT_EQ(std::vector<int>(q, q + 4),
                              (std::vector<int>{p.b, p.g, p.r, file.alpha ? p.a : 255}))
                        << what << " at " << x << "," << y;
                }
            }
        }
        ASSERT_TRUE(assets::WriteJpeg(image, folder.File("p.jpg"), 100));
        DecodedImage jpeg;
        ASSERT_TRUE(ReadImage(folder.File("p.jpg"), jpeg));
        EXPECT_EQ(jpeg.width, width);
        EXPECT_EQ(jpeg.height, height);
        EXPECT_FALSE(jpeg.hasAlpha);
    }
}

TEST(AssetWritersTest, FilesThatCannotBeMadeAreFailures)
{
    ScratchFolder folder("assets");
    const std::string missing = folder.File("no folder/file");
    const assets::Image image(2, 2);
    EXPECT_FALSE(assets::SaveFile(missing, std::vector<uint8_t>{1, 2, 3}));
    EXPECT_FALSE(assets::WritePng(image, missing, true));
    EXPECT_FALSE(assets::WriteJpeg(image, missing, 90));
    EXPECT_FALSE(assets::WriteBmp(image, missing));
    EXPECT_TRUE(assets::EncodeVorbis({0.0f, 0.0f}, 0, 44100, assets::VorbisSettings()).empty());
    EXPECT_TRUE(assets::EncodeVorbis({0.0f, 0.0f}, 2, 0, assets::VorbisSettings()).empty());
}
