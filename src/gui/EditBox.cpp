#include "gui/EditBox.h"

#include "gui/GuiManager.h"
#include "video/Video.h"

#include <algorithm>
#include <cstring>

namespace
{
const char kCaret[] = {1, 0};

// The codes 32 to 127, tested on the byte's value so that a platform whose
// char is unsigned does not let 128 to 255 through.
bool IsTyped(char c)
{
    unsigned char code = static_cast<unsigned char>(c);
    return code >= 32 && code <= 127;
}
} // namespace

EditBox::EditBox(int left, int top, int w, const char* value, Texture* skin)
    : Widget(left, top, w, kSkin.cell)
{
    CopyWidgetText(text, value);
    texture = SkinOrDefault(skin, "data\\textures\\editbox.png");
    SetCappedRow(parts, 0.0f, 1.0f);
}

EditBox::~EditBox() = default;

void EditBox::Draw(IDirect3DDevice9* device, int sx, int sy)
{
    DrawCappedRow(device, parts, texture.Get(), sx, sy, sx + width, sy + kSkin.cell);

    // Two characters' room is kept back. Below 16 pixels wide nothing fits; a
    // negative count would start the tail past the end of the text.
    int fits = std::max(0, width / kSkin.glyph - 2);
    int length = static_cast<int>(strlen(text));
    int start = std::max(0, length - fits);
    int left = sx + kSkin.inset;
    int top = sy + kSkin.inset;
    Video& video = Video::Instance();
    video.DrawText(text + start, left, top, 0xFF000000);
    if (GuiManager::Instance().GetFocus() == this)
        video.DrawText(kCaret, left + kSkin.glyph * (length - start), top, 0xFF000000);
}

void EditBox::OnLeftDown(int, int) {}

void EditBox::OnLeftUp(int, int) {}

void EditBox::OnChar(char c)
{
    size_t length = strlen(text);
    if (c == 8)
    {
        if (length > 0)
            text[length - 1] = '\0';
    }
    else if (c == 13)
    {
        if (parent)
            parent->PostEvent(new GuiEvent(EditEnter, this, 0));
    }
    else if (IsTyped(c) && length < kMaxWidgetText)
    {
        text[length] = c;
        text[length + 1] = '\0';
    }
}

void EditBox::Clear()
{
    text[0] = '\0';
}

void EditBox::SetText(const char* value)
{
    CopyWidgetText(text, value);
}
