// The geometry the widgets' skins share, and the looks a part of a widget
// takes. A skin is a 64 by 64 image cut into 4 by 4 cells of 16 pixels, drawn
// on the screen at its own pixel size.
#pragma once

#include <cstdint>

struct SkinMetrics
{
    // A skin cell on the screen, in pixels: frame borders, caps, the title
    // row, a check box's box, a scroll bar's thickness, arrows and thumb.
    int cell;
    // Half a cell: a window's resize grip.
    int halfCell;
    // The side of a skin image in pixels (4 cells).
    int image;
    // One cell's span in texture coordinates.
    float cellSpan;
    // One character of Video's font: 8 pixels across and down.
    int glyph;
    // Distance of texts and list rows from their widget's edge.
    int inset;
};

inline constexpr SkinMetrics kSkin = {16, 8, 64, 0.25f, 8, 4};

// The looks of an arrow, a thumb or a close button, as their state fields hold
// them.
enum WidgetLook : int32_t
{
    LookNormal = 0,
    LookHover = 1,
    LookPressed = 2,
};

// The look a state field draws in: any value other than normal or hover draws
// pressed.
inline WidgetLook LookOf(int32_t state)
{
    return state == LookNormal ? LookNormal : state == LookHover ? LookHover : LookPressed;
}
