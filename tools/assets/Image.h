// RGBA pictures to draw into, with writers for the three file kinds the game
// reads: PNG (libpng), JPEG (libjpeg) and 24-bit BMP.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace assets
{
struct Rgba
{
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
    uint8_t a = 255;
};

// Linear mix of two colours, t from 0 (a) to 1 (b), alpha included.
Rgba Mix(Rgba a, Rgba b, float t);
// Colour times a brightness factor, clamped; alpha kept.
Rgba Shade(Rgba c, float factor);
// Colour from floats in 0..1 (clamped).
Rgba FromFloat(float r, float g, float b, float a = 1.0f);

class Image
{
public:
    Image(int width, int height, Rgba fill = Rgba{});

    int Width() const { return width; }
    int Height() const { return height; }
    // Pixel (x, y), x to the right and y down from the top-left corner; the
    // caller keeps the coordinates inside the picture.
    Rgba& At(int x, int y) { return pixels[static_cast<size_t>(y) * width + x]; }
    const Rgba& At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
    // Writes one pixel; points outside the picture are dropped.
    void Set(int x, int y, Rgba c);
    // Fills x0 <= x < x1, y0 <= y < y1, clipped to the picture.
    void FillRect(int x0, int y0, int x1, int y1, Rgba c);
    // Draws the outline of the same rectangle, one pixel wide.
    void FrameRect(int x0, int y0, int x1, int y1, Rgba c);
    // Puts c over the pixel with opacity coverage * c.a (0..1), clipped.
    void Blend(int x, int y, Rgba c, float coverage);

private:
    int width;
    int height;
    std::vector<Rgba> pixels;
};

// Each writer returns false (after a message on stderr) when the file cannot
// be written. PNG keeps the alpha channel when withAlpha is set, else RGB.
bool WritePng(const Image& image, const std::string& path, bool withAlpha);
// Baseline JPEG of the colour channels, quality 0..100 as libjpeg takes it.
bool WriteJpeg(const Image& image, const std::string& path, int quality);
// The bytes of an uncompressed 24-bit BMP (alpha dropped), rows stored
// bottom-up as the format wants, each padded to four bytes.
std::vector<uint8_t> BmpBytes(const Image& image);
bool WriteBmp(const Image& image, const std::string& path);
} // namespace assets
