#include "gui/ListBox.h"

#include "video/ResourceManager.h"
#include "video/Video.h"

ListItem::ListItem(const char* value)
{
    CopyWidgetText(text, value);
}

ListItem::~ListItem() = default;

ListBox::ListBox(int left, int top, int w, int h, Texture* skin)
    : selectedRow(0.75f, 0.0f, 0.875f, 0.125f), normalRow(0.75f, 0.125f, 0.875f, 0.25f)
{
    x = left;
    y = top;
    width = w;
    height = h;
    texture = skin ? skin : ResourceManager::Instance().GetTexture("data\\textures\\listbox.png");
    for (int row = 0; row < 3; ++row)
    {
        for (int column = 0; column < 3; ++column)
            frame[row][column].SetRegion(column * 0.25f, row * 0.25f, (column + 1) * 0.25f,
                                         (row + 1) * 0.25f);
    }
    scrollBar = new ScrollBar(w - 16, 0, 16, h, false, 100, nullptr);
    AddChild(scrollBar.Get());
}

ListBox::~ListBox() = default;

void ListBox::Draw(IDirect3DDevice9* device, int sx, int sy)
{
    Texture* skin = texture.Get();
    const int rows[4] = {sy, sy + 16, sy + height - 16, sy + height};
    for (int row = 0; row < 3; ++row)
        DrawCappedRow(device, frame[row], skin, sx, rows[row], sx + width, rows[row + 1]);

    // Backgrounds stop at the last row that fits whole above height - 4.
    int k = 0;
    for (auto it = items.begin(); it != items.end(); ++it, ++k)
    {
        ScreenQuad& look = *it == selected.Get() ? selectedRow : normalRow;
        look.Draw(device, skin, sx + 4, sy + 4 + 10 * k, sx + width - 4, sy + 12 + 10 * k);
        if (22 + 10 * k > height - 4)
            break;
    }
    // Texts go on to the last row that starts at or above it.
    Video& video = Video::Instance();
    k = 0;
    for (auto it = items.begin(); it != items.end(); ++it, ++k)
    {
        video.DrawText((*it)->text, sx + 4, sy + 4 + 10 * k, 0xFFFFFFFF);
        if (14 + 10 * k > height - 4)
            break;
    }
}

void ListBox::SelectAt(int px, int py)
{
    int rowTop = 4;
    for (const SmartPtr<ListItem>& item : items)
    {
        if (px >= 4 && px <= width - 4 && py >= rowTop && py <= rowTop + 8)
        {
            selected = item;
            return;
        }
        rowTop += 10;
        if (rowTop > height - 4)
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
