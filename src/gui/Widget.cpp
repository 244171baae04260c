#include "gui/Widget.h"

#include "core/Log.h"
#include "gui/GuiManager.h"

#include <vector>

namespace
{
int g_liveWidgets = 0;

// The children as they stand when a pass starts: a handler that changes the
// list does not upset the walk, and every widget stays alive while it is
// served.
std::vector<SmartPtr<Widget>> Snapshot(const std::list<SmartPtr<Widget>>& children)
{
    return std::vector<SmartPtr<Widget>>(children.begin(), children.end());
}

// Takes every entry of the widget out of the list; whether there was one.
bool RemoveEntries(std::list<SmartPtr<Widget>>& children, const Widget* widget)
{
    size_t before = children.size();
    children.remove_if([widget](const SmartPtr<Widget>& entry) { return entry == widget; });
    return children.size() != before;
}
} // namespace

Widget::Widget()
{
    ++g_liveWidgets;
}

Widget::Widget(int left, int top, int w, int h) : x(left), y(top), width(w), height(h)
{
    ++g_liveWidgets;
}

Widget::~Widget()
{
    --g_liveWidgets;
}

int Widget::LiveCount()
{
    return g_liveWidgets;
}

void Widget::OnMouseMove(int, int) {}

void Widget::OnLeftDown(int, int) {}

void Widget::OnRightDown(int, int) {}

void Widget::OnLeftUp(int, int) {}

void Widget::OnRightUp(int, int) {}

void Widget::OnReserved1(int32_t) {}

void Widget::OnReserved2(int32_t) {}

void Widget::OnChar(char) {}

void Widget::HandleEvent(GuiEvent* event)
{
    switch (event->type)
    {
    case BringToFront:
        BringChildToFront(event->sender.Get());
        break;
    case CloseWidget:
    {
        // The event holds the sender until the pass is done with it.
        Widget* sender = event->sender.Get();
        if (RemoveEntries(children, sender) && sender->parent == this)
            sender->UnlinkTree();
        break;
    }
    default:
        break;
    }
}

void Widget::AddChild(Widget* child)
{
    if (!child)
        return;
    // A tree that contains itself would be drawn and broadcast to for ever.
    if (child == this || child->HoldsBelow(this))
    {
        Log::Printf(Log::Instance(),
                    "Widget::AddChild - refused: the child is the widget or one of its parents\n");
        return;
    }
    for (const SmartPtr<Widget>& entry : children)
    {
        if (entry == child)
            return;
    }
    children.push_front(child);
    child->parent = this;
}

void Widget::RemoveChild(Widget* child)
{
    if (!child)
        return;
    SmartPtr<Widget> keep(child);
    RemoveEntries(children, child);
    if (child->parent == this)
        child->parent = nullptr;
}

void Widget::BringChildToFront(Widget* child)
{
    SmartPtr<Widget> keep(child);
    // A widget taken out of the list earlier in the pass (closed) stays out.
    if (RemoveEntries(children, child))
        children.push_front(keep);
}

bool Widget::Contains(int px, int py) const
{
    int64_t lx = static_cast<int64_t>(px) - x;
    int64_t ly = static_cast<int64_t>(py) - y;
    return lx >= 0 && lx <= width && ly >= 0 && ly <= height;
}

void Widget::PostEvent(GuiEvent* event)
{
    if (event)
        events.push_back(event);
}

void Widget::DrawTree(IDirect3DDevice9* device, int parentX, int parentY)
{
    int sx = parentX + x;
    int sy = parentY + y;
    Draw(device, sx, sy);
    for (auto it = children.rbegin(); it != children.rend(); ++it)
        (*it)->DrawTree(device, sx, sy);
}

void Widget::Broadcast(int px, int py, PointHandler handler)
{
    // Taken once, before the handler: a widget that moves itself does not
    // change what its children receive for this movement.
    int lx = px - x;
    int ly = py - y;
    (this->*handler)(lx, ly);
    if (children.empty())
        return;
    for (const SmartPtr<Widget>& child : Snapshot(children))
        child->Broadcast(lx, ly, handler);
}

void Widget::MouseMoveTree(int px, int py)
{
    Broadcast(px, py, &Widget::OnMouseMove);
}

void Widget::RightDownTree(int px, int py)
{
    Broadcast(px, py, &Widget::OnRightDown);
}

void Widget::LeftUpTree(int px, int py)
{
    Broadcast(px, py, &Widget::OnLeftUp);
}

void Widget::RightUpTree(int px, int py)
{
    Broadcast(px, py, &Widget::OnRightUp);
}

void Widget::LeftDownTree(int px, int py)
{
    int lx = px - x;
    int ly = py - y;
    for (const SmartPtr<Widget>& entry : children)
    {
        if (entry->Contains(lx, ly))
        {
            SmartPtr<Widget> child = entry;
            PostEvent(new GuiEvent(BringToFront, child.Get(), 0));
            child->LeftDownTree(lx, ly);
            return;
        }
    }
    GuiManager::Instance().SetFocus(this);
    OnLeftDown(lx, ly);
}

void Widget::ProcessEventsTree()
{
    if (!children.empty())
    {
        for (const SmartPtr<Widget>& child : Snapshot(children))
            child->ProcessEventsTree();
    }
    // The queue is taken whole first, so each event is handled once and an
    // event posted to this widget by its own handler waits for the next pass.
    std::list<SmartPtr<GuiEvent>> pending;
    pending.swap(events);
    for (const SmartPtr<GuiEvent>& event : pending)
        HandleEvent(event.Get());
}

void Widget::UnlinkTree()
{
    // Taken out first: whatever the walk releases, this widget's list is no
    // longer being changed under it.
    std::list<SmartPtr<Widget>> held;
    held.swap(children);
    for (const SmartPtr<Widget>& child : held)
    {
        if (child->parent == this)
            child->UnlinkTree();
    }
    events.clear();
    parent = nullptr;
}

bool Widget::HoldsBelow(const Widget* widget) const
{
    for (const SmartPtr<Widget>& child : children)
    {
        if (child == widget || child->HoldsBelow(widget))
            return true;
    }
    return false;
}
