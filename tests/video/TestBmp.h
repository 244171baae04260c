// Writes small 24-bit BMP files for texture tests.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

// pixel(x, y) gives 0xRRGGBB for column x, row y counted from the top.
inline bool WriteTestBmp(const std::string& path, int width, int height,
                         const std::function<uint32_t(int, int)>& pixel)
{
    int rowBytes = (width * 3 + 3) & ~3;
    uint32_t imageBytes = static_cast<uint32_t>(rowBytes * height);
    std::vector<uint8_t> file(54 + imageBytes, 0);
    auto put16 = [&](size_t at, uint32_t v)
    {
        file[at] = static_cast<uint8_t>(v);
        file[at + 1] = static_cast<uint8_t>(v >> 8);
    };
    auto put32 = [&](size_t at, uint32_t v)
    {
        put16(at, v & 0xFFFF);
        put16(at + 2, v >> 16);
    };
    file[0] = 'B';
    file[1] = 'M';
    put32(2, static_cast<uint32_t>(file.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<uint32_t>(width));
    put32(22, static_cast<uint32_t>(height));
    put16(26, 1);
    put16(28, 24);
    put32(34, imageBytes);
    for (int y = 0; y < height; ++y)
    {
        // Rows are stored bottom-up.
        size_t row = 54 + static_cast<size_t>((height - 1 - y) * rowBytes);
        for (int x = 0; x < width; ++x)
        {
            uint32_t rgb = pixel(x, y);
            file[row + 3 * x] = static_cast<uint8_t>(rgb);
            file[row + 3 * x + 1] = static_cast<uint8_t>(rgb >> 8);
            file[row + 3 * x + 2] = static_cast<uint8_t>(rgb >> 16);
        }
    }
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out)
        return false;
    bool ok = std::fwrite(file.data(), 1, file.size(), out) == file.size();
    return std::fclose(out) == 0 && ok;
}
