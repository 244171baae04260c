#include "gui/CheckBox.h"

namespace
{
// The label starts half a cell right of the box.
const int kLabelLeft = kSkin.cell + kSkin.halfCell;

bool OnBox(int x, int y)
{
    return x >= 0 && x <= kSkin.cell && y >= 0 && y <= kSkin.cell;
}
} // namespace

CheckBox::CheckBox(int left, int top, const char* text, Texture* skin)
    : Widget(left, top, kSkin.glyph * WidgetTextLength(text) + kLabelLeft, kSkin.cell)
{
    CopyWidgetText(label, text);
    texture = SkinOrDefault(skin, "data\\textures\\checkbox.png");
    // Rows across the whole skin.
    for (int row = 0; row < 4; ++row)
        looks[row].SetRegion(0.0f, row * kSkin.cellSpan, 1.0f, (row + 1) * kSkin.cellSpan);
}

CheckBox::~CheckBox() = default;

void CheckBox::Draw(IDirect3DDevice9* device, int sx, int sy)
{
    const int row = (checked ? 2 : 0) + (hover ? 1 : 0);
    looks[row].Draw(device, texture.Get(), sx, sy, sx + kSkin.cell, sy + kSkin.cell);
    DrawOutlinedText(label, sx + kLabelLeft, sy + kSkin.inset);
}

void CheckBox::OnMouseMove(int px, int py)
{
    hover = OnBox(px, py);
}

void CheckBox::OnLeftDown(int px, int py)
{
    if (OnBox(px, py))
        checked = !checked;
}

void CheckBox::OnLeftUp(int, int) {}
