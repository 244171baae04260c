// A framed list of text rows from which the user selects one by pressing on
// it or by dragging over the rows, with a vertical scroll bar along its right
// edge. The rows always start at the first item: the bar does not scroll them.
#pragma once

#include "core/RefObject.h"
#include "core/SmartPtr.h"
#include "gui/GuiDraw.h"
#include "gui/ScrollBar.h"
#include "gui/Widget.h"
#include "gui/WidgetText.h"
#include "video/Texture.h"

#include <list>

// One row of a list box: its text, held by the list through a counted
// reference.
class ListItem : public RefObject
{
public:
    // The text is copied, cut at 256 characters.
    explicit ListItem(const char* text);
    ~ListItem() override;

    char text[kMaxWidgetText + 1];
};

class ListBox : public Widget
{
public:
    // The rectangle as given; a vertical ScrollBar of the list's height with
    // maximum 100 and the default bar skin at (width - 16, 0) becomes its
    // child. A null skin takes "data\textures\listbox.png" from the resource
    // cache.
    ListBox(int x, int y, int width, int height, Texture* skin);
    ~ListBox() override;

    // The nine-cell frame with 16-pixel borders, then the rows, 8 pixels high
    // every 10 from local (4, 4), across the whole width less 4 on each side:
    // backgrounds (the selected item's in the selected look) while the row
    // fits above height - 4, texts in white while the row starts at or above
    // it.
    void Draw(IDirect3DDevice9* device, int screenX, int screenY) override;
    // While dragging and inside the list: the row under the point becomes the
    // selection.
    void OnMouseMove(int x, int y) override;
    // Starts a drag and selects the row under the point; a press between rows
    // or in the margins keeps the selection.
    void OnLeftDown(int x, int y) override;
    // Broadcast: the drag ends.
    void OnLeftUp(int x, int y) override;
    // Drops every event: a press on the bar does not reorder the children.
    void HandleEvent(GuiEvent* event) override;

    // Appends the item (null is ignored).
    void AddItem(ListItem* item);
    // Takes every entry of the item out of the list; the selection is kept
    // even when it was that item.
    void RemoveItem(ListItem* item);
    void Clear();

    SmartPtr<ScrollBar> scrollBar;
    SmartPtr<Texture> texture;
    std::list<SmartPtr<ListItem>> items;
    SmartPtr<ListItem> selected;
    bool dragging = false;

private:
    // Selects the item whose row holds the local point, if any.
    void SelectAt(int x, int y);

    // The frame cells by (row, column).
    ScreenQuad frame[3][3];
    ScreenQuad selectedRow;
    ScreenQuad normalRow;
};
