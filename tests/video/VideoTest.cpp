// The video subsystem's start-up, frame, text, HUD, boxes and lights, checked
// on its log and on the pixels of the real device.
#include "core/Kernel.h"
#include "core/Timer.h"
#include "game/Mod.h"
#include "game/Player.h"
#include "math/D3DXMath.h"
#include "math/FloatBits.h"
#include "math/Vector3.h"
#include "support/VideoFixture.h"
#include "video/DeviceLights.h"
#include "video/DeviceMath.h"
#include "video/RenderPresets.h"
#include "video/ScreenVertex.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace
{
class VideoTest : public VideoFixture
{
protected:
    // Clears and sets what a 2D pass sets before it draws text.
    void Begin2D()
    {
        IDirect3DDevice9* device = Video::Instance().device;
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x00222244, 1.0f, 0);
        device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
        device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
        device->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_NONE);
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
        device->SetFVF(kScreenVertexFvf);
    }

    // The cell at (x, y) is filled with the colour, its left and top
    // neighbours are not.
    ::testing::AssertionResult Cell(const TestFrame& frame, int x, int y, uint32_t color)
    {
        for (int dy = 0; dy < 8; dy += 7)
            for (int dx = 0; dx < 8; dx += 7)
                if (!ColorNear(frame.At(x + dx, y + dy), color))
                    return ColorNear(frame.At(x + dx, y + dy), color)
                           << " at " << x + dx << "," << y + dy;
        return ::testing::AssertionSuccess();
    }

    uint32_t Modulate(uint32_t a, uint32_t b)
    {
        uint32_t out = 0xFF000000;
        for (int shift = 0; shift < 24; shift += 8)
        {
            uint32_t product = ((a >> shift) & 0xFF) * ((b >> shift) & 0xFF);
            out |= ((product + 127) / 255) << shift;
        }
        return out;
    }

    // States a preset has to override: blending that keeps the target, a dark
    // texture on stages 0 and 1, bilinear sampling, a glowing material and the
    // depth state given; the other way round from the depth state, lighting
    // (black on vertices without normals) and stage 1 modulating, and a vertex
    // format another drawer uses.
    static void Spoil(IDirect3DDevice9* device, Texture* dark, BOOL depth)
    {
        device->SetRenderState(D3DRS_LIGHTING, !depth);
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ZERO);
        device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
        device->SetRenderState(D3DRS_ZENABLE, depth);
        device->SetRenderState(D3DRS_ZWRITEENABLE, depth);
        for (DWORD stage = 0; stage < 2; ++stage)
        {
            device->SetTexture(stage, dark->texture);
            device->SetTextureStageState(stage, D3DTSS_COLOROP,
                                         (stage == 0 || depth) ? D3DTOP_MODULATE : D3DTOP_DISABLE);
            device->SetSamplerState(stage, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
            device->SetSamplerState(stage, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
        }
        D3DMATERIAL9 glowing = {};
        glowing.Emissive = {0.0f, 0.0f, 1.0f, 1.0f};
        device->SetMaterial(&glowing);
        device->SetFVF(depth ? kModelVertexFvf : kTerrainVertexFvf);
    }

    // A square in the plane z, from x0 to x1 and -20 to 20 in y, as two
    // clockwise triangles in the vertex format given: facing -z where it has
    // normals, in the colour given where it has a diffuse colour, and every
    // texture coordinate set at the texture's centre.
    static void DrawSquare(IDirect3DDevice9* device, float z, float x0, float x1, uint32_t color,
                           DWORD fvf)
    {
        const float corners[6][2] = {{x0, 20}, {x1, 20}, {x1, -20}, {x0, 20}, {x1, -20}, {x0, -20}};
        const DWORD textureSets = (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
        std::vector<uint32_t> words;
        for (const auto& corner : corners)
        {
            for (float coordinate : {corner[0], corner[1], z})
                words.push_back(FloatBits(coordinate));
            if (fvf & D3DFVF_NORMAL)
                for (float coordinate : {0.0f, 0.0f, -1.0f})
                    words.push_back(FloatBits(coordinate));
            if (fvf & D3DFVF_DIFFUSE)
                words.push_back(color);
            for (DWORD set = 0; set < 2 * textureSets; ++set)
                words.push_back(FloatBits(0.5f));
        }
        device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, words.data(),
                                static_cast<UINT>(words.size() / 6 * sizeof(uint32_t)));
    }
};
} // namespace

TEST_F(VideoTest, StartUpLogsEachCallAndSizesTheBackBufferToTheClientArea)
{
    std::vector<std::string> lines = log->Lines();
    std::vector<std::string> expected = {"Initializing Video Subsystem",
                                         "{",
                                         " Direct3DCreate9()... OK",
                                         " ",
                                         " Adapters found in the system",
                                         " OpenGL fixed-function device",
                                         " ",
                                         " IDirect3D9::GetDeviceCaps()... OK",
                                         " IDirect3D9::CreateDevice()... OK",
                                         " Video::Initialize succeded.",
                                         "}"};
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(Video::Instance().width, 784);
    EXPECT_EQ(Video::Instance().height, 561);

    log->Clear();
    Video::Instance().Shutdown();
    EXPECT_EQ(log->Lines(), (std::vector<std::string>{"Shutting down Video subsystem", "{", "}"}));
    EXPECT_FALSE(Video::Instance().device);
    // Without a device a frame draws nothing and does not fail.
    Video::Instance().Render();
}

TEST_F(VideoTest, FrameWithoutCameraClearsAndDrawsTheHudAndChatLines)
{
    UseFont();
    for (int i = 0; i < 12; ++i)
        Video::Instance().AddChatLine(std::string(1, static_cast<char>('A' + i)));
    ASSERT_EQ(Video::Instance().chatLines.size(), 11u);
    EXPECT_EQ(Video::Instance().chatLines.front(), "B");

    Video::Instance().Render();
    TestFrame frame = Read();
    EXPECT_TRUE(ColorNear(frame.At(400, 300), kClearColour));
    // "Speed: <frame rate> fps" from (8, 8), "Ping:  0 msec" one line lower.
    std::string rate = std::to_string(Timer::Instance()->GetFPS());
    EXPECT_TRUE(Cell(frame, 8, 8, GlyphColor('S')));
    EXPECT_TRUE(Cell(frame, 16, 8, GlyphColor('p')));
    EXPECT_TRUE(Cell(frame, 64, 8, GlyphColor(rate[0])));
    EXPECT_TRUE(Cell(frame, 64 + 8 * static_cast<int>(rate.size()) + 8, 8, GlyphColor('f')));
    EXPECT_TRUE(ColorNear(frame.At(60, 12), kClearColour)); // the blank
    EXPECT_TRUE(Cell(frame, 8, 16, GlyphColor('P')));
    EXPECT_TRUE(Cell(frame, 64, 16, GlyphColor('0')));
    // Chat lines from the oldest at (300, 0), eight pixels apart.
    EXPECT_TRUE(Cell(frame, 300, 0, GlyphColor('B')));
    EXPECT_TRUE(Cell(frame, 300, 80, GlyphColor('L')));
}

TEST_F(VideoTest, HudShowsThePlayerBlockOnlyWhileTheGameHasALocalPlayer)
{
    UseFont();
    Video::Instance().Render();
    TestFrame frame = Read();
    EXPECT_TRUE(Cell(frame, 8, 16, GlyphColor('P')));
    EXPECT_TRUE(ColorNear(frame.At(12, 36), kClearColour));

    SmartPtr<Player> player = new Player();
    player->name = "Ann";
    player->health = 75;
    player->armor = 5;
    Mod::Instance()->localPlayer = player;
    Video::Instance().Render();
    frame = Read();
    Mod::Instance()->localPlayer = nullptr;
    // After a blank line: the title, then name, health and armour from x 72.
    EXPECT_TRUE(Cell(frame, 8, 32, GlyphColor('=')));
    EXPECT_TRUE(Cell(frame, 72, 40, GlyphColor('A')));
    EXPECT_TRUE(Cell(frame, 72, 48, GlyphColor('7')));
    EXPECT_TRUE(Cell(frame, 80, 48, GlyphColor('5')));
    EXPECT_TRUE(Cell(frame, 72, 56, GlyphColor('5')));
    EXPECT_TRUE(ColorNear(frame.At(84, 60), kClearColour));
}

TEST_F(VideoTest, HudShowsTheGamesPingAndItsChatLineWhileTheChatFlagIsSet)
{
    UseFont();
    Mod* mod = Mod::Instance();
    mod->ping = 4096;
    Video::Instance().Render();
    TestFrame closed = Read();
    mod->chatFlag = 1;
    std::strcpy(mod->chatText, "go");
    Video::Instance().Render();
    TestFrame open = Read();
    mod->ping = 0;
    mod->chatFlag = 0;
    mod->chatText[0] = 0;

    // "Ping:  4096 msec", the digits from x 64.
    const std::string digits = "4096";
    for (size_t i = 0; i < digits.size(); ++i)
        EXPECT_TRUE(Cell(closed, 64 + 8 * static_cast<int>(i), 16, GlyphColor(digits[i])));
    EXPECT_TRUE(Cell(closed, 104, 16, GlyphColor('m')));
    EXPECT_TRUE(ColorNear(closed.At(12, 404), kClearColour)) << "no chat line while it is closed";
    // "Say:" in yellow at (8, 400), a blank, then the typed text in white.
    EXPECT_TRUE(Cell(open, 8, 400, Modulate(GlyphColor('S'), 0xFFFFFF00)));
    EXPECT_TRUE(Cell(open, 32, 400, Modulate(GlyphColor(':'), 0xFFFFFF00)));
    EXPECT_TRUE(ColorNear(open.At(44, 404), kClearColour));
    EXPECT_TRUE(Cell(open, 48, 400, GlyphColor('g')));
    EXPECT_TRUE(Cell(open, 56, 400, GlyphColor('o')));
    EXPECT_TRUE(ColorNear(open.At(68, 404), kClearColour));
}

TEST_F(VideoTest, TextLandsInItsCellsWithLineFeedsAndColourCodes)
{
    UseFont();
    Video& video = Video::Instance();
    Begin2D();
    video.DrawText("ab\ncd", 10, 20, 0xFFFFFFFF);
    video.DrawText("#Rabc#Wde", 100, 20, 0xFFFFFFFF);
    video.DrawText("#xa#", 100, 40, 0xFFFFFFFF);
    video.DrawText("\xE9", 200, 20, 0xFFFFFFFF);
    video.DrawText("#Gab\nc", 200, 40, 0xFFFFFFFF);
    video.DrawText("#Rab", 300, 20, 0x80FFFFFF);
    TestFrame frame = Read();

    EXPECT_TRUE(Cell(frame, 10, 20, GlyphColor('a')));
    EXPECT_TRUE(Cell(frame, 18, 20, GlyphColor('b')));
    EXPECT_TRUE(Cell(frame, 10, 28, GlyphColor('c')));
    EXPECT_TRUE(Cell(frame, 18, 28, GlyphColor('d')));
    EXPECT_TRUE(ColorNear(frame.At(9, 20), kClearColour));
    EXPECT_TRUE(ColorNear(frame.At(26, 20), kClearColour));

    // The code letters take no cell: red glyphs from 100, white from 124.
    EXPECT_TRUE(Cell(frame, 100, 20, Modulate(GlyphColor('a'), 0xFFFF0000)));
    EXPECT_TRUE(Cell(frame, 116, 20, Modulate(GlyphColor('c'), 0xFFFF0000)));
    EXPECT_TRUE(Cell(frame, 124, 20, GlyphColor('d')));
    EXPECT_TRUE(Cell(frame, 132, 20, GlyphColor('e')));
    // "#x" is no code: both drawn; a last "#" is drawn.
    EXPECT_TRUE(Cell(frame, 100, 40, GlyphColor('#')));
    EXPECT_TRUE(Cell(frame, 108, 40, GlyphColor('x')));
    EXPECT_TRUE(Cell(frame, 124, 40, GlyphColor('#')));
    // Byte 0xE9: column 9 of row 14.
    EXPECT_TRUE(Cell(frame, 200, 20, GlyphColor(0xE9)));
    // A code holds across line feeds.
    EXPECT_TRUE(Cell(frame, 200, 48, Modulate(GlyphColor('c'), 0xFF00FF00)));
    // The caller's alpha stays with the code's colour: half red over the background.
    EXPECT_TRUE(Cell(frame, 300, 20, 0xFF911122));
}

TEST_F(VideoTest, TextWithoutFontDrawsNothing)
{
    Begin2D();
    Video::Instance().DrawText("abc", 10, 10, 0xFFFFFFFF);
    EXPECT_TRUE(ColorNear(Read().At(14, 14), kClearColour));
}

TEST_F(VideoTest, WireBoxDrawsItsTwelveEdgesInTheWorldTransform)
{
    IDirect3DDevice9* device = Video::Instance().device;
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x00222244, 1.0f, 0);
    // The start-up projection (1.6 rad, 4:3) and an identity view; the box is
    // moved 10 along z by the world transform.
    Matrix world;
    D3DXMatrixTranslation(&world, 0.0f, 0.0f, 10.0f);
    device->SetTransform(D3DTS_WORLD, AsD3DMatrix(world));
    Video::Instance().DrawBox(Vector3(-2, -2, -2), Vector3(2, 2, 2), 0xFFFF0000);
    Video::Instance().DrawBox(Vector3(1, 1, 1), Vector3(1, 1, 1), 0xFF00FF00);
    TestFrame frame = Read();

    float ys = 1.0f / std::tan(0.8f);
    float xs = ys / (4.0f / 3.0f);
    auto screenX = [&](float x, float z)
    { return static_cast<int>((x * xs / z + 1.0f) * 0.5f * frame.width); };
    auto screenY = [&](float y, float z)
    { return static_cast<int>((1.0f - y * ys / z) * 0.5f * frame.height); };
    auto redNear = [&](int x, int y)
    {
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (ColorNear(frame.At(x + dx, y + dy), 0xFFFF0000))
                    return true;
        return false;
    };
    // Front face edges (z 8), back face edges (z 12) and a side edge.
    EXPECT_TRUE(redNear(screenX(0, 8), screenY(2, 8)));
    EXPECT_TRUE(redNear(screenX(-2, 8), screenY(0, 8)));
    EXPECT_TRUE(redNear(screenX(0, 12), screenY(-2, 12)));
    EXPECT_TRUE(redNear(screenX(2, 12), screenY(0, 12)));
    EXPECT_TRUE(redNear(screenX(2, 10), screenY(2, 10)));
    // Lines only: the middle stays clear.
    EXPECT_TRUE(ColorNear(frame.At(frame.width / 2, frame.height / 2), kClearColour));
    device->SetTransform(D3DTS_WORLD, AsD3DMatrix(Matrix()));
}

TEST_F(VideoTest, LightRecordsFollowTheLightKindAndWorldMatrix)
{
    Matrix rotation, translation;
    D3DXMatrixRotationY(&rotation, 1.5707964f);
    D3DXMatrixTranslation(&translation, 1.0f, 2.0f, 3.0f);
    Matrix world = rotation * translation;
    D3DLIGHT9 record;
    FillLightRecord(kLightSpot, Color3(0.5f, 0.25f, 1.0f), 40.0f, 2.0f, 0.7f, world, record);
    EXPECT_EQ(record.Type, D3DLIGHT_SPOT);
    EXPECT_FLOAT_EQ(record.Diffuse.g, 0.25f);
    EXPECT_FLOAT_EQ(record.Diffuse.a, 1.0f);
    EXPECT_FLOAT_EQ(record.Position.z, 3.0f);
    EXPECT_NEAR(record.Direction.x, 1.0f, 1e-5f);
    EXPECT_NEAR(record.Direction.z, 0.0f, 1e-5f);
    EXPECT_FLOAT_EQ(record.Range, 40.0f);
    EXPECT_FLOAT_EQ(record.Falloff, 2.0f);
    EXPECT_FLOAT_EQ(record.Phi, 0.7f);
    EXPECT_FLOAT_EQ(record.Theta, 0.0f);
    EXPECT_FLOAT_EQ(record.Attenuation2, 0.01f);

    FillLightRecord(kLightDirectional, Color3(1, 1, 1), 40.0f, 2.0f, 0.7f, world, record);
    EXPECT_EQ(record.Type, D3DLIGHT_DIRECTIONAL);
    EXPECT_FLOAT_EQ(record.Position.x, 0.0f);
    EXPECT_FLOAT_EQ(record.Range, 0.0f);
    EXPECT_NEAR(record.Direction.x, 1.0f, 1e-5f);

    FillLightRecord(kLightPoint, Color3(1, 1, 1), 40.0f, 2.0f, 0.7f, world, record);
    EXPECT_EQ(record.Type, D3DLIGHT_POINT);
    EXPECT_FLOAT_EQ(record.Position.y, 2.0f);
    EXPECT_FLOAT_EQ(record.Direction.x, 0.0f);
    EXPECT_FLOAT_EQ(record.Phi, 0.0f);
}

TEST_F(VideoTest, LightLeftOutOfAFrameStopsLighting)
{
    IDirect3DDevice9* device = Video::Instance().device;
    struct LitVertex
    {
        float x, y, z, nx, ny, nz;
        uint32_t color;
        float u, v;
    };
    const LitVertex square[4] = {{-2, 2, 5, 0, 0, -1, 0xFFFFFFFF, 0, 0},
                                 {2, 2, 5, 0, 0, -1, 0xFFFFFFFF, 1, 0},
                                 {2, -2, 5, 0, 0, -1, 0xFFFFFFFF, 1, 1},
                                 {-2, -2, 5, 0, 0, -1, 0xFFFFFFFF, 0, 1}};
    D3DMATERIAL9 material = {};
    material.Diffuse = {1, 1, 1, 1};
    Matrix identity;
    D3DLIGHT9 red, green;
    FillLightRecord(kLightDirectional, Color3(1, 0, 0), 0, 0, 0, identity, red);
    FillLightRecord(kLightDirectional, Color3(0, 1, 0), 0, 0, 0, identity, green);
    DeviceLights& lights = Video::Instance().deviceLights;

    auto drawFrame = [&](bool withGreen)
    {
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x00222244, 1.0f, 0);
        lights.BeginFrame();
        lights.Add(device, red);
        if (withGreen)
            lights.Add(device, green);
        lights.EndFrame(device);
        device->SetTexture(0, nullptr);
        device->SetMaterial(&material);
        device->SetRenderState(D3DRS_LIGHTING, TRUE);
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
        device->SetFVF(0x152);
        device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, square, sizeof(LitVertex));
        device->SetRenderState(D3DRS_LIGHTING, FALSE);
        TestFrame frame = Read();
        return frame.At(frame.width / 2, frame.height / 2);
    };
    EXPECT_TRUE(ColorNear(drawFrame(true), 0xFFFFFF00));
    EXPECT_EQ(lights.Count(), 2u);
    EXPECT_TRUE(ColorNear(drawFrame(false), 0xFFFF0000));
    EXPECT_TRUE(ColorNear(drawFrame(true), 0xFFFFFF00));
}

TEST_F(VideoTest, TheKernelFramePresentsAndTheKernelShutDownStopsVideoBeforeTheLastDeletions)
{
    IDirect3DDevice9* device = Video::Instance().device;
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00FF0000, 1.0f, 0);
    Kernel::GetInstance()->Update();
    EXPECT_TRUE(ColorNear(Read().At(400, 300), kClearColour));

    log->Clear();
    Kernel::GetInstance()->Shutdown();
    // Other subsystems' blocks may come between; the order of these stands.
    std::vector<std::string> lines = log->Lines();
    auto at = [&](const std::string& line)
    { return std::find(lines.begin(), lines.end(), line) - lines.begin(); };
    ASSERT_LT(at(" deleting remaining memory objects..."), static_cast<long>(lines.size()));
    EXPECT_EQ(at("Shutting Down Kernel"), 0);
    EXPECT_LT(at(" Shutting down Video subsystem"), at(" deleting remaining memory objects..."));
    EXPECT_FALSE(Video::Instance().device);
}

// Each scene preset after states that would spoil its drawing: a square at
// z 10 in half-transparent red, then one at z 15 in half-transparent blue, over
// a green square at z 5 that hides the left half of the screen. Drawers that
// bind textures get white on stage 0 and grey on stage 1; a grey light shines
// straight onto the squares.
TEST_F(VideoTest, ScenePresetsSetEveryStateTheirDrawingReliesOn)
{
    const uint32_t kRed = 0x80FF0000;
    const uint32_t kBlue = 0x800000FF;
    const uint32_t kGreen = 0xFF00FF00;
    const uint32_t kOpaque = 0xFF000000;
    const uint32_t kGrey = 0xFF808080;
    const uint32_t kHalfRed = Modulate(kRed, kGrey);
    struct Case
    {
        RenderPreset preset;
        DWORD fvf;
        // Stages the drawer binds its own textures on.
        DWORD textures;
        uint32_t left;
        uint32_t right;
    } cases[] = {
        // Depth-written: the blue square behind the red one stays hidden.
        {RenderPreset::DebugLines, kLineVertexFvf, 0, kGreen, kRed | kOpaque},
        // No depth test: both squares cover the green one, the last on top.
        {RenderPreset::DebugLinesOnTop, kLineVertexFvf, 0, kBlue | kOpaque, kBlue | kOpaque},
        {RenderPreset::BlendedLines, kLineVertexFvf, 0, kGreen, Blend(kRed, kClearColour)},
        // Depth-tested but not written: the blue square covers the red one.
        {RenderPreset::SceneQuads, kSceneQuadFvf, 1, kGreen, kBlue | kOpaque},
        {RenderPreset::BlendedSceneQuads, kSceneQuadFvf, 1, kGreen,
         Blend(kBlue, Blend(kRed, kClearColour))},
        // Stage 1's grey halves what stage 0 gives.
        {RenderPreset::TerrainQuads, kTerrainVertexFvf, 2, kGreen, kHalfRed},
        // Lit by the grey light alone, without the glow.
        {RenderPreset::ModelTriangles, kModelVertexFvf, 1, kGreen, kHalfRed},
    };
    IDirect3DDevice9* device = Video::Instance().device;
    SmartPtr<Texture> dark = TexelTexture(1, 1, {0xFF101010});
    SmartPtr<Texture> white = TexelTexture(1, 1, {0xFFFFFFFF});
    SmartPtr<Texture> grey = TexelTexture(1, 1, {kGrey});
    const Texture* drawerTextures[2] = {white.Get(), grey.Get()};
    device->SetTransform(D3DTS_WORLD, AsD3DMatrix(Matrix()));
    D3DLIGHT9 light;
    FillLightRecord(kLightDirectional, Color3(0.5f, 0.5f, 0.5f), 0, 0, 0, Matrix(), light);
    DeviceLights& lights = Video::Instance().deviceLights;
    lights.BeginFrame();
    lights.Add(device, light);
    lights.EndFrame(device);
    for (const Case& c : cases)
    {
        for (BOOL depth : {FALSE, TRUE})
        {
            device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x00222244, 1.0f, 0);
            ApplyRenderPreset(device, RenderPreset::DebugLines);
            DrawSquare(device, 5.0f, -20.0f, 0.0f, kGreen, kLineVertexFvf);
            for (uint32_t color : {kRed, kBlue})
            {
                Spoil(device, dark.Get(), depth);
                ApplyRenderPreset(device, c.preset);
                // Textured drawers set their own textures; the line presets unset stage 0's.
                for (DWORD stage = 0; stage < c.textures; ++stage)
                    device->SetTexture(stage, drawerTextures[stage]->texture);
                DrawSquare(device, color == kRed ? 10.0f : 15.0f, -20.0f, 20.0f, color, c.fvf);
            }
            TestFrame frame = Read();
            SCOPED_TRACE(testing::Message()
                         << "preset " << static_cast<int>(c.preset) << " after depth " << depth);
            EXPECT_TRUE(ColorNear(frame.At(frame.width / 4, frame.height / 2), c.left));
            EXPECT_TRUE(ColorNear(frame.At(frame.width * 3 / 4, frame.height / 2), c.right));
        }
    }
    device->SetTexture(0, nullptr);
    device->SetTexture(1, nullptr);
}

// A two-texel texture stretched over 200 pixels in half-transparent white,
// over a depth buffer cleared to 0.5: point sampled, each half is one texel's
// colour blended over the background; bilinear, the texels mix toward their
// edge. Screen quads lie at depth 0; the overlay's lie over any depth, so
// they are drawn here behind what the buffer holds.
TEST_F(VideoTest, ScreenPresetsSampleAsTheirDrawingNeedsAndBlendByTheVertexAlpha)
{
    const struct
    {
        RenderPreset preset;
        float z;
        // The texel colour two pixels either side of the texel edge at 200,
        // before blending.
        uint32_t left;
        uint32_t right;
    } cases[] = {
        {RenderPreset::Screen, 0.0f, 0x80FF0000, 0x8000FF00},
        {RenderPreset::ScreenOverlayUnfiltered, 0.75f, 0x80FF0000, 0x8000FF00},
        // At u 0.4875 and 0.5125: 52.5 and 47.5 percent of the nearer texel.
        {RenderPreset::ScreenOverlay, 0.75f, 0x80867900, 0x80798600},
    };
    IDirect3DDevice9* device = Video::Instance().device;
    SmartPtr<Texture> dark = TexelTexture(1, 1, {0xFF101010});
    SmartPtr<Texture> texels = TexelTexture(2, 1, {0xFFFF0000, 0xFF00FF00});
    for (const auto& c : cases)
    {
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x00222244, 0.5f, 0);
        Spoil(device, dark.Get(), TRUE);
        ApplyRenderPreset(device, c.preset);
        device->SetTexture(0, texels->texture);
        const ScreenVertex quad[4] = {{100, 100, c.z, 1, 0x80FFFFFF, 0, 0},
                                      {300, 100, c.z, 1, 0x80FFFFFF, 1, 0},
                                      {300, 140, c.z, 1, 0x80FFFFFF, 1, 1},
                                      {100, 140, c.z, 1, 0x80FFFFFF, 0, 1}};
        device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, quad, sizeof(ScreenVertex));
        TestFrame frame = Read();
        SCOPED_TRACE(testing::Message() << "preset " << static_cast<int>(c.preset));
        EXPECT_TRUE(ColorNear(frame.At(197, 120), Blend(c.left, kClearColour)));
        EXPECT_TRUE(ColorNear(frame.At(202, 120), Blend(c.right, kClearColour)));
        EXPECT_TRUE(ColorNear(frame.At(99, 120), kClearColour));
    }
    device->SetTexture(0, nullptr);
    device->SetTexture(1, nullptr);
}
