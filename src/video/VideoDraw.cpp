// Video's text, HUD and debug drawing.
#include "core/Timer.h"
#include "game/Mod.h"
#include "game/Player.h"
#include "math/D3DXMath.h"
#include "math/Vector3.h"
#include "video/DeviceMath.h"
#include "video/RenderPresets.h"
#include "video/ScreenVertex.h"
#include "video/Video.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

namespace
{
const int kCell = 8;

// The RGB a colour code letter selects, or -1 for a letter that is no code.
int64_t CodeColor(char letter)
{
    switch (letter)
    {
    case 'B':
        return 0x0000FF;
    case 'G':
        return 0x00FF00;
    case 'O':
        return 0xFF8800;
    case 'P':
        return 0xFF00FF;
    case 'R':
        return 0xFF0000;
    case 'S':
        return 0xCCCCCC;
    case 'W':
        return 0xFFFFFF;
    case 'Y':
        return 0xFFFF00;
    default:
        return -1;
    }
}
} // namespace

void Video::DrawText(const char* text, int x, int y, uint32_t color)
{
    if (!device || !fontTexture || !text)
        return;
    device->SetTexture(0, fontTexture->texture);

    ScreenVertex quad[4];
    for (ScreenVertex& corner : quad)
    {
        corner.z = 0.0f;
        corner.rhw = 1.0f;
        corner.diffuse = color;
    }
    float left = static_cast<float>(x);
    float top = static_cast<float>(y);
    quad[0].x = left;
    quad[0].y = top;
    quad[1].x = left + kCell;
    quad[1].y = top;
    quad[2].x = left + kCell;
    quad[2].y = top + kCell;
    quad[3].x = left;
    quad[3].y = top + kCell;

    for (const char* p = text; *p; ++p)
    {
        unsigned char c = static_cast<unsigned char>(*p);
        if (c == '\n')
        {
            quad[0].x = quad[3].x = left;
            quad[1].x = quad[2].x = left + kCell;
            for (ScreenVertex& corner : quad)
                corner.y += kCell;
            continue;
        }
        if (c == '#')
        {
            int64_t rgb = CodeColor(p[1]);
            if (rgb >= 0)
            {
                uint32_t coded = (color & 0xFF000000u) | static_cast<uint32_t>(rgb);
                for (ScreenVertex& corner : quad)
                    corner.diffuse = coded;
                ++p;
                continue;
            }
        }
        float u0 = static_cast<float>(c % 16) / 16.0f;
        float v0 = static_cast<float>(c / 16) / 16.0f;
        float u1 = u0 + 0.0625f;
        float v1 = v0 + 0.0625f;
        quad[0].u = u0;
        quad[0].v = v0;
        quad[1].u = u1;
        quad[1].v = v0;
        quad[2].u = u1;
        quad[2].v = v1;
        quad[3].u = u0;
        quad[3].v = v1;
        device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, quad, sizeof(ScreenVertex));
        for (ScreenVertex& corner : quad)
            corner.x += kCell;
    }
}

int Video::HudFrameRate() const
{
    return Timer::Instance()->GetFPS();
}

int Video::HudPing() const
{
    return Mod::Instance()->GetPing();
}

void Video::DrawHud()
{
    if (!device)
        return;
    ApplyRenderPreset(device, RenderPreset::Screen);

    char lines[128];
    snprintf(lines, sizeof(lines), "Speed: %d fps\nPing:  %d msec\n\n", HudFrameRate(), HudPing());
    std::string hud = lines;
    const Mod* mod = Mod::Instance();
    if (const Player* player = mod->GetPlayer())
    {
        hud += "==[Player Stats]==\nName:   " + player->name +
               "\nHealth: " + std::to_string(player->health) +
               "\nArmor:  " + std::to_string(player->armor) + "\n";
    }
    DrawText(hud.c_str(), 8, 8, 0xFFFFFFFF);

    if (mod->chatFlag)
    {
        // Bounded by the field, should a writer leave it without its NUL.
        const size_t typed = strnlen(mod->chatText, sizeof(mod->chatText));
        const std::string say = "#YSay: #W" + std::string(mod->chatText, typed);
        DrawText(say.c_str(), 8, 400, 0xFFFFFFFF);
    }

    int y = 0;
    for (const std::string& line : chatLines)
    {
        DrawText(line.c_str(), 300, y, 0xFFFFFFFF);
        y += kCell;
    }
    DrawText(message.c_str(), 200, 0, messageColor);
}

void Video::DrawOverlay()
{
    if (!device)
        return;
    if (overlay)
        overlay->Draw(device);
    // The message is screen text like the HUD's, whatever the overlay or the
    // scene left set.
    ApplyRenderPreset(device, RenderPreset::Screen);
    DrawText(message.c_str(), 0, height / 2, messageColor);
}

void Video::DrawBox(const Vector3& min, const Vector3& max, uint32_t color)
{
    if (!device)
        return;
    ApplyRenderPreset(device, RenderPreset::DebugLines);

    const LineVertex vertices[8] = {
        {min.x, max.y, min.z, color}, {min.x, max.y, max.z, color}, {max.x, max.y, max.z, color},
        {max.x, max.y, min.z, color}, {min.x, min.y, min.z, color}, {min.x, min.y, max.z, color},
        {max.x, min.y, max.z, color}, {max.x, min.y, min.z, color},
    };
    const uint16_t indices[24] = {0, 1, 1, 2, 2, 3, 3, 0, 4, 5, 5, 6,
                                  6, 7, 7, 4, 0, 4, 1, 5, 2, 6, 3, 7};
    device->DrawIndexedPrimitiveUP(D3DPT_LINELIST, 0, 8, 12, indices, D3DFMT_INDEX16, vertices,
                                   sizeof(LineVertex));
}

void Video::DrawTestCube()
{
    if (!device)
        return;
    const float rates[3] = {1.03f, -1.58f, 1.034f};
    float frameTime = Timer::Instance()->GetFrameTime();
    for (int axis = 0; axis < 3; ++axis)
        testCubeAngles[axis] += frameTime * rates[axis];
    for (int i = 0; i < 4; ++i)
    {
        float ax = testCubeAngles[0] + static_cast<float>(i) * rates[0] * 0.03f;
        float ay = testCubeAngles[1] + static_cast<float>(i) * rates[1] * 0.03f;
        float az = testCubeAngles[2] + static_cast<float>(i) * rates[2] * 0.03f;
        Matrix rotationX, rotationY, rotationZ, translation;
        D3DXMatrixRotationX(&rotationX, ax);
        D3DXMatrixRotationY(&rotationY, ay);
        D3DXMatrixRotationZ(&rotationZ, az);
        D3DXMatrixTranslation(&translation, 4.0f * std::sin(ax), 5.0f * std::cos(ay),
                              -2.3f * std::sin(az));
        Matrix world = rotationX * rotationY * rotationZ * translation;
        device->SetTransform(D3DTS_WORLD, AsD3DMatrix(world));
        uint32_t alpha = static_cast<uint32_t>(((4 - i) * 64) % 256);
        DrawBox(Vector3(-1.0f, -1.0f, -1.0f), Vector3(1.0f, 1.0f, 1.0f),
                (alpha << 24) | 0x00FFFFFFu);
    }
}
