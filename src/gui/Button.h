// A push button: a three-part skin in its normal, hover or pressed look with
// a centred caption; a press and release on it reports a click to its parent.
#pragma once

#include "core/SmartPtr.h"
#include "gui/GuiDraw.h"
#include "gui/Widget.h"
#include "gui/WidgetText.h"
#include "video/Texture.h"

class Button : public Widget
{
public:
    // At (x, y), width by 20 pixels. The caption is copied, cut at 256
    // characters. A null skin takes "data\textures\button.png" from the
    // resource cache.
    Button(int x, int y, int width, const char* caption, Texture* skin);

    // The height of every button; each state's row of the skin is as high.
    static constexpr int kHeight = 20;
    ~Button() override;

    // The row of the state (pressed over hover over normal) as left cap,
    // stretched middle and right cap, then the caption outlined at
    // (screenX + width / 2 - 4 per character, screenY + 6).
    void Draw(IDirect3DDevice9* device, int screenX, int screenY) override;
    // Inside: hover. Outside: neither hover nor pressed, so leaving the button
    // with the left button down cancels the click.
    void OnMouseMove(int x, int y) override;
    // The press landed on this button.
    void OnLeftDown(int x, int y) override;
    // Broadcast: when still pressed, posts ButtonClicked to the parent (if
    // any); the press ends in every case.
    void OnLeftUp(int x, int y) override;

    SmartPtr<Texture> texture;
    char caption[kMaxWidgetText + 1];
    bool pressed = false;
    bool hover = false;

private:
    // Left cap, middle and right cap of the normal, hover and pressed rows.
    ScreenQuad parts[3][3];
};
