#include "gui/Button.h"

#include "video/ResourceManager.h"

#include <cstring>

namespace
{
// Each state's row of the skin is 20 of 64 pixels high.
const float kRowHeight = 0.3125f;
const float kCapU[4] = {0.0f, 0.25f, 0.75f, 1.0f};
} // namespace

Button::Button(int left, int top, int w, const char* text, Texture* skin)
{
    x = left;
    y = top;
    width = w;
    height = 20;
    CopyWidgetText(caption, text);
    texture = skin ? skin : ResourceManager::Instance().GetTexture("data\\textures\\button.png");
    for (int row = 0; row < 3; ++row)
    {
        for (int part = 0; part < 3; ++part)
            parts[row][part].SetRegion(kCapU[part], row * kRowHeight, kCapU[part + 1],
                                       (row + 1) * kRowHeight);
    }
}

Button::~Button() = default;

void Button::Draw(IDirect3DDevice9* device, int sx, int sy)
{
    const int look = pressed ? 2 : hover ? 1 : 0;
    DrawCappedRow(device, parts[look], texture.Get(), sx, sy, sx + width, sy + 20);
    int length = static_cast<int>(strlen(caption));
    DrawOutlinedText(caption, sx + width / 2 - 4 * length, sy + 6);
}

void Button::OnMouseMove(int px, int py)
{
    if (px >= 0 && px <= width && py >= 0 && py <= height)
    {
        hover = true;
    }
    else
    {
        hover = false;
        pressed = false;
    }
}

void Button::OnLeftDown(int, int)
{
    pressed = true;
}

void Button::OnLeftUp(int, int)
{
    if (pressed && parent)
        parent->PostEvent(new GuiEvent(ButtonClicked, this, 0));
    pressed = false;
}
