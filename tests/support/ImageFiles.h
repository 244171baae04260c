// Tiny image files for the texture tests, written with the asset library
// from ARGB words (top row first), and image files read back with the
// engine's own decoder.
#pragma once

#include "assets/Image.h"
#include "platform/ImageFile.h"
#include "support/ScratchFolder.h"

#include <cstdint>
#include <string>
#include <vector>

// The asset library's picture of width by height ARGB words.
inline assets::Image ArgbImage(int width, int height, const std::vector<uint32_t>& argb)
{
    assets::Image image(width, height);
    for (int y = 0; y < height; ++y)
    {
        for (int x = 0; x < width; ++x)
        {
            const uint32_t p = argb[static_cast<size_t>(y) * width + x];
            image.At(x, y) =
                assets::Rgba{static_cast<uint8_t>(p >> 16), static_cast<uint8_t>(p >> 8),
                             static_cast<uint8_t>(p), static_cast<uint8_t>(p >> 24)};
        }
    }
    return image;
}

// RGBA with the alpha byte when alpha is set, else RGB.
inline bool WritePng(const std::string& path, int width, int height,
                     const std::vector<uint32_t>& argb, bool alpha)
{
    return assets::WritePng(ArgbImage(width, height, argb), path, alpha);
}

// Quality 100.
inline bool WriteJpeg(const std::string& path, int width, int height,
                      const std::vector<uint32_t>& argb)
{
    return assets::WriteJpeg(ArgbImage(width, height, argb), path, 100);
}

// The bytes of an uncompressed 24-bit bottom-up BMP.
inline std::vector<uint8_t> BmpBytes(int width, int height, const std::vector<uint32_t>& argb)
{
    return assets::BmpBytes(ArgbImage(width, height, argb));
}

// Decodes a PNG, JPEG or BMP file as the texture loader does (pixels B, G, R,
// A, top row first); false when the file is missing or does not decode.
inline bool ReadImage(const std::string& path, DecodedImage& image)
{
    const std::vector<uint8_t> bytes = ReadBytes(path);
    return DecodeImage(bytes.data(), bytes.size(), 1 << 14, image);
}
