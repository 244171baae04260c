#include "platform/Files.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace
{
class FilesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(dir + "/data/Textures");
        std::ofstream(dir + "/data/Textures/Crate.PNG") << "x";
    }
    ScratchFolder scratch{"files"};
    std::string dir = scratch.path;
};
} // namespace

TEST_F(FilesTest, BackslashesAndCaseResolveToTheFileThatExists)
{
    EXPECT_EQ(ResolvePath((dir + "\\data\\textures\\crate.png").c_str()),
              dir + "/data/Textures/Crate.PNG");
    FILE* file = OpenFile((dir + "\\DATA\\TEXTURES\\CRATE.png").c_str(), "rb");
    ASSERT_NE(file, nullptr);
    fclose(file);
    EXPECT_TRUE(IsRegularFile((dir + "\\data\\textures\\crate.png").c_str()));
    EXPECT_FALSE(IsRegularFile((dir + "\\data\\textures").c_str()));
}

TEST_F(FilesTest, RelativePathsResolveFromTheWorkingFolder)
{
    char old[4096];
    ASSERT_NE(getcwd(old, sizeof(old)), nullptr);
    ASSERT_EQ(chdir(dir.c_str()), 0);
    EXPECT_EQ(ResolvePath("data\\textures\\crate.png"), "data/Textures/Crate.PNG");
    EXPECT_EQ(ResolvePath("data/missing.png"), "data/missing.png");
    EXPECT_EQ(ResolvePath("newfile.txt"), "newfile.txt");
    ASSERT_EQ(chdir(old), 0);
}

TEST_F(FilesTest, MissingFilesFailToOpen)
{
    EXPECT_EQ(OpenFile((dir + "/data/none.png").c_str(), "rb"), nullptr);
    EXPECT_EQ(OpenFile(nullptr, "rb"), nullptr);
    EXPECT_EQ(ResolvePath(""), "");
}
