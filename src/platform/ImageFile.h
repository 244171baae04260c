// Private to the platform layer: image files decoded to 32-bit pixels with
// libpng, libjpeg and SDL's BMP reader.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct DecodedImage
{
    int width = 0;
    int height = 0;
    // The file carries alpha (PNG alpha channel or transparency chunk).
    bool hasAlpha = false;
    // Bytes B, G, R, A per pixel, top row first, rows width * 4 bytes apart.
    std::vector<uint8_t> bgra;
};

// Decodes PNG, JPEG or BMP bytes, told apart by their signature. Never reads
// outside [data, data + size). False for an unknown signature, malformed or
// truncated data, or a side of 0 or beyond maxSide (checked before the pixels
// are allocated).
bool DecodeImage(const uint8_t* data, size_t size, int maxSide, DecodedImage& image);

// Resamples to the given size with bilinear filtering (pixel centres aligned).
void ResizeImage(const DecodedImage& source, int width, int height, DecodedImage& out);
