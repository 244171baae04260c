#include "gui/Label.h"

#include "gui/SkinMetrics.h"
#include "video/Video.h"

#include <algorithm>

Label::Label(int left, int top, const char* value)
    : Widget(left, top, 0, 0), text(value ? value : "")
{
    width = kSkin.glyph * MaxLineLength();
    height = kSkin.glyph * LineCount();
}

Label::~Label() = default;

void Label::Draw(IDirect3DDevice9*, int sx, int sy)
{
    Video::Instance().DrawText(text.c_str(), sx, sy, 0xFFFFFFFF);
}

int Label::MaxLineLength() const
{
    int longest = 0;
    int count = 0;
    for (char c : text)
    {
        count = c == '\n' ? 0 : count + 1;
        longest = std::max(longest, count);
    }
    return longest;
}

int Label::LineCount() const
{
    return 1 + static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}
