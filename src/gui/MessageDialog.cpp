#include "gui/MessageDialog.h"

#include "gui/Label.h"

MessageDialog::MessageDialog(int left, int top, Texture* skin, const char* title, const char* text)
    : GuiWindow(left, top, 0, 0, title, skin, true)
{
    Label* label = new Label(4, 20, text);
    width = 8 * label->MaxLineLength() + 8;
    height = 8 * label->LineCount() + 52;
    okButton = new Button(width / 2 - 32, height - 28, 64, "OK", nullptr);
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
