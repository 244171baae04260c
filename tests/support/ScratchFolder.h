// A fresh folder under the system's temporary folder for one test's files,
// removed with everything in it when the object goes; a working folder for
// the length of a test; whole files read and written as bytes; and the count
// of open descriptors.
#pragma once

#include "assets/Files.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

class ScratchFolder
{
public:
    // The folder is named "tolvi-<prefix>-" and six unique characters. A test
    // cannot go on without its folder, so failing to make one ends the process.
    explicit ScratchFolder(const std::string& prefix = "test")
    {
        std::string pattern =
            (std::filesystem::temp_directory_path() / ("tolvi-" + prefix + "-XXXXXX")).string();
        if (!mkdtemp(pattern.data()))
        {
            std::perror(("cannot create a folder like " + pattern).c_str());
            std::abort();
        }
        path = pattern;
    }
    ~ScratchFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // The path of a file or folder inside, relative to the folder.
    std::string File(const std::string& name) const { return path + "/" + name; }

    std::string path;
};

// The working folder is the one given while the object lives, then the one
// before it again.
class WorkingFolder
{
public:
    explicit WorkingFolder(const std::string& folder) : previous(std::filesystem::current_path())
    {
        std::filesystem::current_path(folder);
    }
    ~WorkingFolder()
    {
        std::error_code ignored;
        std::filesystem::current_path(previous, ignored);
    }
    WorkingFolder(const WorkingFolder&) = delete;
    WorkingFolder& operator=(const WorkingFolder&) = delete;

private:
    std::filesystem::path previous;
};

// The whole file; empty when it cannot be read.
inline std::vector<uint8_t> ReadBytes(const std::string& path)
{
    std::vector<uint8_t> bytes;
    return assets::LoadFile(path, bytes) ? bytes : std::vector<uint8_t>();
}

// Writes the bytes as the whole file; false when it cannot.
inline bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    return assets::SaveFile(path, bytes);
}

// The descriptors this process has open.
inline int CountOpenDescriptors()
{
    const std::filesystem::directory_iterator fds("/proc/self/fd");
    return static_cast<int>(std::distance(begin(fds), end(fds)));
}
