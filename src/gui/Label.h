// Static white text, one or more lines, sized from its text when made.
#pragma once

#include "gui/Widget.h"

#include <string>

class Label : public Widget
{
public:
    // At (x, y), 8 pixels wide per character of the longest line and 8 high
    // per line. The text (null: empty) is kept whole and never changes.
    Label(int x, int y, const char* text);
    ~Label() override;

    // The text in white at (screenX, screenY), without an outline.
    void Draw(IDirect3DDevice9* device, int screenX, int screenY) override;

    // Characters in the longest line; newlines are not counted. 0 when empty.
    int MaxLineLength() const;
    // 1 plus the number of newlines.
    int LineCount() const;

    // Lines separated by '\n'.
    std::string text;
};
