#include "platform/Files.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
class FilesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/tolvi-files-XXXXXX";
        dir = mkdtemp(pattern);
        mkdir((dir + "/data").c_str(), 0755);
        mkdir((dir + "/data/Textures").c_str(), 0755);
        std::ofstream(dir + "/data/Textures/Crate.PNG") << "x";
    }
    void TearDown() override { std::system(("rm -rf " + dir).c_str()); }
    std::string dir;
};
} // namespace

TEST_F(FilesTest, BackslashesAndCaseResolveToTheFileThatExists)
{
    EXPECT_EQ(ResolvePath((dir + "\\data\\textures\\crate.png").c_str()),
              dir + "/data/Textures/Crate.PNG");
    FILE* file = OpenFile((dir + "\\DATA\\TEXTURES\\CRATE.png").c_str(), "rb");
    ASSERT_NE(file, nullptr);
    fclose(file);
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
