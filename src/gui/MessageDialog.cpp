#include "gui/MessageDialog.h"

#include "gui/Label.h"

namespace
{
// The text sits below the title row, inset like the title, with an inset on
// its right too; the OK button sits 4 pixels below it and 8 above the bottom.
const int kTextLeft = kSkin.inset;
const int kTextTop = kSkin.cell + kSkin.inset;
const int kButtonWidth = 64;
const int kButtonAbove = 4;
const int kButtonBelow = 8;
} // namespace

MessageDialog::MessageDialog(int left, int top, Texture* skin, const char* title, const char* text)
    : GuiWindow(left, top, 0, 0, title, skin, true)
{
    Label* label = new Label(kTextLeft, kTextTop, text);
    width = label->width + 2 * kTextLeft;
    height = kTextTop + label->height + kButtonAbove + Button::kHeight + kButtonBelow;
    okButton = new Button(width / 2 - kButtonWidth / 2, height - kButtonBelow - Button::kHeight,
                          kButtonWidth, "OK", nullptr);
    AddChild(okButton.Get());
    AddChild(label);
}

MessageDialog::~MessageDialog()
{
    okButton = nullptr;
}

void MessageDialog::HandleEvent(GuiEvent* event)
{
    if (event->type == ButtonClicked && event->sender == okButton.Get() && parent)
        parent->PostEvent(new GuiEvent(CloseWidget, this, 0));
}
