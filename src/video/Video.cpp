#include "video/Video.h"

#include "core/Log.h"
#include "core/Shell.h"
#include "gui/GuiManager.h"
#include "math/D3DXMath.h"
#include "math/FloatBits.h"
#include "math/Vector3.h"
#include "physics/Physics.h"
#include "scene/Camera.h"
#include "scene/Light.h"
#include "scene/SceneGraph.h"
#include "video/DeviceMath.h"
#include "video/RenderPresets.h"

#include <cstring>

namespace
{
// Start-up setting: windowed at the main window's client size.
const bool kFullscreen = false;
// Start-up setting: the physics geoms are outlined after the HUD.
const bool kDrawPhysicsDebug = true;
} // namespace

Video& Video::Instance()
{
    static Video instance;
    return instance;
}

Video::~Video() = default;

void Video::Initialize()
{
    fullscreen = kFullscreen;
    width = 1024;
    height = 768;
    colorBits = 32;
    depthBits = 32;

    LogScope scope("Initializing Video Subsystem");
    Log* log = Log::Instance();

    Log::Printf(log, "Direct3DCreate9()...");
    direct3d = Direct3DCreate9(D3D_SDK_VERSION);
    if (!direct3d)
    {
        Log::Printf(log, "FAILED\n");
        return;
    }
    Log::Printf(log, "OK\n");

    UINT adapters = direct3d->GetAdapterCount();
    Log::Printf(log, "\n");
    Log::Printf(log, "Adapters found in the system\n");
    for (UINT i = 0; i < adapters; ++i)
    {
        D3DADAPTER_IDENTIFIER9 identifier;
        memset(&identifier, 0, sizeof(identifier));
        direct3d->GetAdapterIdentifier(i, 0, &identifier);
        Log::Printf(log, "%s\n", identifier.Description);
    }
    Log::Printf(log, "\n");

    Log::Printf(log, "IDirect3D9::GetDeviceCaps()...");
    D3DCAPS9 caps;
    if (FAILED(direct3d->GetDeviceCaps(0, D3DDEVTYPE_HAL, &caps)))
        Log::Printf(log, "FAILED\n");
    else
        Log::Printf(log, "OK\n");

    D3DFORMAT backBufferFormat;
    if (fullscreen)
        backBufferFormat = colorBits == 16 ? D3DFMT_R5G6B5 : D3DFMT_X8R8G8B8;
    else
    {
        RECT client = {0, 0, 0, 0};
        GetClientRect(g_mainWindow, &client);
        width = client.right;
        height = client.bottom;
        D3DDISPLAYMODE mode;
        memset(&mode, 0, sizeof(mode));
        direct3d->GetAdapterDisplayMode(0, &mode);
        backBufferFormat = mode.Format;
    }

    D3DFORMAT depthFormat = depthBits == 16 ? D3DFMT_D16 : D3DFMT_D24S8;
    if (FAILED(direct3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, backBufferFormat,
                                           D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, depthFormat)))
        depthFormat = D3DFMT_D16;

    D3DPRESENT_PARAMETERS parameters;
    memset(&parameters, 0, sizeof(parameters));
    parameters.BackBufferWidth = static_cast<UINT>(width);
    parameters.BackBufferHeight = static_cast<UINT>(height);
    parameters.BackBufferFormat = backBufferFormat;
    parameters.BackBufferCount = 1;
    parameters.MultiSampleType = D3DMULTISAMPLE_NONE;
    parameters.SwapEffect = D3DSWAPEFFECT_FLIP;
    parameters.hDeviceWindow = nullptr;
    parameters.Windowed = fullscreen ? FALSE : TRUE;
    parameters.EnableAutoDepthStencil = TRUE;
    parameters.AutoDepthStencilFormat = depthFormat;
    parameters.Flags = 0;
    parameters.FullScreen_RefreshRateInHz = 0;
    parameters.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;

    Log::Printf(log, "IDirect3D9::CreateDevice()...");
    if (FAILED(direct3d->CreateDevice(0, D3DDEVTYPE_HAL, g_mainWindow,
                                      D3DCREATE_HARDWARE_VERTEXPROCESSING, &parameters, &device)))
    {
        device = nullptr;
        Log::Printf(log, "FAILED\n");
        return;
    }
    Log::Printf(log, "OK\n");

    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    for (DWORD sampler = 0; sampler < 4; ++sampler)
    {
        device->SetSamplerState(sampler, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
        device->SetSamplerState(sampler, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
        device->SetSamplerState(sampler, D3DSAMP_MIPFILTER, D3DTEXF_POINT);
    }
    device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATER);
    device->SetRenderState(D3DRS_ALPHAREF, 2);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    device->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
    device->SetRenderState(D3DRS_FOGENABLE, FALSE);
    device->SetRenderState(D3DRS_FOGSTART, FloatBits(80.0f));
    device->SetRenderState(D3DRS_FOGEND, FloatBits(300.0f));
    device->SetRenderState(D3DRS_FOGCOLOR, 0xFF000000);
    device->SetRenderState(D3DRS_FOGVERTEXMODE, D3DFOG_LINEAR);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);

    // The aspect stays 4:3 whatever the window's shape.
    Matrix projection;
    D3DXMatrixPerspectiveFovLH(&projection, 1.6f, 4.0f / 3.0f, 0.001f, 1000.0f);
    device->SetTransform(D3DTS_PROJECTION, AsD3DMatrix(projection));
    Matrix view;
    Vector3 eye(0.0f, 0.0f, 0.0f);
    Vector3 at(0.0f, 0.0f, 1.0f);
    Vector3 up(0.0f, 1.0f, 0.0f);
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    device->SetTransform(D3DTS_VIEW, AsD3DMatrix(view));

    Log::Printf(log, "Video::Initialize succeded.\n");
}

void Video::Shutdown()
{
    LogScope scope("Shutting down Video subsystem");
    if (device)
    {
        device->Release();
        device = nullptr;
    }
    if (direct3d)
    {
        direct3d->Release();
        direct3d = nullptr;
    }
}

void Video::Render()
{
    // A device that failed to start draws nothing; the frames still run.
    if (!device)
        return;
    D3DVIEWPORT9 viewport = {0,    0,   static_cast<DWORD>(width), static_cast<DWORD>(height),
                             0.0f, 1.0f};
    device->SetViewport(&viewport);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x00222244, 1.0f, 0);
    device->BeginScene();
    SetupLights();
    RenderScene();
    DrawOverlay();
    RenderGui();
    DrawHud();
    if (kDrawPhysicsDebug)
        Physics::Instance()->DebugDraw(device);
    device->EndScene();
    device->Present(nullptr, nullptr, nullptr, nullptr);
}

void Video::RenderGui()
{
    ApplyRenderPreset(device, RenderPreset::Screen);
    GuiManager::Instance().Draw(device);
}

void Video::SetupLights()
{
    deviceLights.BeginFrame();
    for (const SmartPtr<Light>& light : lights)
    {
        if (!light->enabled)
            continue;
        D3DLIGHT9 record;
        FillLightRecord(static_cast<int>(light->kind), light->colour, light->range, light->falloff,
                        light->coneAngle, light->worldMatrix, record);
        deviceLights.Add(device, record);
    }
    deviceLights.EndFrame(device);
}

void Video::RenderScene()
{
    if (!camera)
        return;
    camera->UpdateView();
    device->SetTransform(D3DTS_VIEW, AsD3DMatrix(camera->GetViewMatrix()));
    device->SetTransform(D3DTS_PROJECTION, AsD3DMatrix(camera->GetProjectionMatrix()));
    if (MainSceneGraph.GetRoot())
        MainSceneGraph.Render(device);
}

void Video::SetCamera(Camera* newCamera)
{
    camera = newCamera;
}

void Video::AddLight(Light* light)
{
    lights.push_back(SmartPtr<Light>(light));
}

void Video::AddLightFront(Light* light)
{
    lights.push_front(SmartPtr<Light>(light));
}

void Video::SetFontTexture(Texture* texture)
{
    fontTexture = texture;
}

void Video::SetOverlay(Overlay* newOverlay)
{
    overlay = newOverlay;
}

void Video::AddChatLine(const std::string& line)
{
    if (chatLines.size() > 10)
        chatLines.pop_front();
    chatLines.push_back(line);
}
