// The events widgets post to one another; each waits in the receiver's queue
// until the next event pass.
#pragma once

#include "core/RefObject.h"
#include "core/SmartPtr.h"

#include <cstdint>

class Widget;

// The values of GuiEvent::type.
enum GuiEventType : int32_t
{
    // A button was clicked; posted by the button to its parent.
    ButtonClicked = 0,
    // A click landed in the sender, a child of the receiver; the default
    // handling moves the sender to the front of the receiver's children.
    BringToFront = 1,
    // The sender asks the receiver, its parent, to take it out of its
    // children; the default handling does so.
    CloseWidget = 2,
    // Enter was typed in the sender, an edit box; posted to its parent.
    EditEnter = 3,
    // The sender, a window, was resized; posted to itself.
    WindowResized = 4,
};

class GuiEvent : public RefObject
{
public:
    // Created with new and handed to Widget::PostEvent, whose queue holds the
    // only lasting reference; the event pass releases it.
    GuiEvent(int type, Widget* sender, int param);
    ~GuiEvent() override;

    int32_t type;
    SmartPtr<Widget> sender;
    // 0 for every event the toolkit posts.
    int32_t param;
};
