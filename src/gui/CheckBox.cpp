#include "gui/CheckBox.h"

#include "video/ResourceManager.h"

#include <cstring>

namespace
{
bool OnBox(int x, int y)
{
    return x >= 0 && x <= 16 && y >= 0 && y <= 16;
}
} // namespace

CheckBox::CheckBox(int left, int top, const char* text, Texture* skin)
{
    CopyWidgetText(label, text);
    x = left;
    y = top;
    width = 8 * static_cast<int>(strlen(label)) + 24;
    height = 16;
    texture = skin ? skin : ResourceManager::Instance().GetTexture("data\\textures\\checkbox.png");
    for (int row = 0; row < 4; ++row)
        looks[row].SetRegion(0.0f, row * 0.25f, 1.0f, (row + 1) * 0.25f);
}

CheckBox::~CheckBox() = default;

void CheckBox::Draw(IDirect3DDevice9* device, int sx, int sy)
{
    looks[(checked ? 2 : 0) + (hover ? 1 : 0)].Draw(device, texture.Get(), sx, sy, sx + 16,
                                                    sy + 16);
    DrawOutlinedText(label, sx + 24, sy + 4);
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
