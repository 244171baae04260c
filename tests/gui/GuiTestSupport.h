// Widgets for the GUI tests: one that records every call it receives and
// optionally fills its rectangle with a colour, and a keeper that resets the
// GUI manager and unlinks the test's trees (parent and child hold each other)
// when a test ends.
#pragma once

#include "core/RefObject.h"
#include "gui/GuiDraw.h"
#include "gui/GuiManager.h"
#include "gui/Widget.h"

#include <cstdint>
#include <string>
#include <vector>

class RecordingWidget : public Widget
{
public:
    RecordingWidget(std::vector<std::string>* calls, std::string name, int left, int top, int w,
                    int h, uint32_t color)
        : calls(calls), name(std::move(name)), color(color)
    {
        x = left;
        y = top;
        width = w;
        height = h;
        quad.SetColor(color);
    }

    // Records "<name> draw <sx>,<sy>"; fills the rectangle when it has a
    // colour (a colourless widget never touches the device).
    void Draw(IDirect3DDevice9* device, int sx, int sy) override
    {
        Record("draw", sx, sy);
        if (color)
            quad.Draw(device, nullptr, sx, sy, sx + width, sy + height);
    }
    void OnMouseMove(int lx, int ly) override { Record("move", lx, ly); }
    void OnLeftDown(int lx, int ly) override { Record("leftdown", lx, ly); }
    void OnRightDown(int lx, int ly) override { Record("rightdown", lx, ly); }
    void OnLeftUp(int lx, int ly) override { Record("leftup", lx, ly); }
    void OnRightUp(int lx, int ly) override { Record("rightup", lx, ly); }
    void OnChar(char c) override { calls->push_back(name + " char " + std::string(1, c)); }
    // Records "<name> event <type> <sender name>", then hands the event on to
    // the parent when asked to, then applies the default handling.
    void HandleEvent(GuiEvent* event) override
    {
        RecordingWidget* sender = static_cast<RecordingWidget*>(event->sender.Get());
        calls->push_back(name + " event " + std::to_string(event->type) + " " +
                         (sender ? sender->name : "-"));
        if (forward && parent)
            parent->PostEvent(new GuiEvent(event->type, event->sender.Get(), 0));
        if (repostToSelf)
        {
            repostToSelf = false;
            PostEvent(new GuiEvent(event->type, event->sender.Get(), 0));
        }
        Widget::HandleEvent(event);
    }

    void Record(const char* what, int a, int b)
    {
        calls->push_back(name + " " + what + " " + std::to_string(a) + "," + std::to_string(b));
    }

    std::vector<std::string>* calls;
    std::string name;
    uint32_t color;
    bool forward = false;
    bool repostToSelf = false;
    ScreenQuad quad;
};

// Makes the test's widgets and takes the GUI back to its start-up state at the
// end: no root, focus or cursor, inactive, the cursor at (0, 0) with bounds
// (0, 0)-(0, 0), every link between the widgets cut, and the garbage
// collected.
class WidgetKeeper
{
public:
    ~WidgetKeeper()
    {
        GuiManager& gui = GuiManager::Instance();
        gui.SetRoot(nullptr);
        gui.SetFocus(nullptr);
        gui.SetCursor(nullptr, 0, 0);
        gui.SetCursorBounds(0, 0, 0, 0);
        gui.SetActive(false);
        gui.cursorX = 0;
        gui.cursorY = 0;
        for (const SmartPtr<Widget>& widget : widgets)
        {
            widget->children.clear();
            widget->events.clear();
            widget->parent = nullptr;
        }
        widgets.clear();
        RefObject::CollectGarbage();
    }

    RecordingWidget* Make(const std::string& name, int left, int top, int w, int h,
                          uint32_t color = 0)
    {
        RecordingWidget* widget = new RecordingWidget(&calls, name, left, top, w, h, color);
        widgets.push_back(widget);
        return widget;
    }
    template <typename T> T* Keep(T* widget)
    {
        widgets.push_back(widget);
        return widget;
    }

    // The recorded calls that contain the text (a widget name or an action).
    std::vector<std::string> Calls(const std::string& containing) const
    {
        std::vector<std::string> found;
        for (const std::string& call : calls)
            if (call.find(containing) != std::string::npos)
                found.push_back(call);
        return found;
    }

    std::vector<std::string> calls;
    std::vector<SmartPtr<Widget>> widgets;
};

// Names of the widget's children, front first.
inline std::vector<std::string> ChildNames(const Widget* widget)
{
    std::vector<std::string> names;
    for (const SmartPtr<Widget>& child : widget->children)
        names.push_back(static_cast<RecordingWidget*>(child.Get())->name);
    return names;
}

// Moves the GUI's cursor to (x, y) (within its bounds) with one relative
// movement.
inline void MoveCursorTo(int x, int y)
{
    GuiManager& gui = GuiManager::Instance();
    gui.OnMouseMove(x - gui.cursorX, y - gui.cursorY);
}
