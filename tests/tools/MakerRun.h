// Runs the data set maker into a fresh temporary folder for one test and
// removes the folder afterwards; small readers for what it writes.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

class MakerRun
{
public:
    MakerRun()
    {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "tolvi_makedata_XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr)
            folder = pattern;
    }
    ~MakerRun()
    {
        if (!folder.empty())
        {
            std::error_code ignored;
            std::filesystem::remove_all(folder, ignored);
        }
    }
    MakerRun(const MakerRun&) = delete;
    MakerRun& operator=(const MakerRun&) = delete;

    // Runs the maker; true when it exited with 0.
    bool Make() const
    {
#ifdef TOLVI_MAKEDATA
        if (folder.empty())
            return false;
        const std::string command = std::string("\"") + TOLVI_MAKEDATA + "\" \"" + folder + "\"";
        return std::system(command.c_str()) == 0;
#else
        return false;
#endif
    }

    std::string Path(const std::string& relative) const
    {
        return folder + "/" + relative;
    }

    std::string folder;
};

inline std::vector<uint8_t> ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in),
                                std::istreambuf_iterator<char>());
}

#ifdef TOLVI_MAKEDATA
#define TOLVI_REQUIRE_MAKER()
#else
#define TOLVI_REQUIRE_MAKER() GTEST_SKIP() << "built without tools/ (TOLVI_BUILD_TOOLS off)"
#endif
