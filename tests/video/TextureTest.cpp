// The resource cache and textures: one load per name, the dummy texture for
// files that fail, sized textures and their locks.
#include "core/SmartPtr.h"
#include "support/VideoFixture.h"
#include "video/Model.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace
{
class TextureTest : public VideoFixture
{
protected:
    int CountLines(const std::string& line) const
    {
        std::vector<std::string> lines = log->Lines();
        return static_cast<int>(std::count(lines.begin(), lines.end(), line));
    }
};
} // namespace

TEST_F(TextureTest, ANameIsLoadedOnceWhateverItsCase)
{
    WritePng(folder.File("Crate.png"), 3, 3, std::vector<uint32_t>(9, 0xFF102030), false);
    std::string name = folder.path + "\\Crate.png";
    std::string upper = name;
    for (char& c : upper)
        c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    log->Clear();
    SmartPtr<Texture> first = ResourceManager::Instance().GetTexture(name.c_str());
    SmartPtr<Texture> second = ResourceManager::Instance().GetTexture(upper.c_str());
    EXPECT_EQ(first.Get(), second.Get());
    EXPECT_EQ(CountLines("Texture " + name + " loaded."), 1);
    EXPECT_EQ(log->Lines().size(), 1u);
    ASSERT_TRUE(first->texture);
    // The size after rounding up to powers of two.
    EXPECT_EQ(first->width, 4);
    EXPECT_EQ(first->height, 4);
    std::string lower = name;
    for (char& c : lower)
        c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    EXPECT_STREQ(first->GetName(), lower.c_str());

    first = nullptr;
    second = nullptr;
    RefObject::CollectGarbage();
    EXPECT_EQ(CountLines("Texture " + lower + " freed."), 1);
}

// The look-up compares the type before the name, whichever kind came first.
TEST_F(TextureTest, ATextureAndAModelOfOneNameAreTwoEntries)
{
    for (bool textureFirst : {true, false})
    {
        std::string name = folder.File(textureFirst ? "first.png" : "second.png");
        WritePng(name, 2, 2, std::vector<uint32_t>(4, 0xFF102030), false);
        ResourceManager& cache = ResourceManager::Instance();
        SmartPtr<Texture> texture;
        SmartPtr<Model> model;
        if (textureFirst)
            texture = cache.GetTexture(name.c_str());
        model = cache.GetModel(name.c_str());
        if (!textureFirst)
            texture = cache.GetTexture(name.c_str());
        EXPECT_NE(static_cast<Resource*>(texture.Get()), static_cast<Resource*>(model.Get()));
        EXPECT_EQ(texture->GetType(), kResourceTexture);
        EXPECT_EQ(model->GetType(), kResourceModel);
        EXPECT_TRUE(texture->texture) << "the texture still loaded from the file";
        EXPECT_EQ(cache.GetTexture(name.c_str()), texture.Get());
        EXPECT_EQ(cache.GetModel(name.c_str()), model.Get());
    }
}

TEST_F(TextureTest, AMissingFileGivesTheCachedDummyTextureOnce)
{
    log->Clear();
    SmartPtr<Texture> first = ResourceManager::Instance().GetTexture("data\\textures\\none.png");
    SmartPtr<Texture> second = ResourceManager::Instance().GetTexture("DATA\\textures\\NONE.png");
    EXPECT_EQ(first.Get(), second.Get());
    EXPECT_EQ(log->Lines(),
              (std::vector<std::string>{"!!! Failed to load texture data\\textures\\none.png.",
                                        "Dummy texture created"}));
    EXPECT_FALSE(first->texture);
    EXPECT_EQ(first->width, 0);
    EXPECT_EQ(first->Lock(), nullptr);
    first->Unlock();
    // An empty texture goes without a word.
    log->Clear();
    first = nullptr;
    second = nullptr;
    RefObject::CollectGarbage();
    EXPECT_TRUE(log->Lines().empty());
}

TEST_F(TextureTest, ATextureReleasedThisFrameIsHandedOutAgainAndSurvives)
{
    WritePng(folder.File("smoke.png"), 2, 2, std::vector<uint32_t>(4, 0xFFFFFFFF), false);
    std::string name = folder.File("smoke.png");
    SmartPtr<Texture> held = ResourceManager::Instance().GetTexture(name.c_str());
    Texture* original = held.Get();
    held = nullptr; // queued for deletion at the end of the frame
    log->Clear();
    held = ResourceManager::Instance().GetTexture(name.c_str());
    EXPECT_EQ(held.Get(), original);
    RefObject::CollectGarbage();
    EXPECT_TRUE(log->Lines().empty());
    EXPECT_TRUE(held->texture);
    EXPECT_EQ(ResourceManager::Instance().GetTexture(name.c_str()), original);
}

TEST_F(TextureTest, OverlongNamesAreCutAndStillFoundAgain)
{
    std::string name = "data\\textures\\" + std::string(300, 'q') + ".png";
    SmartPtr<Texture> first = ResourceManager::Instance().GetTexture(name.c_str());
    SmartPtr<Texture> second = ResourceManager::Instance().GetTexture(name.c_str());
    EXPECT_EQ(first.Get(), second.Get());
    EXPECT_EQ(strlen(first->GetName()), 259u);
}

TEST_F(TextureTest, SizedTexturesLockTheirTopLevelAndRefuseOtherPixelSizes)
{
    SmartPtr<Texture> lightmap = new Texture(16, 8, 32, 0);
    ASSERT_TRUE(lightmap->texture);
    EXPECT_EQ(lightmap->width, 16);
    uint32_t* pixels = static_cast<uint32_t*>(lightmap->Lock());
    ASSERT_TRUE(pixels);
    for (int i = 0; i < 16 * 8; ++i)
        pixels[i] = 0xFF000000u | static_cast<uint32_t>(i);
    lightmap->Unlock();
    pixels = static_cast<uint32_t*>(lightmap->Lock());
    ASSERT_TRUE(pixels);
    EXPECT_EQ(pixels[127], 0xFF00007Fu);
    lightmap->Unlock();

    const int sizes[][2] = {{16, 4}, {16, 0}, {24, 0}, {32, 8}};
    for (const auto& size : sizes)
    {
        SmartPtr<Texture> texture = new Texture(8, 8, size[0], size[1]);
        EXPECT_TRUE(texture->texture) << size[0] << "/" << size[1];
    }
    SmartPtr<Texture> odd = new Texture(8, 8, 8, 0);
    EXPECT_FALSE(odd->texture);
    EXPECT_EQ(odd->Lock(), nullptr);

    // Without a device no sized texture can be made.
    Video::Instance().Shutdown();
    SmartPtr<Texture> late = new Texture(8, 8, 32, 0);
    EXPECT_FALSE(late->texture);
    EXPECT_EQ(late->width, 8);
}
