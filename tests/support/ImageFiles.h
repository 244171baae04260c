// Tiny image files written in code for the texture tests: PNG through libpng,
// JPEG through libjpeg and BMP by hand. Pixels are ARGB words, top row first.
#pragma once

#include <png.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <jpeglib.h>

inline bool WritePng(const std::string& path, int width, int height,
                     const std::vector<uint32_t>& argb, bool alpha)
{
    FILE* file = fopen(path.c_str(), "wb");
    if (!file)
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 alpha ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<uint8_t> row(static_cast<size_t>(width) * 4);
    for (int y = 0; y < height; ++y)
    {
        size_t n = 0;
        for (int x = 0; x < width; ++x)
        {
            uint32_t p = argb[static_cast<size_t>(y) * width + x];
            row[n++] = static_cast<uint8_t>(p >> 16);
            row[n++] = static_cast<uint8_t>(p >> 8);
            row[n++] = static_cast<uint8_t>(p);
            if (alpha)
                row[n++] = static_cast<uint8_t>(p >> 24);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    fclose(file);
    return true;
}

inline bool WriteJpeg(const std::string& path, int width, int height,
                      const std::vector<uint32_t>& argb)
{
    FILE* file = fopen(path.c_str(), "wb");
    if (!file)
        return false;
    jpeg_compress_struct info;
    jpeg_error_mgr error;
    info.err = jpeg_std_error(&error);
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, file);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 100, TRUE);
    jpeg_start_compress(&info, TRUE);
    std::vector<uint8_t> row(static_cast<size_t>(width) * 3);
    while (info.next_scanline < info.image_height)
    {
        for (int x = 0; x < width; ++x)
        {
            uint32_t p = argb[static_cast<size_t>(info.next_scanline) * width + x];
            row[x * 3 + 0] = static_cast<uint8_t>(p >> 16);
            row[x * 3 + 1] = static_cast<uint8_t>(p >> 8);
            row[x * 3 + 2] = static_cast<uint8_t>(p);
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    fclose(file);
    return true;
}

// The bytes of an uncompressed 24-bit bottom-up BMP.
inline std::vector<uint8_t> BmpBytes(int width, int height, const std::vector<uint32_t>& argb)
{
    int rowSize = (width * 3 + 3) & ~3;
    uint32_t imageSize = static_cast<uint32_t>(rowSize * height);
    std::vector<uint8_t> bytes(54 + imageSize, 0);
    auto put32 = [&](size_t at, uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            bytes[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    bytes[0] = 'B';
    bytes[1] = 'M';
    put32(2, static_cast<uint32_t>(bytes.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<uint32_t>(width));
    put32(22, static_cast<uint32_t>(height));
    bytes[26] = 1;
    bytes[28] = 24;
    put32(34, imageSize);
    for (int y = 0; y < height; ++y)
    {
        uint8_t* row = &bytes[54 + static_cast<size_t>(height - 1 - y) * rowSize];
        for (int x = 0; x < width; ++x)
        {
            uint32_t p = argb[static_cast<size_t>(y) * width + x];
            row[x * 3 + 0] = static_cast<uint8_t>(p);
            row[x * 3 + 1] = static_cast<uint8_t>(p >> 8);
            row[x * 3 + 2] = static_cast<uint8_t>(p >> 16);
        }
    }
    return bytes;
}

inline bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    FILE* file = fopen(path.c_str(), "wb");
    if (!file)
        return false;
    // An empty vector may hand out a null pointer, which fwrite must not get.
    bool ok = bytes.empty() || fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    fclose(file);
    return ok;
}

inline std::vector<uint8_t> ReadBytes(const std::string& path)
{
    std::vector<uint8_t> bytes;
    FILE* file = fopen(path.c_str(), "rb");
    if (!file)
        return bytes;
    int c;
    while ((c = fgetc(file)) != EOF)
        bytes.push_back(static_cast<uint8_t>(c));
    fclose(file);
    return bytes;
}

// A scratch folder removed with everything in it when the object goes.
class ScratchFolder
{
public:
    ScratchFolder()
    {
        char pattern[] = "/tmp/tolvi-video-XXXXXX";
        path = mkdtemp(pattern);
    }
    ~ScratchFolder() { std::system(("rm -rf " + path).c_str()); }
    std::string File(const std::string& name) const { return path + "/" + name; }
    std::string path;
};
