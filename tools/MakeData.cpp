// tolvi_makedata <output folder>: writes the game's whole data set into the
// folder (the game's working directory), the same bytes on every run.
#include "MakeData.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: tolvi_makedata <output folder>\n");
        return 2;
    }
    const std::string folder = argv[1];
    for (const char* sub : {"/data/textures", "/data/music"})
    {
        std::error_code error;
        std::filesystem::create_directories(folder + sub, error);
        if (error)
        {
            std::fprintf(stderr, "tolvi_makedata: cannot create %s%s: %s\n", folder.c_str(), sub,
                         error.message().c_str());
            return 1;
        }
    }
    const bool ok = WriteModels(folder) && WriteTextures(folder) && WriteSky(folder) &&
                    WriteGuiSkins(folder) && WriteFont(folder) && WriteMusic(folder) &&
                    WriteLevel(folder);
    return ok && WriteTestLevel(folder) ? 0 : 1;
}
