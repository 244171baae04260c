// A fixed-size window that shows a text and an "OK" button, sized from the
// text, and asks its parent to remove it when the button is clicked.
#pragma once

#include "core/SmartPtr.h"
#include "gui/Button.h"
#include "gui/GuiWindow.h"

class MessageDialog : public GuiWindow
{
public:
    // At (x, y), without a grip: a Label of the text at (4, 20); 8 pixels per
    // character of its longest line plus 8 wide, 8 per line plus 52 high; the
    // 64-wide "OK" button at (width / 2 - 32, height - 28) with the default
    // button skin. The title is cut at 256 characters.
    MessageDialog(int x, int y, Texture* skin, const char* title, const char* text);
    // Releases the button.
    ~MessageDialog() override;

    // A ButtonClicked from the OK button posts CloseWidget to the parent, so
    // the parent removes the dialog in the same event pass; every other event
    // is dropped, and the children keep their order.
    void HandleEvent(GuiEvent* event) override;

    SmartPtr<Button> okButton;
};
