#include "gui/ListBox.h"

#include "video/Video.h"

namespace
{
// Rows a character high every 10 pixels, from the inset at the top, across
// the width less the inset on each side.
const int kInset = kSkin.inset;
const int kRowHeight = kSkin.glyph;
const int kRowPitch = 10;
} // namespace

ListItem::ListItem(const char* value)
{
    CopyWidgetText(text, value);
}

ListItem::~ListItem() = default;

ListBox::ListBox(int left, int top, int w, int h, Texture* skin) : Widget(left, top, w, h)
{
    texture = SkinOrDefault(skin, "data\\textures\\listbox.png");
    for (int row = 0; row < 3; ++row)
    {
        for (int column = 0; column < 3; ++column)
            frame[row][column].SetCell(column, row);
    }
    selectedRow.SetHalfCell(6, 0);
    normalRow.SetHalfCell(6, 1);
    scrollBar = new ScrollBar(w - kSkin.cell, 0, kSkin.cell, h, false, 100, nullptr);
    AddChild(scrollBar.Get());
}

ListBox::~ListBox() = default;

void ListBox::Draw(IDirect3DDevice9* device, int sx, int sy)
{
    Texture* skin = texture.Get();
    const int rows[4] = {sy, sy + kSkin.cell, sy + height - kSkin.cell, sy + height};
    for (int row = 0; row < 3; ++row)
        DrawCappedRow(device, frame[row], skin, sx, rows[row], sx + width, rows[row + 1]);

    // Backgrounds stop at the last row that fits whole above the bottom inset.
    const int last = height - kInset;
    int rowTop = kInset;
    for (auto it = items.begin(); it != items.end(); ++it, rowTop += kRowPitch)
    {
        ScreenQuad& look = *it == selected.Get() ? selectedRow : normalRow;
        look.Draw(device, skin, sx + kInset, sy + rowTop, sx + width - kInset,
                  sy + rowTop + kRowHeight);
        if (rowTop + kRowPitch + kRowHeight > last)
            break;
    }
    // Texts go on to the last row that starts at or above it.
    Video& video = Video::Instance();
    rowTop = kInset;
    for (auto it = items.begin(); it != items.end(); ++it, rowTop += kRowPitch)
    {
        video.DrawText((*it)->text, sx + kInset, sy + rowTop, 0xFFFFFFFF);
        if (rowTop + kRowPitch > last)
            break;
    }
}

void ListBox::SelectAt(int px, int py)
{
    int rowTop = kInset;
    for (const SmartPtr<ListItem>& item : items)
    {
        if (px >= kInset && px <= width - kInset && py >= rowTop && py <= rowTop + kRowHeight)
        {
            selected = item;
            return;
        }
        rowTop += kRowPitch;
        if (rowTop > height - kInset)
            return;
    }
}

void ListBox::OnLeftDown(int px, int py)
{
    dragging = true;
    SelectAt(px, py);
}

void ListBox::OnMouseMove(int px, int py)
{
    if (dragging && px >= 0 && px <= width && py >= 0 && py <= height)
        SelectAt(px, py);
}

void ListBox::OnLeftUp(int, int)
{
    dragging = false;
}

void ListBox::HandleEvent(GuiEvent*) {}

void ListBox::AddItem(ListItem* item)
{
    if (item)
        items.push_back(item);
}

void ListBox::RemoveItem(ListItem* item)
{
    items.remove_if([item](const SmartPtr<ListItem>& entry) { return entry == item; });
}

void ListBox::Clear()
{
    items.clear();
}
