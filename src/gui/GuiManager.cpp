#include "gui/GuiManager.h"

#include "gui/GuiDraw.h"

#include <algorithm>

namespace
{
// Adds the movement without overflow and keeps the sum in [low, high]: below
// low becomes low, then above high becomes high, so bounds the wrong way
// round give high.
int32_t MoveClamped(int32_t position, int delta, int32_t low, int32_t high)
{
    if (high < low)
        return high;
    int64_t moved = static_cast<int64_t>(position) + delta;
    return static_cast<int32_t>(std::clamp<int64_t>(moved, low, high));
}
} // namespace

GuiManager& GuiManager::Instance()
{
    static GuiManager instance;
    return instance;
}

GuiManager::GuiManager() = default;

GuiManager::~GuiManager()
{
    focus = nullptr;
    root = nullptr;
    cursorTexture = nullptr;
}

void GuiManager::SetCursor(Texture* texture, int newHotspotX, int newHotspotY)
{
    cursorTexture = texture;
    hotspotX = newHotspotX;
    hotspotY = newHotspotY;
}

void GuiManager::SetCursorBounds(int newMinX, int newMinY, int newMaxX, int newMaxY)
{
    minX = newMinX;
    minY = newMinY;
    maxX = newMaxX;
    maxY = newMaxY;
}

void GuiManager::SetRoot(Widget* widget)
{
    root = widget;
}

void GuiManager::SetActive(bool value)
{
    active = value;
}

void GuiManager::SetFocus(Widget* widget)
{
    focus = widget;
}

void GuiManager::OnMouseMove(int dx, int dy)
{
    cursorX = MoveClamped(cursorX, dx, minX, maxX);
    cursorY = MoveClamped(cursorY, dy, minY, maxY);
    // A widget a handler releases stays valid until the frame ends, so the
    // calls below need no reference of their own.
    if (root)
        root->MouseMoveTree(cursorX, cursorY);
}

void GuiManager::OnLeftDown()
{
    if (root)
        root->LeftDownTree(cursorX, cursorY);
}

void GuiManager::OnLeftUp()
{
    if (root)
        root->LeftUpTree(cursorX, cursorY);
}

void GuiManager::OnRightDown()
{
    if (root)
        root->RightDownTree(cursorX, cursorY);
}

void GuiManager::OnRightUp()
{
    if (root)
        root->RightUpTree(cursorX, cursorY);
}

void GuiManager::OnChar(char c)
{
    if (focus)
        focus->OnChar(c);
}

void GuiManager::Update()
{
    if (root)
        root->ProcessEventsTree();
}

void GuiManager::Draw(IDirect3DDevice9* device)
{
    if (!active)
        return;
    if (root)
        root->DrawTree(device, 0, 0);
    if (cursorTexture)
    {
        int left = cursorX - hotspotX;
        int top = cursorY - hotspotY;
        ScreenQuad cursor;
        cursor.Draw(device, cursorTexture.Get(), left, top, left + cursorTexture->width,
                    top + cursorTexture->height);
    }
}
