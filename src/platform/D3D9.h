// The subset of Direct3D 9 that the game draws with: the Direct3D object, one
// device with the fixed-function pipeline, vertex and index buffers and
// textures. Implemented over OpenGL (compatibility profile) in the SDL window.
// Enumerations carry our own numbers except the vertex format flags, whose
// combined codes the game writes as literals (0x144, 0x152, ...).
#pragma once

#include "platform/Win32.h"

#include <cstdint>

typedef DWORD D3DCOLOR;

// Colour in 0xAARRGGBB from bytes.
#define D3DCOLOR_ARGB(a, r, g, b)                                                                  \
    ((D3DCOLOR)((((a)&0xff) << 24) | (((r)&0xff) << 16) | (((g)&0xff) << 8) | ((b)&0xff)))

const HRESULT D3D_OK = 0;
const HRESULT D3DERR_INVALIDCALL = static_cast<HRESULT>(0x8876086Cu);
const HRESULT D3DERR_NOTAVAILABLE = static_cast<HRESULT>(0x8876086Au);
const HRESULT D3DERR_OUTOFVIDEOMEMORY = static_cast<HRESULT>(0x8876017Cu);

const UINT D3D_SDK_VERSION = 31;
const UINT D3DADAPTER_DEFAULT = 0;

enum D3DDEVTYPE
{
    D3DDEVTYPE_HAL = 1,
    D3DDEVTYPE_REF = 2,
};

enum D3DFORMAT
{
    D3DFMT_UNKNOWN = 0,
    D3DFMT_R8G8B8,
    D3DFMT_A8R8G8B8,
    D3DFMT_X8R8G8B8,
    D3DFMT_R5G6B5,
    D3DFMT_A4R4G4B4,
    D3DFMT_D16,
    D3DFMT_D24S8,
    D3DFMT_INDEX16,
    D3DFMT_INDEX32,
};

enum D3DPOOL
{
    D3DPOOL_DEFAULT = 0,
    D3DPOOL_MANAGED,
    D3DPOOL_SYSTEMMEM,
};

enum D3DRESOURCETYPE
{
    D3DRTYPE_SURFACE = 1,
    D3DRTYPE_TEXTURE,
    D3DRTYPE_VERTEXBUFFER,
    D3DRTYPE_INDEXBUFFER,
};

enum D3DMULTISAMPLE_TYPE
{
    D3DMULTISAMPLE_NONE = 0,
};

enum D3DSWAPEFFECT
{
    D3DSWAPEFFECT_DISCARD = 1,
    D3DSWAPEFFECT_FLIP,
    D3DSWAPEFFECT_COPY,
};

// Usage flags.
const DWORD D3DUSAGE_RENDERTARGET = 0x1;
const DWORD D3DUSAGE_DEPTHSTENCIL = 0x2;
const DWORD D3DUSAGE_WRITEONLY = 0x8;
const DWORD D3DUSAGE_DYNAMIC = 0x200;
const DWORD D3DUSAGE_AUTOGENMIPMAP = 0x400;

// Lock flags.
const DWORD D3DLOCK_READONLY = 0x10;
const DWORD D3DLOCK_DISCARD = 0x2000;

// Device creation flags.
const DWORD D3DCREATE_SOFTWARE_VERTEXPROCESSING = 0x20;
const DWORD D3DCREATE_HARDWARE_VERTEXPROCESSING = 0x40;

// Present intervals: IMMEDIATE presents without waiting for the vertical blank.
const UINT D3DPRESENT_INTERVAL_DEFAULT = 0;
const UINT D3DPRESENT_INTERVAL_ONE = 1;
const UINT D3DPRESENT_INTERVAL_IMMEDIATE = 0x80000000u;

// Clear flags.
const DWORD D3DCLEAR_TARGET = 0x1;
const DWORD D3DCLEAR_ZBUFFER = 0x2;
const DWORD D3DCLEAR_STENCIL = 0x4;

// Flexible vertex format flags. Fields follow in this order: position (XYZ, or
// XYZRHW for vertices already in screen pixels), normal, diffuse, specular,
// then the texture coordinate sets of two floats each.
const DWORD D3DFVF_XYZ = 0x002;
const DWORD D3DFVF_XYZRHW = 0x004;
const DWORD D3DFVF_POSITION_MASK = 0x00E;
const DWORD D3DFVF_NORMAL = 0x010;
const DWORD D3DFVF_DIFFUSE = 0x040;
const DWORD D3DFVF_SPECULAR = 0x080;
const DWORD D3DFVF_TEXCOUNT_MASK = 0xF00;
const DWORD D3DFVF_TEXCOUNT_SHIFT = 8;
const DWORD D3DFVF_TEX0 = 0x000;
const DWORD D3DFVF_TEX1 = 0x100;
const DWORD D3DFVF_TEX2 = 0x200;
const DWORD D3DFVF_TEX3 = 0x300;
const DWORD D3DFVF_TEX4 = 0x400;

enum D3DPRIMITIVETYPE
{
    D3DPT_POINTLIST = 1,
    D3DPT_LINELIST,
    D3DPT_LINESTRIP,
    D3DPT_TRIANGLELIST,
    D3DPT_TRIANGLESTRIP,
    D3DPT_TRIANGLEFAN,
};

enum D3DTRANSFORMSTATETYPE
{
    D3DTS_VIEW = 0,
    D3DTS_PROJECTION,
    D3DTS_WORLD,
};

enum D3DRENDERSTATETYPE
{
    D3DRS_ZENABLE = 0,
    D3DRS_ZWRITEENABLE,
    D3DRS_ZFUNC,
    D3DRS_ALPHATESTENABLE,
    D3DRS_ALPHAREF,
    D3DRS_ALPHAFUNC,
    D3DRS_ALPHABLENDENABLE,
    D3DRS_SRCBLEND,
    D3DRS_DESTBLEND,
    D3DRS_CULLMODE,
    D3DRS_LIGHTING,
    D3DRS_AMBIENT,
    D3DRS_FOGENABLE,
    D3DRS_FOGCOLOR,
    D3DRS_FOGSTART,
    D3DRS_FOGEND,
    D3DRS_FOGVERTEXMODE,
    D3DRS_COUNT // number of render states, not a state
};

enum D3DZBUFFERTYPE
{
    D3DZB_FALSE = 0,
    D3DZB_TRUE = 1,
};

enum D3DCULL
{
    D3DCULL_NONE = 1,
    D3DCULL_CW,
    D3DCULL_CCW,
};

enum D3DCMPFUNC
{
    D3DCMP_NEVER = 1,
    D3DCMP_LESS,
    D3DCMP_EQUAL,
    D3DCMP_LESSEQUAL,
    D3DCMP_GREATER,
    D3DCMP_NOTEQUAL,
    D3DCMP_GREATEREQUAL,
    D3DCMP_ALWAYS,
};

enum D3DBLEND
{
    D3DBLEND_ZERO = 1,
    D3DBLEND_ONE,
    D3DBLEND_SRCCOLOR,
    D3DBLEND_INVSRCCOLOR,
    D3DBLEND_SRCALPHA,
    D3DBLEND_INVSRCALPHA,
    D3DBLEND_DESTALPHA,
    D3DBLEND_INVDESTALPHA,
    D3DBLEND_DESTCOLOR,
    D3DBLEND_INVDESTCOLOR,
};

enum D3DFOGMODE
{
    D3DFOG_NONE = 0,
    D3DFOG_EXP,
    D3DFOG_EXP2,
    D3DFOG_LINEAR,
};

enum D3DSAMPLERSTATETYPE
{
    D3DSAMP_MAGFILTER = 0,
    D3DSAMP_MINFILTER,
    D3DSAMP_MIPFILTER,
    D3DSAMP_COUNT // number of sampler states, not a state
};

enum D3DTEXTUREFILTERTYPE
{
    D3DTEXF_NONE = 0,
    D3DTEXF_POINT,
    D3DTEXF_LINEAR,
};

enum D3DTEXTURESTAGESTATETYPE
{
    D3DTSS_COLOROP = 0,
    D3DTSS_COLORARG1,
    D3DTSS_COLORARG2,
    D3DTSS_ALPHAOP,
    D3DTSS_ALPHAARG1,
    D3DTSS_ALPHAARG2,
    D3DTSS_TEXCOORDINDEX,
    D3DTSS_COUNT // number of stage states, not a state
};

enum D3DTEXTUREOP
{
    D3DTOP_DISABLE = 1,
    D3DTOP_SELECTARG1,
    D3DTOP_SELECTARG2,
    D3DTOP_MODULATE,
};

// Texture stage arguments.
const DWORD D3DTA_DIFFUSE = 0x0;
const DWORD D3DTA_CURRENT = 0x1;
const DWORD D3DTA_TEXTURE = 0x2;

enum D3DLIGHTTYPE
{
    D3DLIGHT_POINT = 1,
    D3DLIGHT_SPOT,
    D3DLIGHT_DIRECTIONAL,
};

struct D3DVECTOR
{
    float x;
    float y;
    float z;
};

struct D3DCOLORVALUE
{
    float r;
    float g;
    float b;
    float a;
};

// Sixteen floats, row-major, for row vectors: translation in the fourth row.
struct D3DMATRIX
{
    union
    {
        struct
        {
            float _11, _12, _13, _14;
            float _21, _22, _23, _24;
            float _31, _32, _33, _34;
            float _41, _42, _43, _44;
        };
        float m[4][4];
    };
};

struct D3DRECT
{
    LONG x1;
    LONG y1;
    LONG x2;
    LONG y2;
};

struct D3DVIEWPORT9
{
    DWORD X;
    DWORD Y;
    DWORD Width;
    DWORD Height;
    float MinZ;
    float MaxZ;
};

// Positions and directions are in world space. Range, Falloff and Theta are
// kept but not applied (the fixed-function GL light has no range cut-off).
struct D3DLIGHT9
{
    D3DLIGHTTYPE Type;
    D3DCOLORVALUE Diffuse;
    D3DCOLORVALUE Specular;
    D3DCOLORVALUE Ambient;
    D3DVECTOR Position;
    D3DVECTOR Direction;
    float Range;
    float Falloff;
    float Attenuation0;
    float Attenuation1;
    float Attenuation2;
    float Theta;
    float Phi;
};

struct D3DMATERIAL9
{
    D3DCOLORVALUE Diffuse;
    D3DCOLORVALUE Ambient;
    D3DCOLORVALUE Specular;
    D3DCOLORVALUE Emissive;
    float Power;
};

struct D3DPRESENT_PARAMETERS
{
    UINT BackBufferWidth;
    UINT BackBufferHeight;
    D3DFORMAT BackBufferFormat;
    UINT BackBufferCount;
    D3DMULTISAMPLE_TYPE MultiSampleType;
    DWORD MultiSampleQuality;
    D3DSWAPEFFECT SwapEffect;
    HWND hDeviceWindow;
    BOOL Windowed;
    BOOL EnableAutoDepthStencil;
    D3DFORMAT AutoDepthStencilFormat;
    DWORD Flags;
    UINT FullScreen_RefreshRateInHz;
    UINT PresentationInterval;
};

struct D3DDISPLAYMODE
{
    UINT Width;
    UINT Height;
    UINT RefreshRate;
    D3DFORMAT Format;
};

struct D3DADAPTER_IDENTIFIER9
{
    char Driver[512];
    char Description[512];
};

// What the device can do; only the fields this layer fills.
struct D3DCAPS9
{
    D3DDEVTYPE DeviceType;
    UINT AdapterOrdinal;
    DWORD MaxTextureWidth;
    DWORD MaxTextureHeight;
    DWORD MaxActiveLights;
    DWORD MaxTextureBlendStages;
    DWORD MaxSimultaneousTextures;
};

struct D3DSURFACE_DESC
{
    D3DFORMAT Format;
    D3DRESOURCETYPE Type;
    DWORD Usage;
    D3DPOOL Pool;
    UINT Width;
    UINT Height;
};

// pBits points at the first row; rows are Pitch bytes apart. This layer
// always gives a pitch of width times bytes per pixel.
struct D3DLOCKED_RECT
{
    int Pitch;
    void* pBits;
};

class IDirect3DDevice9;
class IDirect3DBaseTexture9;

// Reference counting as the game uses it: an object is destroyed by the
// Release that brings its count to zero. Textures and buffers hold a reference
// to their device, so the device outlives them.
class IUnknown
{
public:
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    virtual ~IUnknown() = default;
};

class IDirect3D9 : public IUnknown
{
public:
    virtual UINT GetAdapterCount() = 0;
    virtual HRESULT GetAdapterIdentifier(UINT adapter, DWORD flags,
                                         D3DADAPTER_IDENTIFIER9* identifier) = 0;
    virtual HRESULT GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode) = 0;
    virtual HRESULT GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS9* caps) = 0;
    // D3D_OK when checkFormat can be used for the usage and resource type.
    virtual HRESULT CheckDeviceFormat(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat,
                                      DWORD usage, D3DRESOURCETYPE resourceType,
                                      D3DFORMAT checkFormat) = 0;
    // Creates the OpenGL context in the window's SDL window. A back-buffer
    // size of 0 takes the window's client size.
    virtual HRESULT CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focusWindow,
                                 DWORD behaviorFlags, D3DPRESENT_PARAMETERS* parameters,
                                 IDirect3DDevice9** device) = 0;
};

class IDirect3DVertexBuffer9 : public IUnknown
{
public:
    // offset and size 0 lock the whole buffer.
    virtual HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags) = 0;
    virtual HRESULT Unlock() = 0;
};

class IDirect3DIndexBuffer9 : public IUnknown
{
public:
    virtual HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags) = 0;
    virtual HRESULT Unlock() = 0;
};

class IDirect3DBaseTexture9 : public IUnknown
{
public:
    virtual DWORD GetLevelCount() = 0;
    // Rebuilds levels 1 and below from level 0.
    virtual void GenerateMipSubLevels() = 0;
};

// Pixels are stored in the format's little-endian words: A8R8G8B8 as bytes
// B, G, R, A. Level sizes halve down to 1 by 1.
class IDirect3DTexture9 : public IDirect3DBaseTexture9
{
public:
    virtual HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) = 0;
    // Only a whole top level can be locked (level 0, rect null). Writes show
    // once unlocked. D3DLOCK_DISCARD skips reading the current pixels back:
    // the caller then writes every pixel.
    virtual HRESULT LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) = 0;
    virtual HRESULT UnlockRect(UINT level) = 0;
};

// The rendering device. States persist until set again, across frames;
// nothing is reset by BeginScene, Present or a draw.
class IDirect3DDevice9 : public IUnknown
{
public:
    virtual HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) = 0;
    virtual HRESULT SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) = 0;
    virtual HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type,
                                         DWORD value) = 0;
    virtual HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) = 0;
    virtual HRESULT SetViewport(const D3DVIEWPORT9* viewport) = 0;
    virtual HRESULT GetDeviceCaps(D3DCAPS9* caps) = 0;
    // Clears the viewport (or the given rectangles within it) whatever the
    // write masks and the depth-write state are.
    virtual HRESULT Clear(DWORD rectCount, const D3DRECT* rects, DWORD flags, D3DCOLOR color,
                          float z, DWORD stencil) = 0;
    virtual HRESULT BeginScene() = 0;
    virtual HRESULT EndScene() = 0;
    virtual HRESULT Present(const RECT* sourceRect, const RECT* destRect, HWND destWindowOverride,
                            const void* dirtyRegion) = 0;

    virtual HRESULT SetLight(DWORD index, const D3DLIGHT9* light) = 0;
    virtual HRESULT LightEnable(DWORD index, BOOL enable) = 0;
    virtual HRESULT SetMaterial(const D3DMATERIAL9* material) = 0;

    // A null texture on an enabled stage lets the stage pass its input through.
    virtual HRESULT SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) = 0;
    virtual HRESULT SetFVF(DWORD fvf) = 0;
    // Only null (the fixed-function pipeline) is accepted.
    virtual HRESULT SetVertexShader(void* shader) = 0;
    virtual HRESULT SetPixelShader(void* shader) = 0;
    virtual HRESULT SetStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer, UINT offset,
                                    UINT stride) = 0;
    virtual HRESULT SetIndices(IDirect3DIndexBuffer9* indices) = 0;

    virtual HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount) = 0;
    virtual HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE type, int baseVertex, UINT minIndex,
                                         UINT vertexCount, UINT startIndex,
                                         UINT primitiveCount) = 0;
    // Draws from caller memory; the stream source and indices are unset after.
    virtual HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT primitiveCount,
                                    const void* vertices, UINT stride) = 0;
    virtual HRESULT DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE type, UINT minIndex, UINT vertexCount,
                                           UINT primitiveCount, const void* indices,
                                           D3DFORMAT indexFormat, const void* vertices,
                                           UINT stride) = 0;

    // Zero-length buffers are refused with D3DERR_INVALIDCALL, as is a vertex
    // buffer smaller than one vertex of its format.
    virtual HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                       IDirect3DVertexBuffer9** buffer, void* shared) = 0;
    virtual HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                      IDirect3DIndexBuffer9** buffer, void* shared) = 0;
    // levels 0 makes the full chain down to 1 by 1.
    virtual HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage,
                                  D3DFORMAT format, D3DPOOL pool, IDirect3DTexture9** texture,
                                  void* shared) = 0;
};

// The Direct3D object, or null when no window system is up (no window yet).
IDirect3D9* Direct3DCreate9(UINT sdkVersion);
