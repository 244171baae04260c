// Base of every GUI element: a rectangle placed relative to its parent, its
// children with the topmost first, a queue of events for the next event pass,
// and the virtual interface the toolkit's widgets override. The GUI manager
// starts every tree operation at the root.
#pragma once

#include "core/RefObject.h"
#include "core/SmartPtr.h"
#include "gui/GuiEvent.h"
#include "platform/D3D9.h"

#include <cstdint>
#include <list>

// Widgets are created with new by their owner and held through SmartPtr; a
// parent and its child refer to each other through counted references, so a
// widget lives while it is in a tree or anything else holds it. Nothing
// deletes a widget directly.
//
// Coordinates: a widget's local origin is its own top-left corner, and it
// covers 0 to width and 0 to height with both edges included (a widget 16 wide
// covers 17 columns for every hit test).
class Widget : public RefObject
{
public:
    // At (0, 0), 0 by 0, no children, no events, no parent; derived
    // constructors set x, y, width and height.
    Widget();
    // Releases the parent, then the queued events, then the children.
    ~Widget() override;

    // The virtual interface, in slot order. Mouse handlers get local
    // coordinates.

    // Draws this widget alone, at its absolute screen position (screenX,
    // screenY); the tree then draws its children over it. Called inside
    // Video's GUI pass with RenderPreset::Screen applied: draw rectangles with
    // ScreenQuad and text with Video::DrawText or DrawOutlinedText.
    virtual void Draw(IDirect3DDevice9* device, int screenX, int screenY) = 0;
    // The cursor moved. Every widget of the tree sees every movement; the point
    // may be negative or beyond the widget's size, and the widget decides from
    // it whether the cursor is over it. Default: nothing.
    virtual void OnMouseMove(int x, int y);
    // The left button went down inside this widget and inside none of its
    // children; the widget has just become the GUI's focus. Default: nothing.
    virtual void OnLeftDown(int x, int y);
    // The right button went down; every widget receives it, wherever the
    // cursor is. Default: nothing.
    virtual void OnRightDown(int x, int y);
    // The left button came up; every widget receives it. Default: nothing.
    virtual void OnLeftUp(int x, int y);
    // The right button came up; every widget receives it. Default: nothing.
    virtual void OnRightUp(int x, int y);
    // Reserved slots: nothing calls them. Default: nothing.
    virtual void OnReserved1(int32_t value);
    virtual void OnReserved2(int32_t value);
    // A typed character; only the focus widget receives it. Default: nothing.
    virtual void OnChar(char c);
    // One event of this widget's queue, during the event pass. The default:
    // BringToFront brings the sender to the front of the children; CloseWidget
    // takes every entry of the sender out of the children and, when this was
    // its parent, unlinks the sender's subtree (UnlinkTree), so that it is
    // freed once nothing else holds it; other types are dropped. An override
    // that wants this too calls Widget::HandleEvent.
    virtual void HandleEvent(GuiEvent* event);

    // Tree operations.

    // Puts the child at the front of the children (topmost: hit first, drawn
    // last) and makes this widget its parent. A child already in the list keeps
    // its place. Refused, with a log line, when the child is this widget or
    // holds it somewhere below: the tree would contain itself.
    void AddChild(Widget* child);
    // Takes every entry of the child out of the children; the child's parent
    // becomes null if it was this widget.
    void RemoveChild(Widget* child);
    // Moves a child to the front of the children; a widget that is not a child
    // is left out.
    void BringChildToFront(Widget* child);
    // Whether the point, in the parent's coordinates, lies in this widget's
    // rectangle, far edges included.
    bool Contains(int px, int py) const;
    // Queues the event, taking a reference, for the next event pass.
    void PostEvent(GuiEvent* event);
    // Parent and child hold each other, so a tree taken out of the GUI would
    // hold itself for ever: this widget and every widget below it whose parent
    // it is let go of their children, their queued events and their parent.
    // What the caller or anything else still holds stays valid (and deletion
    // waits for the end of the frame anyway). Called on a closed widget.
    void UnlinkTree();

    // Draws this widget at (parentX + x, parentY + y), then its children from
    // the back of the list to the front. Allocates nothing.
    void DrawTree(IDirect3DDevice9* device, int parentX, int parentY);
    // The broadcasts: this widget's handler with the point in its local
    // coordinates, then every child's broadcast from the front to the back. The
    // point is in the parent's coordinates (for the root: the screen's).
    void MouseMoveTree(int px, int py);
    void RightDownTree(int px, int py);
    void LeftUpTree(int px, int py);
    void RightUpTree(int px, int py);
    // The GUI's only hit test. The first child from the front that contains the
    // point is sent a BringToFront for it and the dispatch goes on into it;
    // where no child contains the point, this widget becomes the focus and gets
    // OnLeftDown. This widget itself is not tested against its rectangle.
    void LeftDownTree(int px, int py);
    // The event pass, once a frame: every child's pass, front to back, then
    // this widget's queued events in posting order, each released once
    // handled. Children are served first, so an event a child posts to its
    // parent is handled in the same pass; events a widget posts to itself while
    // handling its own wait for the next pass.
    void ProcessEventsTree();

    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
    // Front: topmost.
    std::list<SmartPtr<Widget>> children;
    std::list<SmartPtr<GuiEvent>> events;
    SmartPtr<Widget> parent;

    // The widgets constructed and not yet deleted, for leak checks.
    static int LiveCount();

protected:
    // At (x, y), width by height, otherwise as the default constructor: the
    // start every widget of the toolkit shares.
    Widget(int x, int y, int width, int height);

private:
    typedef void (Widget::*PointHandler)(int x, int y);
    void Broadcast(int px, int py, PointHandler handler);
    // Whether the widget is in this widget's subtree, below it.
    bool HoldsBelow(const Widget* widget) const;
};
