// The GUI's per-frame work on a tree of windows, each with a row of children:
// one click with the event pass that raises the chain plus one mouse movement
// broadcast to every widget; drawing the whole tree, one quad per widget, with
// the device headless; and drawing settings windows of the toolkit's widgets
// with their skins and texts through Video. Run with SDL_VIDEODRIVER=offscreen
// (set here when unset).
#include "BenchSupport.h"

#include "gui/Button.h"
#include "gui/CheckBox.h"
#include "gui/EditBox.h"
#include "gui/GuiDraw.h"
#include "gui/GuiWindow.h"
#include "gui/ListBox.h"
#include "gui/Widget.h"
#include "support/DeviceWindow.h"
#include "video/RenderPresets.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace
{
class BoxWidget : public Widget
{
public:
    BoxWidget(int left, int top, int w, int h, uint32_t color)
    {
        x = left;
        y = top;
        width = w;
        height = h;
        quad.SetColor(color);
    }
    void Draw(IDirect3DDevice9* device, int sx, int sy) override
    {
        quad.Draw(device, nullptr, sx, sy, sx + width, sy + height);
    }
    ScreenQuad quad;
};

// A root over the screen with windows 100 by 80 in a grid, each holding ten
// 8 by 8 children in a row: windows * 11 + 1 widgets in all.
struct Tree
{
    explicit Tree(int windows)
    {
        root = new BoxWidget(0, 0, 800, 600, 0xFF202020);
        for (int i = 0; i < windows; ++i)
        {
            BoxWidget* window =
                new BoxWidget((i * 37) % 700, (i * 23) % 520, 100, 80, 0xFF000000u | i * 0x10305u);
            root->AddChild(window);
            for (int j = 0; j < 10; ++j)
                window->AddChild(new BoxWidget(4 + j * 9, 30, 8, 8, 0xFFFFFFFF));
        }
    }
    // Parent and child hold each other: cut the links so that all of it goes.
    ~Tree() { root->UnlinkTree(); }

    // One frame: clear, the 2D state, the whole tree, present.
    void DrawFrame(IDirect3DDevice9* device)
    {
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x00222244, 1.0f, 0);
        device->BeginScene();
        ApplyRenderPreset(device, RenderPreset::Screen);
        root->DrawTree(device, 0, 0);
        device->EndScene();
        device->Present(nullptr, nullptr, nullptr, nullptr);
    }

    SmartPtr<Widget> root;
};

void BM_ClickEventPassAndMove(benchmark::State& state)
{
    Tree tree(static_cast<int>(state.range(0)));
    int step = 0;
    for (auto _ : state)
    {
        // A click on a child of some window, then the pass that raises both.
        int px = 10 + (step * 53) % 700;
        int py = 40 + (step * 31) % 500;
        tree.root->LeftDownTree(px, py);
        tree.root->ProcessEventsTree();
        tree.root->MouseMoveTree(px + 1, py + 1);
        ++step;
    }
    state.counters["widgets"] = static_cast<double>(state.range(0) * 11 + 1);
    RefObject::CollectGarbage();
}
BENCHMARK(BM_ClickEventPassAndMove)->Arg(10)->Arg(100);

void BM_DrawTreeFrame(benchmark::State& state)
{
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    static DeviceWindow* window = new DeviceWindow(816, 639, 800, 600);
    IDirect3DDevice9* device = window->device;
    if (!device)
    {
        state.SkipWithError("no device");
        return;
    }
    Tree tree(static_cast<int>(state.range(0)));
    for (auto _ : state)
        tree.DrawFrame(device);
    state.counters["widgets"] = static_cast<double>(state.range(0) * 11 + 1);
    RefObject::CollectGarbage();
}
BENCHMARK(BM_DrawTreeFrame)->Arg(10)->Arg(100);

// A 64 by 64 texture of one opaque colour.
Texture* PlainTexture(int size)
{
    Texture* texture = new Texture(size, size, 32, 8);
    if (uint32_t* texels = static_cast<uint32_t*>(texture->Lock()))
    {
        std::fill(texels, texels + size * size, 0xFF8090A0u);
        texture->Unlock();
    }
    return texture;
}

// Settings windows, each with a title, an edit box, a check box, a button and
// a list box of eight rows with its scroll bar: 42 quads and about 140 glyphs
// a window.
void BM_DrawToolkitWindowsFrame(benchmark::State& state)
{
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    IDirect3DDevice9* device = StartVideo();
    Video& video = Video::Instance();
    if (!device)
    {
        state.SkipWithError("no video device");
        return;
    }
    SmartPtr<Texture> skin = PlainTexture(64);
    video.SetFontTexture(PlainTexture(128));
    Tree tree(0);
    std::vector<SmartPtr<ListItem>> items;
    for (int i = 0; i < state.range(0); ++i)
    {
        GuiWindow* window =
            new GuiWindow((i * 37) % 500, (i * 23) % 400, 300, 200, "Settings", skin.Get(), false);
        tree.root->AddChild(window);
        window->AddChild(new EditBox(16, 40, 120, "Player name", skin.Get()));
        window->AddChild(new CheckBox(16, 70, "Sound", skin.Get()));
        window->AddChild(new Button(16, 160, 80, "Apply", skin.Get()));
        ListBox* list = new ListBox(150, 40, 130, 100, skin.Get());
        list->scrollBar->texture = skin;
        window->AddChild(list);
        for (int row = 0; row < 8; ++row)
        {
            items.push_back(new ListItem("Level"));
            list->AddItem(items.back().Get());
        }
    }
    for (auto _ : state)
        tree.DrawFrame(device);
    state.counters["windows"] = static_cast<double>(state.range(0));
    video.SetFontTexture(nullptr);
    RefObject::CollectGarbage();
}
BENCHMARK(BM_DrawToolkitWindowsFrame)->Arg(1)->Arg(10);
} // namespace
