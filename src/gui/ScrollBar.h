// A bar 16 pixels thick with two arrow buttons and a thumb that shows a
// position between 0 and a maximum. The vertical bar steps its position with
// the arrows; the horizontal bar draws only its track and does not step.
#pragma once

#include "core/SmartPtr.h"
#include "gui/GuiDraw.h"
#include "gui/Widget.h"
#include "video/Texture.h"

#include <cstdint>

class ScrollBar : public Widget
{
public:
    // A horizontal bar is width by 16, a vertical one 16 by height; the other
    // size argument is not used. Position 0, all parts in their normal look,
    // the maximum raised to 1 if lower. A null skin takes
    // "data\textures\scrollbar.png" from the resource cache.
    ScrollBar(int x, int y, int width, int height, bool horizontal, int max, Texture* skin);
    ~ScrollBar() override;

    // Vertical: the track, the two arrows and the thumb, each in the look of
    // its state. Horizontal: the track between the ends only.
    void Draw(IDirect3DDevice9* device, int screenX, int screenY) override;
    // Hover on the part under the cursor; leaving the bar clears every state.
    // The position never follows the cursor.
    void OnMouseMove(int x, int y) override;
    // Presses the part under the point; a vertical bar's arrows step the
    // stored position by one, the first not below 0, the second not above max.
    void OnLeftDown(int x, int y) override;
    // Broadcast: every part back to its normal look.
    void OnLeftUp(int x, int y) override;

    // The maximum, raised to 1 if lower (the thumb divides by it); the
    // position is left as it is.
    void SetMax(int value);
    int GetMax() const { return max; }
    // The position, stored as given; the thumb shows one outside 0 to max
    // at its nearer end.
    void SetPos(int value);
    int GetPos() const { return pos; }

    int32_t max;
    int32_t pos = 0;
    bool horizontal;
    SmartPtr<Texture> texture;
    // WidgetLooks: 0 normal, 1 hover, 2 pressed. The first arrow is the top
    // one of a vertical bar but the right end of a horizontal one.
    int32_t firstArrowState = LookNormal;
    int32_t secondArrowState = LookNormal;
    int32_t thumbState = LookNormal;

private:
    // Local offset of the thumb's start along the bar: one cell plus pos / max
    // of the travel (length less three cells), pos / max held within 0 to 1.
    float ThumbStart() const;
    // The position the thumb shows: pos held within 0 to max.
    int ShownPos() const;
    bool Inside(int x, int y) const;

    // The square button by WidgetLook, for both arrows and the thumb.
    ScreenQuad looks[3];
    ScreenQuad verticalTrack;
    ScreenQuad horizontalTrack;
};
