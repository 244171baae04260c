#include "gui/GuiWindow.h"

#include "video/ResourceManager.h"

#include <algorithm>

namespace
{
const int kMinimumSize = 64;
} // namespace

GuiWindow::GuiWindow(int left, int top, int w, int h, const char* text, Texture* skin, bool fixed)
    : fixedSize(fixed), grip(0.75f, 0.75f, 0.875f, 0.875f)
{
    x = left;
    y = top;
    width = w;
    height = h;
    CopyWidgetText(title, text);
    texture = skin ? skin : ResourceManager::Instance().GetTexture("data\\textures\\window.png");
    for (int row = 0; row < 4; ++row)
    {
        for (int column = 0; column < 3; ++column)
            frame[row][column].SetRegion(column * 0.25f, row * 0.25f, (column + 1) * 0.25f,
                                         (row + 1) * 0.25f);
        if (row < 3)
            closeLooks[row].SetRegion(0.75f, row * 0.25f, 1.0f, (row + 1) * 0.25f);
    }
}

GuiWindow::~GuiWindow() = default;

void GuiWindow::Draw(IDirect3DDevice9* device, int sx, int sy)
{
    Texture* skin = texture.Get();
    int right = sx + width;
    int bottom = sy + height;
    frame[0][0].Draw(device, skin, sx, sy, sx + 16, sy + 16);
    frame[0][1].Draw(device, skin, sx + 16, sy, right - 32, sy + 16);
    frame[0][2].Draw(device, skin, right - 32, sy, right - 16, sy + 16);
    int look = closeState == 0 ? 0 : closeState == 1 ? 1 : 2;
    closeLooks[look].Draw(device, skin, right - 16, sy, right, sy + 16);
    // The band, the body and the bottom share their columns.
    const int edges[4] = {sy + 16, sy + 32, bottom - 16, bottom};
    for (int row = 1; row < 4; ++row)
        DrawCappedRow(device, frame[row], skin, sx, edges[row - 1], right, edges[row]);
    if (!fixedSize)
        grip.Draw(device, skin, right - 8, bottom - 8, right, bottom);
    DrawOutlinedText(title, sx + 4, sy + 4);
}

bool GuiWindow::OnCloseButton(int px, int py) const
{
    return py >= 0 && py <= 16 && px >= width - 16 && px <= width;
}

void GuiWindow::OnMouseMove(int px, int py)
{
    if (dragging)
    {
        x += px - anchorX;
        y += py - anchorY;
    }
    else if (resizing)
    {
        width = std::max(kMinimumSize, width + px - anchorX);
        height = std::max(kMinimumSize, height + py - anchorY);
        anchorX = px;
        anchorY = py;
        PostEvent(new GuiEvent(WindowResized, this, 0));
    }
    if (OnCloseButton(px, py))
    {
        if (closeState != 2)
            closeState = 1;
    }
    else
    {
        closeState = 0;
    }
}

void GuiWindow::OnLeftDown(int px, int py)
{
    if (py >= 0 && py <= 16 && px <= width)
    {
        if (px >= width - 16)
        {
            closeState = 2;
        }
        else if (px >= 0)
        {
            dragging = true;
            anchorX = px;
            anchorY = py;
        }
    }
    else if (!fixedSize && px >= width - 8 && px <= width && py >= height - 8 && py <= height)
    {
        resizing = true;
        anchorX = px;
        anchorY = py;
    }
}

void GuiWindow::OnLeftUp(int px, int py)
{
    if (OnCloseButton(px, py))
    {
        if (closeState == 2 && parent)
            parent->PostEvent(new GuiEvent(CloseWidget, this, 0));
        closeState = 1;
    }
    else
    {
        closeState = 0;
    }
    dragging = false;
    resizing = false;
}
