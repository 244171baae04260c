#include "gui/GuiWindow.h"

#include <algorithm>

namespace
{
const int kMinimumSize = 64;
// The title row is a cell high, its hit zone one row more (edges included);
// the band under it is a cell high too.
const int kTitle = kSkin.cell;
const int kBodyTop = 2 * kSkin.cell;
const int kGrip = kSkin.halfCell;
} // namespace

GuiWindow::GuiWindow(int left, int top, int w, int h, const char* text, Texture* skin, bool fixed)
    : Widget(left, top, w, h), fixedSize(fixed)
{
    CopyWidgetText(title, text);
    texture = SkinOrDefault(skin, "data\\textures\\window.png");
    for (int row = 0; row < 4; ++row)
    {
        for (int column = 0; column < 3; ++column)
            frame[row][column].SetCell(column, row);
    }
    for (int look = LookNormal; look <= LookPressed; ++look)
        closeLooks[look].SetCell(3, look);
    grip.SetHalfCell(6, 6);
}

GuiWindow::~GuiWindow() = default;

void GuiWindow::Draw(IDirect3DDevice9* device, int sx, int sy)
{
    Texture* skin = texture.Get();
    const int cell = kSkin.cell;
    int right = sx + width;
    int bottom = sy + height;
    // The title bar ends a cell early: the close button takes the last cell.
    frame[0][0].Draw(device, skin, sx, sy, sx + cell, sy + kTitle);
    frame[0][1].Draw(device, skin, sx + cell, sy, right - 2 * cell, sy + kTitle);
    frame[0][2].Draw(device, skin, right - 2 * cell, sy, right - cell, sy + kTitle);
    closeLooks[LookOf(closeState)].Draw(device, skin, right - cell, sy, right, sy + kTitle);
    // The band, the body and the bottom share their columns.
    const int edges[4] = {sy + kTitle, sy + kBodyTop, bottom - cell, bottom};
    for (int row = 1; row < 4; ++row)
        DrawCappedRow(device, frame[row], skin, sx, edges[row - 1], right, edges[row]);
    if (!fixedSize)
        grip.Draw(device, skin, right - kGrip, bottom - kGrip, right, bottom);
    DrawOutlinedText(title, sx + kSkin.inset, sy + kSkin.inset);
}

bool GuiWindow::OnCloseButton(int px, int py) const
{
    return py >= 0 && py <= kTitle && px >= width - kSkin.cell && px <= width;
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
        if (closeState != LookPressed)
            closeState = LookHover;
    }
    else
    {
        closeState = LookNormal;
    }
}

void GuiWindow::OnLeftDown(int px, int py)
{
    if (py >= 0 && py <= kTitle && px <= width)
    {
        if (px >= width - kSkin.cell)
        {
            closeState = LookPressed;
        }
        else if (px >= 0)
        {
            dragging = true;
            anchorX = px;
            anchorY = py;
        }
    }
    else if (!fixedSize && px >= width - kGrip && px <= width && py >= height - kGrip &&
             py <= height)
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
        if (closeState == LookPressed && parent)
            parent->PostEvent(new GuiEvent(CloseWidget, this, 0));
        closeState = LookHover;
    }
    else
    {
        closeState = LookNormal;
    }
    dragging = false;
    resizing = false;
}
