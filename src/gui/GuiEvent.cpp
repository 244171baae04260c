#include "gui/GuiEvent.h"

#include "gui/Widget.h"

GuiEvent::GuiEvent(int type, Widget* sender, int param) : type(type), sender(sender), param(param)
{
}

GuiEvent::~GuiEvent() = default;
