#include "gui/GuiImage.h"

#include "math/Color3.h"
#include "video/Video.h"

GuiImage::GuiImage()
{
    x = 0;
    y = 0;
    width = 10000;
    height = 10000;
}

GuiImage::~GuiImage() = default;

void GuiImage::Draw(IDirect3DDevice9* device, int, int)
{
    const Video& video = Video::Instance();
    quad.SetColor(Color3::AlphaByte(alpha) << 24 | 0x00FFFFFFu);
    quad.Draw(device, texture.Get(), 0, 0, video.width, video.height);
}
