// The one object through which the rest of the program reaches the GUI: the
// cursor, the root of the widget tree, the focus widget and the active flag.
// It reads no input device: the game module calls its entry points in menu
// mode.
#pragma once

#include "core/SmartPtr.h"
#include "gui/Widget.h"
#include "platform/D3D9.h"
#include "video/Texture.h"

#include <cstdint>

class GuiManager
{
public:
    // Created on the first call, destroyed at exit.
    static GuiManager& Instance();
    // Releases the focus, then the root, then the cursor texture.
    ~GuiManager();

    // The cursor image (held by reference; null: no cursor is drawn) and its
    // hot point, in pixels from the image's top-left corner.
    void SetCursor(Texture* texture, int hotspotX, int hotspotY);
    // The rectangle the cursor is kept in, both far edges included; the cursor
    // moves into it at the next movement. Until it is set, (0, 0)-(0, 0).
    void SetCursorBounds(int minX, int minY, int maxX, int maxY);
    // The root of the widget tree (held by reference); null: no dispatch, no
    // event pass and no tree drawing.
    void SetRoot(Widget* widget);
    // Gates drawing only: while false, Draw draws nothing at all.
    void SetActive(bool value);
    // The widget that receives typed characters; set by a left click that
    // ends on it. It stays the focus if it leaves the tree.
    void SetFocus(Widget* widget);
    // The focus widget or null.
    Widget* GetFocus() const { return focus.Get(); }

    // Relative movement in pixels: moves the cursor, clamps it to the bounds
    // and broadcasts the movement to every widget of the tree.
    void OnMouseMove(int dx, int dy);
    // The left button went down at the cursor: the tree's hit test, which sets
    // the focus.
    void OnLeftDown();
    // The other button changes, broadcast to every widget of the tree.
    void OnLeftUp();
    void OnRightDown();
    void OnRightUp();
    // A typed character, to the focus widget only.
    void OnChar(char c);

    // The tree's event pass; once a frame, from the Kernel's frame before
    // Video::Render.
    void Update();
    // While active: the tree from the root at (0, 0), then the cursor on top,
    // at its position minus the hot point and at the texture's size. Called by
    // Video's GUI pass after RenderPreset::Screen is applied.
    void Draw(IDirect3DDevice9* device);

    SmartPtr<Texture> cursorTexture;
    SmartPtr<Widget> root;
    SmartPtr<Widget> focus;
    // Cursor position in screen pixels.
    int32_t cursorX = 0;
    int32_t cursorY = 0;
    int32_t hotspotX = 0;
    int32_t hotspotY = 0;
    // The clamp rectangle, both edges included.
    int32_t minX = 0;
    int32_t minY = 0;
    int32_t maxX = 0;
    int32_t maxY = 0;
    bool active = false;

private:
    GuiManager();
    GuiManager(const GuiManager&) = delete;
    GuiManager& operator=(const GuiManager&) = delete;
};
