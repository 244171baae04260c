// A box that toggles when pressed, with its label beside it. It posts no
// event: the owner reads `checked`.
#pragma once

#include "core/SmartPtr.h"
#include "gui/GuiDraw.h"
#include "gui/Widget.h"
#include "gui/WidgetText.h"
#include "video/Texture.h"

class CheckBox : public Widget
{
public:
    // At (x, y), 8 pixels per label character plus 24 wide and 16 high,
    // unchecked. The label is copied, cut at 256 characters. A null skin takes
    // "data\textures\checkbox.png" from the resource cache.
    CheckBox(int x, int y, const char* label, Texture* skin);
    ~CheckBox() override;

    // The 16 by 16 box from the skin's row of (checked, hover), then the label
    // outlined at (screenX + 24, screenY + 4).
    void Draw(IDirect3DDevice9* device, int screenX, int screenY) override;
    // Hover while the cursor is on the box, (0, 0) to (16, 16).
    void OnMouseMove(int x, int y) override;
    // A press on the box flips `checked`; a press on the label only makes the
    // check box the focus.
    void OnLeftDown(int x, int y) override;
    void OnLeftUp(int x, int y) override;

    SmartPtr<Texture> texture;
    char label[kMaxWidgetText + 1];
    bool checked = false;
    bool hover = false;

private:
    // Unchecked, unchecked with hover, checked, checked with hover.
    ScreenQuad looks[4];
};
