#include "gui/GuiImage.h"

#include "math/Color3.h"
#include "video/Video.h"

namespace
{
// Far beyond any screen; it matters only when a click is hit-tested.
const int kExtent = 10000;
} // namespace

GuiImage::GuiImage() : Widget(0, 0, kExtent, kExtent) {}

GuiImage::~GuiImage() = default;

void GuiImage::Draw(IDirect3DDevice9* device, int, int)
{
    const Video& video = Video::Instance();
    quad.SetColor(Color3::AlphaByte(alpha) << 24 | 0x00FFFFFFu);
    quad.Draw(device, texture.Get(), 0, 0, video.width, video.height);
}
