#include "gui/GuiImage.h"

#include "video/Video.h"

namespace
{
// The vertex alpha byte of an opacity: alpha times 255, clamped while still a
// float (converting an out-of-range float to int is undefined), then
// truncated; NaN gives 0.
uint32_t AlphaByte(float alpha)
{
    float scaled = alpha * 255.0f;
    if (!(scaled > 0.0f))
        return 0;
    if (scaled >= 255.0f)
        return 255;
    return static_cast<uint32_t>(scaled);
}
} // namespace

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
    quad.SetColor(AlphaByte(alpha) << 24 | 0x00FFFFFFu);
    quad.Draw(device, texture.Get(), 0, 0, video.width, video.height);
}
