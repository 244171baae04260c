#include "assets/Image.h"

#include "assets/Files.h"

#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
// jpeglib.h needs size_t and FILE declared before it.
#include <jpeglib.h>

namespace assets
{
namespace
{
uint8_t ToByte(float v)
{
    v = std::clamp(v, 0.0f, 1.0f);
    return static_cast<uint8_t>(std::lround(v * 255.0f));
}

uint8_t MixByte(uint8_t a, uint8_t b, float t)
{
    float v = a + (static_cast<float>(b) - a) * t;
    return static_cast<uint8_t>(std::lround(std::clamp(v, 0.0f, 255.0f)));
}

std::vector<uint8_t> PackRows(const Image& image, bool withAlpha)
{
    const int channels = withAlpha ? 4 : 3;
    std::vector<uint8_t> bytes;
    bytes.reserve(static_cast<size_t>(image.Width()) * image.Height() * channels);
    for (int y = 0; y < image.Height(); ++y)
    {
        for (int x = 0; x < image.Width(); ++x)
        {
            const Rgba& p = image.At(x, y);
            bytes.push_back(p.r);
            bytes.push_back(p.g);
            bytes.push_back(p.b);
            if (withAlpha)
                bytes.push_back(p.a);
        }
    }
    return bytes;
}

void PutU16(std::vector<uint8_t>& out, uint32_t v)
{
    out.push_back(static_cast<uint8_t>(v & 0xFF));
    out.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
}

void PutU32(std::vector<uint8_t>& out, uint32_t v)
{
    PutU16(out, v & 0xFFFF);
    PutU16(out, v >> 16);
}
} // namespace

Rgba Mix(Rgba a, Rgba b, float t)
{
    t = std::clamp(t, 0.0f, 1.0f);
    return Rgba{MixByte(a.r, b.r, t), MixByte(a.g, b.g, t), MixByte(a.b, b.b, t),
                MixByte(a.a, b.a, t)};
}

Rgba Shade(Rgba c, float factor)
{
    auto scale = [factor](uint8_t v)
    {
        float s = v * factor;
        return static_cast<uint8_t>(std::lround(std::clamp(s, 0.0f, 255.0f)));
    };
    return Rgba{scale(c.r), scale(c.g), scale(c.b), c.a};
}

Rgba FromFloat(float r, float g, float b, float a)
{
    return Rgba{ToByte(r), ToByte(g), ToByte(b), ToByte(a)};
}

Image::Image(int width, int height, Rgba fill)
    : width(width), height(height), pixels(static_cast<size_t>(width) * height, fill)
{
}

void Image::Set(int x, int y, Rgba c)
{
    if (x >= 0 && y >= 0 && x < width && y < height)
        At(x, y) = c;
}

void Image::FillRect(int x0, int y0, int x1, int y1, Rgba c)
{
    for (int y = std::max(y0, 0); y < std::min(y1, height); ++y)
    {
        for (int x = std::max(x0, 0); x < std::min(x1, width); ++x)
            At(x, y) = c;
    }
}

void Image::FrameRect(int x0, int y0, int x1, int y1, Rgba c)
{
    FillRect(x0, y0, x1, y0 + 1, c);
    FillRect(x0, y1 - 1, x1, y1, c);
    FillRect(x0, y0, x0 + 1, y1, c);
    FillRect(x1 - 1, y0, x1, y1, c);
}

void Image::Blend(int x, int y, Rgba c, float coverage)
{
    if (x < 0 || y < 0 || x >= width || y >= height)
        return;
    const float t = std::clamp(coverage, 0.0f, 1.0f) * (c.a / 255.0f);
    Rgba& p = At(x, y);
    const uint8_t alpha = MixByte(p.a, 255, t);
    p = Mix(p, Rgba{c.r, c.g, c.b, p.a}, t);
    p.a = alpha;
}

bool WritePng(const Image& image, const std::string& path, bool withAlpha)
{
    std::vector<uint8_t> bytes = PackRows(image, withAlpha);
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    png.width = static_cast<png_uint_32>(image.Width());
    png.height = static_cast<png_uint_32>(image.Height());
    png.format = withAlpha ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
    if (!png_image_write_to_file(&png, path.c_str(), 0, bytes.data(), 0, nullptr))
    {
        std::fprintf(stderr, "cannot write %s: %s\n", path.c_str(), png.message);
        png_image_free(&png);
        return false;
    }
    return true;
}

bool WriteJpeg(const Image& image, const std::string& path, int quality)
{
    std::vector<uint8_t> bytes = PackRows(image, false);
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    // Encoded in memory; the library allocates the buffer, freed below.
    unsigned char* encoded = nullptr;
    unsigned long encodedSize = 0;
    jpeg_mem_dest(&info, &encoded, &encodedSize);
    info.image_width = static_cast<JDIMENSION>(image.Width());
    info.image_height = static_cast<JDIMENSION>(image.Height());
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    const size_t stride = static_cast<size_t>(image.Width()) * 3;
    while (info.next_scanline < info.image_height)
    {
        JSAMPROW row = &bytes[info.next_scanline * stride];
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    const bool ok = SaveFile(path, encoded, encodedSize);
    std::free(encoded);
    return ok;
}

std::vector<uint8_t> BmpBytes(const Image& image)
{
    const uint32_t rowBytes = (static_cast<uint32_t>(image.Width()) * 3 + 3) & ~3u;
    const uint32_t pixelBytes = rowBytes * static_cast<uint32_t>(image.Height());
    std::vector<uint8_t> out;
    out.reserve(54 + pixelBytes);
    out.push_back('B');
    out.push_back('M');
    PutU32(out, 54 + pixelBytes); // file size
    PutU32(out, 0);               // reserved
    PutU32(out, 54);              // offset of the pixels
    PutU32(out, 40);              // BITMAPINFOHEADER
    PutU32(out, static_cast<uint32_t>(image.Width()));
    PutU32(out, static_cast<uint32_t>(image.Height())); // positive: bottom-up
    PutU16(out, 1);                                     // planes
    PutU16(out, 24);                                    // bits per pixel
    PutU32(out, 0);                                     // no compression
    PutU32(out, pixelBytes);
    PutU32(out, 2835); // 72 dpi
    PutU32(out, 2835);
    PutU32(out, 0);
    PutU32(out, 0);
    for (int y = image.Height() - 1; y >= 0; --y)
    {
        const size_t start = out.size();
        for (int x = 0; x < image.Width(); ++x)
        {
            const Rgba& p = image.At(x, y);
            out.push_back(p.b);
            out.push_back(p.g);
            out.push_back(p.r);
        }
        out.resize(start + rowBytes, 0);
    }
    return out;
}

bool WriteBmp(const Image& image, const std::string& path)
{
    return SaveFile(path, BmpBytes(image));
}
} // namespace assets
