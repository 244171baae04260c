// A framed, movable container: a title bar with its title and a close button,
// a frame cut from a 4 by 4 cell skin and, unless its size is fixed, a resize
// grip in the bottom-right corner. Its children are drawn over the frame.
#pragma once

#include "core/SmartPtr.h"
#include "gui/GuiDraw.h"
#include "gui/Widget.h"
#include "gui/WidgetText.h"
#include "video/Texture.h"

#include <cstdint>

// Hit zones in local coordinates, edges included: the title row is 0 <= y <=
// 16; the close button is width - 16 <= x <= width in the title row; the grip
// is width - 8 <= x <= width and height - 8 <= y <= height.
class GuiWindow : public Widget
{
public:
    // The rectangle as given (a size below the 64-pixel minimum of resizing is
    // accepted here); the title is copied, cut at 256 characters. A null skin
    // takes "data\textures\window.png" from the resource cache.
    GuiWindow(int x, int y, int width, int height, const char* title, Texture* skin,
              bool fixedSize);
    ~GuiWindow() override;

    // Title bar, close button in the look of closeState, the band under the
    // title bar, the body, the bottom, the grip unless fixedSize, then the
    // title outlined at (screenX + 4, screenY + 4).
    void Draw(IDirect3DDevice9* device, int screenX, int screenY) override;
    // Moves the window while dragging (the point under the cursor stays put)
    // or resizes it while resizing, not below 64 by 64, posting WindowResized
    // to itself for every movement; then the close button's hover.
    void OnMouseMove(int x, int y) override;
    // A press on the close button presses it; elsewhere on the title row it
    // starts a drag; on the grip (unless fixedSize) it starts a resize.
    void OnLeftDown(int x, int y) override;
    // Broadcast: a release on the pressed close button posts CloseWidget to
    // the parent; any release ends a drag or a resize.
    void OnLeftUp(int x, int y) override;

    SmartPtr<Texture> texture;
    char title[kMaxWidgetText + 1];
    bool dragging = false;
    bool resizing = false;
    bool fixedSize;
    // Local point of the press that started the drag or resize; a resize
    // moves it with every step.
    int32_t anchorX = 0;
    int32_t anchorY = 0;
    // A WidgetLook: 0 normal, 1 hover, 2 pressed.
    int32_t closeState = LookNormal;

private:
    bool OnCloseButton(int x, int y) const;

    // Rows 0 to 3 of the frame: left, stretched middle, right.
    ScreenQuad frame[4][3];
    // Normal, hover, pressed.
    ScreenQuad closeLooks[3];
    ScreenQuad grip;
};
