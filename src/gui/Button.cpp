#include "gui/Button.h"

#include <cstring>

Button::Button(int left, int top, int w, const char* text, Texture* skin)
    : Widget(left, top, w, kHeight)
{
    CopyWidgetText(caption, text);
    texture = SkinOrDefault(skin, "data\\textures\\button.png");
    // The rows of the normal, hover and pressed looks, one button high each;
    // the skin's last rows are not drawn.
    const float rowSpan = static_cast<float>(kHeight) / kSkin.image;
    for (int look = LookNormal; look <= LookPressed; ++look)
        SetCappedRow(parts[look], look * rowSpan, (look + 1) * rowSpan);
}

Button::~Button() = default;

void Button::Draw(IDirect3DDevice9* device, int sx, int sy)
{
    const WidgetLook look = pressed ? LookPressed : hover ? LookHover : LookNormal;
    DrawCappedRow(device, parts[look], texture.Get(), sx, sy, sx + width, sy + kHeight);
    // Centred for the font's cells.
    int length = static_cast<int>(strlen(caption));
    DrawOutlinedText(caption, sx + width / 2 - kSkin.glyph / 2 * length,
                     sy + (kHeight - kSkin.glyph) / 2);
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
