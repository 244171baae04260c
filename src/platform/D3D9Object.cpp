// The Direct3D object: one adapter (the GL driver behind SDL) and device
// creation, which makes the GL context in the window's SDL window.
#include "platform/D3D9Local.h"
#include "platform/SdlWindow.h"

#include <SDL.h>

#include <cstring>

void FillDeviceCaps(D3DCAPS9* caps)
{
    memset(caps, 0, sizeof(*caps));
    caps->DeviceType = D3DDEVTYPE_HAL;
    caps->AdapterOrdinal = 0;
    caps->MaxTextureWidth = kMaxTextureSide;
    caps->MaxTextureHeight = kMaxTextureSide;
    caps->MaxActiveLights = kLightCount;
    caps->MaxTextureBlendStages = kStageCount;
    caps->MaxSimultaneousTextures = kStageCount;
}

namespace
{
const char* const kAdapterDescription = "OpenGL fixed-function device";

bool IsDepthFormat(D3DFORMAT format)
{
    return format == D3DFMT_D16 || format == D3DFMT_D24S8;
}

class GlDirect3D : public IDirect3D9
{
public:
    ULONG AddRef() override { return ++refCount; }
    ULONG Release() override
    {
        ULONG count = --refCount;
        if (count == 0)
            delete this;
        return count;
    }

    UINT GetAdapterCount() override { return 1; }

    HRESULT GetAdapterIdentifier(UINT adapter, DWORD, D3DADAPTER_IDENTIFIER9* identifier) override
    {
        if (adapter != 0 || !identifier)
            return D3DERR_INVALIDCALL;
        memset(identifier, 0, sizeof(*identifier));
        strncpy(identifier->Driver, "SDL2 + OpenGL", sizeof(identifier->Driver) - 1);
        strncpy(identifier->Description, kAdapterDescription, sizeof(identifier->Description) - 1);
        return D3D_OK;
    }

    HRESULT GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode) override
    {
        if (adapter != 0 || !mode)
            return D3DERR_INVALIDCALL;
        SDL_DisplayMode desktop;
        memset(&desktop, 0, sizeof(desktop));
        if (SDL_GetDesktopDisplayMode(0, &desktop) != 0)
        {
            desktop.w = 1024;
            desktop.h = 768;
        }
        mode->Width = static_cast<UINT>(desktop.w);
        mode->Height = static_cast<UINT>(desktop.h);
        mode->RefreshRate = static_cast<UINT>(desktop.refresh_rate);
        // The desktop is always presented as 32-bit colour.
        mode->Format = D3DFMT_X8R8G8B8;
        return D3D_OK;
    }

    HRESULT GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS9* caps) override
    {
        if (adapter != 0 || type != D3DDEVTYPE_HAL || !caps)
            return D3DERR_INVALIDCALL;
        FillDeviceCaps(caps);
        return D3D_OK;
    }

    HRESULT CheckDeviceFormat(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat, DWORD usage,
                              D3DRESOURCETYPE resourceType, D3DFORMAT checkFormat) override
    {
        if (adapter != 0 || type != D3DDEVTYPE_HAL)
            return D3DERR_INVALIDCALL;
        if (adapterFormat != D3DFMT_X8R8G8B8 && adapterFormat != D3DFMT_R5G6B5)
            return D3DERR_NOTAVAILABLE;
        // The render target is our own framebuffer object, which takes either
        // depth format whatever the window's pixel format is.
        if (usage & D3DUSAGE_DEPTHSTENCIL)
            return resourceType == D3DRTYPE_SURFACE && IsDepthFormat(checkFormat)
                       ? D3D_OK
                       : D3DERR_NOTAVAILABLE;
        if (resourceType == D3DRTYPE_TEXTURE || resourceType == D3DRTYPE_SURFACE)
            return TextureFormatBytes(checkFormat) > 0 ? D3D_OK : D3DERR_NOTAVAILABLE;
        return D3DERR_NOTAVAILABLE;
    }

    HRESULT CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focusWindow, DWORD,
                         D3DPRESENT_PARAMETERS* parameters, IDirect3DDevice9** device) override
    {
        if (!device)
            return D3DERR_INVALIDCALL;
        *device = nullptr;
        if (adapter != 0 || type != D3DDEVTYPE_HAL || !parameters)
            return D3DERR_INVALIDCALL;
        HWND target = parameters->hDeviceWindow ? parameters->hDeviceWindow : focusWindow;
        SDL_Window* window = PlatformGetSdlWindow(target);
        if (!window)
            return D3DERR_INVALIDCALL;
        if (parameters->EnableAutoDepthStencil &&
            !IsDepthFormat(parameters->AutoDepthStencilFormat))
            return D3DERR_INVALIDCALL;

        UINT width = parameters->BackBufferWidth;
        UINT height = parameters->BackBufferHeight;
        if (parameters->Windowed && (width == 0 || height == 0))
        {
            int w = 0;
            int h = 0;
            SDL_GetWindowSize(window, &w, &h);
            if (width == 0)
                width = static_cast<UINT>(w);
            if (height == 0)
                height = static_cast<UINT>(h);
        }
        if (width == 0 || height == 0 || width > kMaxTextureSide || height > kMaxTextureSide)
            return D3DERR_INVALIDCALL;
        if (parameters->BackBufferFormat == D3DFMT_UNKNOWN)
            parameters->BackBufferFormat = D3DFMT_X8R8G8B8;
        parameters->BackBufferWidth = width;
        parameters->BackBufferHeight = height;

        // Fixed function needs a compatibility context; any version will do.
        SDL_GL_ResetAttributes();
        SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
        SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
        SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
        SDL_GLContext context = SDL_GL_CreateContext(window);
        if (!context)
            return D3DERR_NOTAVAILABLE;
        if (SDL_GL_MakeCurrent(window, context) != 0)
        {
            SDL_GL_DeleteContext(context);
            return D3DERR_NOTAVAILABLE;
        }
        SDL_GL_SetSwapInterval(
            parameters->PresentationInterval == D3DPRESENT_INTERVAL_IMMEDIATE ? 0 : 1);

        D3DFORMAT depthFormat = parameters->EnableAutoDepthStencil
                                    ? parameters->AutoDepthStencilFormat
                                    : D3DFMT_UNKNOWN;
        GlDevice* created =
            new GlDevice(window, context, width, height, parameters->BackBufferFormat, depthFormat,
                         parameters->PresentationInterval);
        if (!created->Create())
        {
            created->Release();
            return D3DERR_NOTAVAILABLE;
        }
        *device = created;
        return D3D_OK;
    }

private:
    ~GlDirect3D() override = default;

    ULONG refCount = 1;
};
} // namespace

IDirect3D9* Direct3DCreate9(UINT)
{
    if (!PlatformVideoReady())
        return nullptr;
    return new GlDirect3D();
}
