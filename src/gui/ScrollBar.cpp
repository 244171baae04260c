#include "gui/ScrollBar.h"

#include "video/ResourceManager.h"

#include <algorithm>

namespace
{
int Look(int32_t state)
{
    return state == 0 ? 0 : state == 1 ? 1 : 2;
}

// A state that is normal becomes hover; a pressed one stays pressed.
void Hover(int32_t& state)
{
    if (state == 0)
        state = 1;
}
} // namespace

ScrollBar::ScrollBar(int left, int top, int w, int h, bool isHorizontal, int maximum, Texture* skin)
    : max(std::max(1, maximum)), horizontal(isHorizontal), verticalTrack(0.5f, 0.5f, 0.75f, 0.75f),
      horizontalTrack(0.25f, 0.5f, 0.5f, 0.75f)
{
    x = left;
    y = top;
    width = horizontal ? w : 16;
    height = horizontal ? 16 : h;
    texture = skin ? skin : ResourceManager::Instance().GetTexture("data\\textures\\scrollbar.png");
    for (int row = 0; row < 3; ++row)
        looks[row].SetRegion(0.0f, row * 0.25f, 0.25f, (row + 1) * 0.25f);
}

ScrollBar::~ScrollBar() = default;

void ScrollBar::SetMax(int value)
{
    max = std::max(1, value);
    pos = std::min(pos, max);
}

void ScrollBar::SetPos(int value)
{
    pos = std::min(std::max(0, value), max);
}

float ScrollBar::ThumbStart() const
{
    // The fields are public: a maximum or position written past the setters
    // still keeps the thumb on the bar.
    float fraction = max > 0 ? static_cast<float>(pos) / static_cast<float>(max) : 0.0f;
    fraction = std::min(std::max(fraction, 0.0f), 1.0f);
    int length = horizontal ? width : height;
    return 16.0f + fraction * static_cast<float>(length - 48);
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
        horizontalTrack.Draw(device, skin, sx + 16, sy, sx + width - 16, sy + 16);
        return;
    }
    verticalTrack.Draw(device, skin, sx, sy, sx + 16, sy + height);
    looks[Look(firstArrowState)].Draw(device, skin, sx, sy, sx + 16, sy + 16);
    looks[Look(secondArrowState)].Draw(device, skin, sx, sy + height - 16, sx + 16, sy + height);
    int thumb = static_cast<int>(static_cast<float>(sy) + ThumbStart());
    looks[Look(thumbState)].Draw(device, skin, sx, thumb, sx + 16, thumb + 16);
}

void ScrollBar::OnLeftDown(int px, int py)
{
    if (!Inside(px, py))
        return;
    float thumb = ThumbStart();
    if (horizontal)
    {
        // The ends record their press but do not step the position.
        if (px <= 16)
            secondArrowState = 2;
        else if (px < width - 16)
        {
            if (px >= thumb)
                thumbState = 2;
        }
        else
            firstArrowState = 2;
        return;
    }
    if (py <= 16)
    {
        firstArrowState = 2;
        pos = std::max(0, pos - 1);
    }
    else if (py < height - 16)
    {
        // Anywhere on the track at or below the thumb's top presses the thumb.
        if (py >= thumb)
            thumbState = 2;
    }
    else
    {
        secondArrowState = 2;
        pos = std::min(max, pos + 1);
    }
}

void ScrollBar::OnLeftUp(int, int)
{
    firstArrowState = 0;
    secondArrowState = 0;
    thumbState = 0;
}

void ScrollBar::OnMouseMove(int px, int py)
{
    if (!Inside(px, py))
    {
        firstArrowState = 0;
        secondArrowState = 0;
        thumbState = 0;
        return;
    }
    float thumb = ThumbStart();
    if (horizontal)
    {
        if (px <= 16)
        {
            firstArrowState = 0;
            thumbState = 0;
            Hover(secondArrowState);
        }
        else if (px < width - 16)
        {
            if (px >= thumb)
            {
                firstArrowState = 0;
                secondArrowState = 0;
                Hover(thumbState);
            }
        }
        else
        {
            secondArrowState = 0;
            thumbState = 0;
            Hover(firstArrowState);
        }
        return;
    }
    // Strictly above 16, where a press counts 16 as the arrow's.
    if (py < 16)
    {
        secondArrowState = 0;
        thumbState = 0;
        Hover(firstArrowState);
    }
    else if (py < height - 16)
    {
        // Elsewhere on the track nothing changes.
        if (py >= thumb && py < thumb + 16.0f)
        {
            firstArrowState = 0;
            secondArrowState = 0;
            Hover(thumbState);
        }
    }
    else
    {
        firstArrowState = 0;
        thumbState = 0;
        Hover(secondArrowState);
    }
}
