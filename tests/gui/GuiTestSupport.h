// A widget that records the calls it receives (and may fill its rectangle with
// a colour); a keeper that holds the test's widgets and, at the end, cuts the
// links of their trees (parent and child hold each other) and resets the GUI
// manager; and Video with the GUI active, for pictures of widgets read back
// from the real renderer.
#pragma once

#include "gui/GuiDraw.h"
#include "gui/GuiManager.h"
#include "support/VideoFixture.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class RecordingWidget;
inline std::string NameOf(Widget* widget);

class RecordingWidget : public Widget
{
public:
    RecordingWidget(std::vector<std::string>* calls, std::string name, int left, int top, int w,
                    int h, uint32_t color)
        : Widget(left, top, w, h), calls(calls), name(std::move(name)), color(color)
    {
        quad.SetColor(color);
    }

    // A colourless widget never touches the device.
    void Draw(IDirect3DDevice9* device, int sx, int sy) override
    {
        if (color)
            quad.Draw(device, nullptr, sx, sy, sx + width, sy + height);
    }
    void OnMouseMove(int lx, int ly) override { Record("move", lx, ly); }
    void OnLeftDown(int lx, int ly) override { Record("leftdown", lx, ly); }
    void OnRightDown(int lx, int ly) override { Record("rightdown", lx, ly); }
    void OnLeftUp(int lx, int ly) override { Record("leftup", lx, ly); }
    void OnRightUp(int lx, int ly) override { Record("rightup", lx, ly); }
    void OnChar(char c) override { calls->push_back(name + " char " + c); }
    // Records "<name> event <type> <sender>", hands a copy to the parent when
    // forward is set, then handles it by default.
    void HandleEvent(GuiEvent* event) override
    {
        calls->push_back(name + " event " + std::to_string(event->type) + " " +
                         NameOf(event->sender.Get()));
        if (forward && parent)
            parent->PostEvent(new GuiEvent(event->type, event->sender.Get(), 0));
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
    ScreenQuad quad;
};

// The GUI manager as a program starts with it: no root, focus or cursor, the
// cursor at (0, 0) within empty bounds, inactive.
inline void ResetGuiManager()
{
    GuiManager& gui = GuiManager::Instance();
    gui.SetRoot(nullptr);
    gui.SetFocus(nullptr);
    gui.SetCursor(nullptr, 0, 0);
    gui.SetCursorBounds(0, 0, 0, 0);
    gui.SetActive(false);
    gui.cursorX = gui.cursorY = 0;
}

class WidgetKeeper
{
public:
    ~WidgetKeeper()
    {
        ResetGuiManager();
        for (const SmartPtr<Widget>& widget : widgets)
            widget->UnlinkTree();
        widgets.clear();
        RefObject::CollectGarbage();
    }

    // Holds a widget the test made (and everything it will hold).
    template <class T> T* Keep(T* widget)
    {
        widgets.push_back(widget);
        return widget;
    }

    RecordingWidget* Make(const std::string& name, int left, int top, int w, int h,
                          uint32_t color = 0)
    {
        return Keep(new RecordingWidget(&calls, name, left, top, w, h, color));
    }

    // The recorded calls that contain the text.
    std::vector<std::string> Calls(const std::string& text) const
    {
        std::vector<std::string> found;
        for (const std::string& call : calls)
            if (call.find(text) != std::string::npos)
                found.push_back(call);
        return found;
    }

    std::vector<std::string> calls;
    std::vector<SmartPtr<Widget>> widgets;
};

// A recording widget's name, "-" for none and "?" for a widget of another
// class.
inline std::string NameOf(Widget* widget)
{
    if (!widget)
        return "-";
    RecordingWidget* recording = dynamic_cast<RecordingWidget*>(widget);
    return recording ? recording->name : "?";
}

// The names of the widget's children, front first.
inline std::vector<std::string> ChildNames(const Widget* widget)
{
    std::vector<std::string> names;
    for (const SmartPtr<Widget>& child : widget->children)
        names.push_back(NameOf(child.Get()));
    return names;
}

// One relative movement of the GUI's cursor to (x, y), within its bounds.
inline void MoveCursorTo(int x, int y)
{
    GuiManager& gui = GuiManager::Instance();
    gui.OnMouseMove(x - gui.cursorX, y - gui.cursorY);
}

// A recording root of 800 by 600 under the GUI manager, whose cursor may go
// far beyond it, for tests that drive widgets through the manager.
class GuiTreeTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        root = keeper.Make("root", 0, 0, 800, 600);
        gui.SetRoot(root);
        gui.SetCursorBounds(-1000, -1000, 2000, 2000);
    }
    // The widget, kept, as the root's frontmost child.
    template <class T> T* Add(T* widget)
    {
        root->AddChild(widget);
        return keeper.Keep(widget);
    }
    void ClickAt(int x, int y)
    {
        MoveCursorTo(x, y);
        gui.OnLeftDown();
    }
    // A press at the first point, moves through all of them, a release.
    void Drag(const std::vector<std::pair<int, int>>& path)
    {
        ClickAt(path[0].first, path[0].second);
        for (const auto& point : path)
            MoveCursorTo(point.first, point.second);
        gui.OnLeftUp();
    }

    WidgetKeeper keeper;
    GuiManager& gui = GuiManager::Instance();
    RecordingWidget* root = nullptr;
};

// Video started on the main window with the GUI active and its cursor kept on
// the back buffer; and skins whose texels are coloured by the region they lie in.
class GuiPixelFixture : public VideoFixture
{
protected:
    void SetUp() override
    {
        VideoFixture::SetUp();
        keeper.reset(new WidgetKeeper());
        gui.SetCursorBounds(0, 0, Video::Instance().width, Video::Instance().height);
        gui.SetActive(true);
    }
    void TearDown() override
    {
        keeper.reset(); // lets go of the textures before the device goes
        VideoFixture::TearDown();
    }
    TestFrame Frame()
    {
        Video::Instance().Render();
        return Read();
    }

    // An opaque colour of its own for each region (column, row) of a skin, far
    // from black, white, the background and the test font's glyphs.
    static uint32_t Region(int column, int row)
    {
        return 0xFF000060u | static_cast<uint32_t>(20 + 28 * column) << 16 |
               static_cast<uint32_t>(20 + 28 * row) << 8;
    }
    // A width by height skin with texel (x, y) in the colour given.
    static SmartPtr<Texture> Skin(int width, int height,
                                  const std::function<uint32_t(int x, int y)>& colorAt)
    {
        std::vector<uint32_t> texels;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                texels.push_back(colorAt(x, y));
        return TexelTexture(width, height, texels);
    }

    GuiManager& gui = GuiManager::Instance();
    std::unique_ptr<WidgetKeeper> keeper;
};
