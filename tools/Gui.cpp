// The GUI skins, each laid out in the cells the widgets cut from it.
#include "MakeData.h"

#include <cmath>

namespace
{
const Rgba kClear{0, 0, 0, 0};
const Rgba kBorder{20, 24, 32, 255};
const Rgba kBody{36, 42, 56, 230};
const Rgba kBand{52, 60, 80, 240};

std::string SkinPath(const std::string& folder, const char* name)
{
    return folder + "/data/textures/" + name;
}

// Vertical gradient from top to bottom colour over y0 <= y < y1.
void Gradient(Image& image, int x0, int y0, int x1, int y1, Rgba top, Rgba bottom)
{
    for (int y = y0; y < y1; ++y)
    {
        const float t = (y1 - y0 > 1) ? static_cast<float>(y - y0) / (y1 - y0 - 1) : 0.0f;
        image.FillRect(x0, y, x1, y + 1, Mix(top, bottom, t));
    }
}

// A bevelled button face filling the rectangle, with clipped corners.
void ButtonFace(Image& image, int x0, int y0, int x1, int y1, Rgba top, Rgba bottom, bool sunken)
{
    Gradient(image, x0, y0, x1, y1, top, bottom);
    const Rgba light = Shade(top, 1.35f);
    const Rgba dark = Shade(bottom, 0.6f);
    image.FillRect(x0 + 1, y0 + 1, x1 - 1, y0 + 2, sunken ? dark : light);
    image.FillRect(x0 + 1, y1 - 2, x1 - 1, y1 - 1, sunken ? light : dark);
    image.FrameRect(x0, y0, x1, y1, kBorder);
    for (int cx : {x0, x1 - 1})
    {
        for (int cy : {y0, y1 - 1})
            image.At(cx, cy) = kClear;
    }
}

void CrossMark(Image& image, int x0, int y0, Rgba colour)
{
    for (int i = 0; i < 8; ++i)
    {
        for (int t = 0; t < 2; ++t)
        {
            image.Set(x0 + i + t, y0 + i, colour);
            image.Set(x0 + 7 - i + t, y0 + i, colour);
        }
    }
}

bool WriteWindowSkin(const std::string& folder)
{
    Image image(64, 64, kClear);
    // Title bar over cells (0..2, 0): border on the left, open to the close
    // button on the right.
    Gradient(image, 0, 0, 48, 16, Rgba{84, 116, 180, 255}, Rgba{40, 60, 112, 255});
    image.FillRect(1, 1, 48, 2, Rgba{140, 170, 226, 255});
    image.FillRect(0, 0, 48, 1, kBorder);
    image.FillRect(0, 15, 48, 16, kBorder);
    image.FillRect(0, 0, 1, 16, kBorder);
    image.At(0, 0) = kClear;
    // Close button: normal, hover, pressed in cells (3, 0), (3, 1), (3, 2).
    const Rgba closeTop[3] = {{190, 70, 60, 255}, {236, 100, 84, 255}, {120, 40, 34, 255}};
    const Rgba closeBottom[3] = {{120, 36, 30, 255}, {170, 56, 46, 255}, {160, 60, 50, 255}};
    for (int s = 0; s < 3; ++s)
    {
        const int top = s * 16;
        ButtonFace(image, 48, top, 64, top + 16, closeTop[s], closeBottom[s], s == 2);
        CrossMark(image, 52 + (s == 2 ? 1 : 0), top + 4 + (s == 2 ? 1 : 0),
                  Rgba{255, 255, 255, 255});
    }
    // The band under the title (row 1), the body (row 2) and the bottom (row 3).
    image.FillRect(0, 16, 48, 32, kBand);
    image.FillRect(0, 16, 48, 17, Shade(kBand, 0.6f));
    image.FillRect(0, 31, 48, 32, Shade(kBand, 0.7f));
    image.FillRect(0, 32, 48, 64, kBody);
    for (int y = 16; y < 64; ++y)
    {
        image.At(0, y) = kBorder;
        image.At(1, y) = Rgba{80, 92, 118, 255};
        image.At(47, y) = kBorder;
        image.At(46, y) = Rgba{26, 30, 40, 255};
    }
    image.FillRect(0, 63, 48, 64, kBorder);
    image.FillRect(1, 62, 47, 63, Rgba{26, 30, 40, 255});
    image.At(0, 63) = kClear;
    image.At(47, 63) = kClear;
    // Resize grip: three ridges towards the corner, in the 8 by 8 region at (48, 48).
    for (int j = 0; j < 8; ++j)
    {
        for (int i = 0; i < 8; ++i)
        {
            const int s = i + j;
            if (s == 7 || s == 10 || s == 13)
                image.At(48 + i, 48 + j) = Rgba{170, 180, 200, 255};
        }
    }
    return WritePng(image, SkinPath(folder, "window.png"), true);
}

bool WriteButtonSkin(const std::string& folder)
{
    // Three rows of 20 pixels: normal, hover, pressed; the last 4 rows unused.
    Image image(64, 64, kClear);
    ButtonFace(image, 0, 0, 64, 20, Rgba{116, 128, 150, 255}, Rgba{64, 72, 92, 255}, false);
    ButtonFace(image, 0, 20, 64, 40, Rgba{150, 164, 192, 255}, Rgba{88, 100, 126, 255}, false);
    ButtonFace(image, 0, 40, 64, 60, Rgba{56, 62, 80, 255}, Rgba{92, 100, 122, 255}, true);
    return WritePng(image, SkinPath(folder, "button.png"), true);
}

bool WriteCheckBoxSkin(const std::string& folder)
{
    // Four 16 by 16 rows: unchecked, unchecked hover, checked, checked hover.
    Image image(16, 64, kClear);
    for (int row = 0; row < 4; ++row)
    {
        const int top = row * 16;
        const bool hover = row % 2 == 1;
        const bool checked = row >= 2;
        image.FillRect(1, top + 1, 15, top + 15,
                       hover ? Rgba{255, 250, 214, 255} : Rgba{228, 230, 236, 255});
        image.FrameRect(1, top + 1, 15, top + 15, kBorder);
        image.FillRect(2, top + 2, 14, top + 3, Rgba{150, 154, 164, 255});
        if (checked)
        {
            const Rgba tick{24, 120, 40, 255};
            for (int i = 0; i < 3; ++i)
                image.FillRect(4 + i, top + 7 + i, 6 + i, top + 9 + i, tick);
            for (int i = 0; i < 6; ++i)
                image.FillRect(7 + i, top + 8 - i, 9 + i, top + 10 - i, tick);
        }
    }
    return WritePng(image, SkinPath(folder, "checkbox.png"), true);
}

bool WriteEditBoxSkin(const std::string& folder)
{
    // One row: left cap, stretched middle, right cap; black text goes on it.
    Image image(64, 16, Rgba{248, 248, 244, 255});
    image.FrameRect(0, 0, 64, 16, kBorder);
    image.FillRect(1, 1, 63, 2, Rgba{150, 150, 150, 255});
    image.FillRect(1, 1, 2, 15, Rgba{170, 170, 170, 255});
    return WritePng(image, SkinPath(folder, "editbox.png"), true);
}

bool WriteListBoxSkin(const std::string& folder)
{
    // Nine frame cells in the 48 by 48 top-left block, row images beside it.
    Image image(64, 64, kClear);
    image.FillRect(0, 0, 48, 48, Rgba{28, 32, 42, 235});
    image.FrameRect(0, 0, 48, 48, kBorder);
    image.FillRect(1, 1, 47, 2, Rgba{14, 16, 22, 255});
    image.FillRect(1, 1, 2, 47, Rgba{14, 16, 22, 255});
    image.FillRect(1, 46, 47, 47, Rgba{70, 80, 100, 255});
    image.FillRect(46, 1, 47, 47, Rgba{70, 80, 100, 255});
    image.FillRect(48, 0, 56, 8, Rgba{64, 104, 186, 255});
    image.FillRect(48, 8, 56, 16, Rgba{44, 50, 66, 200});
    return WritePng(image, SkinPath(folder, "listbox.png"), true);
}

bool WriteScrollBarSkin(const std::string& folder)
{
    Image image(64, 64, kClear);
    // The square button (arrows and thumb) in normal, hover and pressed looks.
    const Rgba tops[3] = {{116, 128, 150, 255}, {150, 164, 192, 255}, {56, 62, 80, 255}};
    const Rgba bottoms[3] = {{64, 72, 92, 255}, {88, 100, 126, 255}, {92, 100, 122, 255}};
    for (int s = 0; s < 3; ++s)
    {
        const int top = s * 16;
        ButtonFace(image, 0, top, 16, top + 16, tops[s], bottoms[s], s == 2);
        // A grip of three ridges: the same square serves both arrows and the thumb.
        for (int i = 0; i < 3; ++i)
        {
            image.FillRect(5, top + 5 + 2 * i, 11, top + 6 + 2 * i, Rgba{210, 218, 232, 255});
            image.FillRect(5, top + 6 + 2 * i, 11, top + 7 + 2 * i, Rgba{40, 46, 60, 255});
        }
    }
    // Tracks: cell (2, 2) vertical, cell (1, 2) horizontal.
    for (int i = 0; i < 16; ++i)
    {
        const float t = std::fabs(i - 7.5f) / 7.5f;
        const Rgba c = Mix(Rgba{22, 26, 34, 255}, Rgba{48, 54, 70, 255}, t);
        image.FillRect(32 + i, 32, 33 + i, 48, c);
        image.FillRect(16, 32 + i, 32, 33 + i, c);
    }
    image.FillRect(32, 32, 33, 48, kBorder);
    image.FillRect(47, 32, 48, 48, kBorder);
    image.FillRect(16, 32, 32, 33, kBorder);
    image.FillRect(16, 47, 32, 48, kBorder);
    return WritePng(image, SkinPath(folder, "scrollbar.png"), true);
}
} // namespace

bool WriteGuiSkins(const std::string& folder)
{
    return WriteWindowSkin(folder) && WriteButtonSkin(folder) && WriteCheckBoxSkin(folder) &&
           WriteEditBoxSkin(folder) && WriteListBoxSkin(folder) && WriteScrollBarSkin(folder);
}
