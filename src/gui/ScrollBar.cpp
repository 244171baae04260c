#include "gui/ScrollBar.h"

#include <algorithm>

namespace
{
// The bar's thickness, and the length of each arrow and of the thumb.
const int kCell = kSkin.cell;

// A state that is normal becomes hover; a pressed one stays pressed.
void Hover(int32_t& state)
{
    if (state == LookNormal)
        state = LookHover;
}
} // namespace

ScrollBar::ScrollBar(int left, int top, int w, int h, bool isHorizontal, int maximum, Texture* skin)
    : Widget(left, top, isHorizontal ? w : kCell, isHorizontal ? kCell : h),
      max(std::max(1, maximum)), horizontal(isHorizontal)
{
    texture = SkinOrDefault(skin, "data\\textures\\scrollbar.png");
    for (int look = LookNormal; look <= LookPressed; ++look)
        looks[look].SetCell(0, look);
    verticalTrack.SetCell(2, 2);
    horizontalTrack.SetCell(1, 2);
}

ScrollBar::~ScrollBar() = default;

void ScrollBar::SetMax(int value)
{
    max = std::max(1, value);
}

void ScrollBar::SetPos(int value)
{
    pos = value;
}

int ScrollBar::ShownPos() const
{
    return std::max(0, std::min(pos, max));
}

float ScrollBar::ThumbStart() const
{
    // The thumb travels between the two arrows; a maximum written below 1
    // leaves it at the start.
    float fraction = max > 0 ? static_cast<float>(ShownPos()) / static_cast<float>(max) : 0.0f;
    int length = horizontal ? width : height;
    return static_cast<float>(kCell) + fraction * static_cast<float>(length - 3 * kCell);
}

bool ScrollBar::Inside(int px, int py) const
{
    return px >= 0 && px <= width && py >= 0 && py <= height;
}

void ScrollBar::Draw(IDirect3DDevice9* device, int sx, int sy)
{
    Texture* skin = texture.Get();
    if (horizontal)
    {
        horizontalTrack.Draw(device, skin, sx + kCell, sy, sx + width - kCell, sy + kCell);
        return;
    }
    int bottom = sy + height;
    verticalTrack.Draw(device, skin, sx, sy, sx + kCell, bottom);
    looks[LookOf(firstArrowState)].Draw(device, skin, sx, sy, sx + kCell, sy + kCell);
    looks[LookOf(secondArrowState)].Draw(device, skin, sx, bottom - kCell, sx + kCell, bottom);
    int thumb = static_cast<int>(static_cast<float>(sy) + ThumbStart());
    looks[LookOf(thumbState)].Draw(device, skin, sx, thumb, sx + kCell, thumb + kCell);
}

void ScrollBar::OnLeftDown(int px, int py)
{
    if (!Inside(px, py))
        return;
    float thumb = ThumbStart();
    if (horizontal)
    {
        // The ends record their press but do not step the position.
        if (px <= kCell)
            secondArrowState = LookPressed;
        else if (px < width - kCell)
        {
            if (px >= thumb)
                thumbState = LookPressed;
        }
        else
            firstArrowState = LookPressed;
        return;
    }
    if (py <= kCell)
    {
        firstArrowState = LookPressed;
        // One step down from the stored position, to 0 at the lowest.
        pos = pos > 0 ? pos - 1 : 0;
    }
    else if (py < height - kCell)
    {
        // Anywhere on the track at or below the thumb's top presses the thumb.
        if (py >= thumb)
            thumbState = LookPressed;
    }
    else
    {
        secondArrowState = LookPressed;
        // One step up from the stored position, to max at the highest.
        pos = pos < max ? pos + 1 : max;
    }
}

void ScrollBar::OnLeftUp(int, int)
{
    firstArrowState = LookNormal;
    secondArrowState = LookNormal;
    thumbState = LookNormal;
}

void ScrollBar::OnMouseMove(int px, int py)
{
    if (!Inside(px, py))
    {
        firstArrowState = LookNormal;
        secondArrowState = LookNormal;
        thumbState = LookNormal;
        return;
    }
    float thumb = ThumbStart();
    if (horizontal)
    {
        if (px <= kCell)
        {
            firstArrowState = LookNormal;
            thumbState = LookNormal;
            Hover(secondArrowState);
        }
        else if (px < width - kCell)
        {
            if (px >= thumb)
            {
                firstArrowState = LookNormal;
                secondArrowState = LookNormal;
                Hover(thumbState);
            }
        }
        else
        {
            secondArrowState = LookNormal;
            thumbState = LookNormal;
            Hover(firstArrowState);
        }
        return;
    }
    // Strictly above the cell's edge, where a press counts the edge as the
    // arrow's.
    if (py < kCell)
    {
        secondArrowState = LookNormal;
        thumbState = LookNormal;
        Hover(firstArrowState);
    }
    else if (py < height - kCell)
    {
        // Elsewhere on the track nothing changes.
        if (py >= thumb && py < thumb + static_cast<float>(kCell))
        {
            firstArrowState = LookNormal;
            secondArrowState = LookNormal;
            Hover(thumbState);
        }
    }
    else
    {
        firstArrowState = LookNormal;
        thumbState = LookNormal;
        Hover(secondArrowState);
    }
}
