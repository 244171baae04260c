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

bool LoadFile(const std::string& path, std::vector<uint8_t>& bytes)
{
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return false;
    bytes.clear();
    uint8_t buffer[4096];
    size_t count = 0;
    while ((count = std::fread(buffer, 1, sizeof(buffer), file)) > 0)
        bytes.insert(bytes.end(), buffer, buffer + count);
    const bool read = !std::ferror(file);
    std::fclose(file);
    return read;
}
} // namespace assets
