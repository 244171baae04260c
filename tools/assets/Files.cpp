#include "assets/Files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace assets
{
bool SaveFile(const std::string& path, const void* data, size_t size)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
    {
        std::fprintf(stderr, "cannot open %s for writing: %s\n", path.c_str(),
                     std::strerror(errno));
        return false;
    }
    const bool written = size == 0 || std::fwrite(data, 1, size, file) == size;
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed)
    {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

bool SaveFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    return SaveFile(path, bytes.data(), bytes.size());
}
} // namespace assets
