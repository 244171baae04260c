// One line of text entry: the end of the text that fits, in black on a
// three-part skin, with a caret after it while the edit box is the focus.
#pragma once

#include "core/SmartPtr.h"
#include "gui/GuiDraw.h"
#include "gui/Widget.h"
#include "gui/WidgetText.h"
#include "video/Texture.h"

class EditBox : public Widget
{
public:
    // At (x, y), width by 16 pixels. The text is copied, cut at 256
    // characters. A null skin takes "data\textures\editbox.png" from the
    // resource cache.
    EditBox(int x, int y, int width, const char* text, Texture* skin);
    ~EditBox() override;

    // Left cap, stretched middle and right cap; then the last width / 8 - 2
    // characters (none when the box is narrower than that) in black at
    // (screenX + 4, screenY + 4); while this is the GUI's focus, the caret
    // (glyph 1) just after them.
    void Draw(IDirect3DDevice9* device, int screenX, int screenY) override;
    // A click only makes the edit box the focus.
    void OnLeftDown(int x, int y) override;
    void OnLeftUp(int x, int y) override;
    // Backspace (8) removes the last character; Enter (13) posts EditEnter to
    // the parent; the printable codes 32 to 127 are appended while the text
    // holds fewer than 256 characters; every other code is ignored.
    void OnChar(char c) override;

    // Empties the text.
    void Clear();
    const char* GetText() const { return text; }
    // Copies the text in (null: empty), cut at 256 characters.
    void SetText(const char* value);

    SmartPtr<Texture> texture;
    char text[kMaxWidgetText + 1];

private:
    // Left cap, stretched middle, right cap.
    ScreenQuad parts[3];
};
