// The Direct3D device over OpenGL's fixed-function pipeline.
//
// Direct3D state is recorded as set and translated to GL at each draw, so
// that what the game sets persists exactly as it would on the device, and the
// layer's own temporary GL changes (screen-space projection, clear masks)
// never show through. The frame is drawn straight into the window when the
// window's drawable is the back buffer's size and has its formats; otherwise
// into our own framebuffer object, which Present copies to the window.
#include "math/FloatBits.h"
#include "platform/D3D9Local.h"
#include "platform/SdlWindow.h"
#include "platform/VideoTestHooks.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace
{
const float kIdentity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

// Row-vector product: a is applied first.
void Multiply(const float* a, const float* b, float* out)
{
    for (int row = 0; row < 4; ++row)
    {
        for (int col = 0; col < 4; ++col)
        {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k)
                sum += a[row * 4 + k] * b[k * 4 + col];
            out[row * 4 + col] = sum;
        }
    }
}

GLenum CompareFunction(DWORD func)
{
    switch (func)
    {
    case D3DCMP_NEVER:
        return GL_NEVER;
    case D3DCMP_LESS:
        return GL_LESS;
    case D3DCMP_EQUAL:
        return GL_EQUAL;
    case D3DCMP_LESSEQUAL:
        return GL_LEQUAL;
    case D3DCMP_GREATER:
        return GL_GREATER;
    case D3DCMP_NOTEQUAL:
        return GL_NOTEQUAL;
    case D3DCMP_GREATEREQUAL:
        return GL_GEQUAL;
    default:
        return GL_ALWAYS;
    }
}

GLenum BlendFactor(DWORD blend)
{
    switch (blend)
    {
    case D3DBLEND_ZERO:
        return GL_ZERO;
    case D3DBLEND_SRCCOLOR:
        return GL_SRC_COLOR;
    case D3DBLEND_INVSRCCOLOR:
        return GL_ONE_MINUS_SRC_COLOR;
    case D3DBLEND_SRCALPHA:
        return GL_SRC_ALPHA;
    case D3DBLEND_INVSRCALPHA:
        return GL_ONE_MINUS_SRC_ALPHA;
    case D3DBLEND_DESTALPHA:
        return GL_DST_ALPHA;
    case D3DBLEND_INVDESTALPHA:
        return GL_ONE_MINUS_DST_ALPHA;
    case D3DBLEND_DESTCOLOR:
        return GL_DST_COLOR;
    case D3DBLEND_INVDESTCOLOR:
        return GL_ONE_MINUS_DST_COLOR;
    default:
        return GL_ONE;
    }
}

// Direct3D compares the 8-bit alpha with the integer reference; GL compares
// floats, so the reference moves half a step to the side that keeps the
// same set of 8-bit values passing.
float AlphaReference(DWORD func, DWORD reference)
{
    float ref = static_cast<float>(reference & 0xFF);
    if (func == D3DCMP_GREATER || func == D3DCMP_LESSEQUAL)
        ref += 0.5f;
    else if (func == D3DCMP_LESS || func == D3DCMP_GREATEREQUAL)
        ref -= 0.5f;
    return std::min(1.0f, std::max(0.0f, ref / 255.0f));
}

GLint StageSource(DWORD argument)
{
    switch (argument & 0xF)
    {
    case D3DTA_TEXTURE:
        return GL_TEXTURE;
    case D3DTA_DIFFUSE:
        return GL_PRIMARY_COLOR;
    default:
        return GL_PREVIOUS;
    }
}

// Combiner function and its two sources for one stage operation.
void StageCombine(DWORD op, DWORD arg1, DWORD arg2, GLint& combine, GLint& source0, GLint& source1)
{
    switch (op)
    {
    case D3DTOP_SELECTARG1:
        combine = GL_REPLACE;
        source0 = StageSource(arg1);
        source1 = GL_PREVIOUS;
        break;
    case D3DTOP_SELECTARG2:
        combine = GL_REPLACE;
        source0 = StageSource(arg2);
        source1 = GL_PREVIOUS;
        break;
    case D3DTOP_MODULATE:
        combine = GL_MODULATE;
        source0 = StageSource(arg1);
        source1 = StageSource(arg2);
        break;
    default:
        // An active stage whose alpha operation is off passes the alpha on.
        combine = GL_REPLACE;
        source0 = GL_PREVIOUS;
        source1 = GL_PREVIOUS;
        break;
    }
}

GLint MinFilter(DWORD min, DWORD mip)
{
    bool linear = min == D3DTEXF_LINEAR;
    if (mip == D3DTEXF_POINT)
        return linear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
    if (mip == D3DTEXF_LINEAR)
        return linear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
    return linear ? GL_LINEAR : GL_NEAREST;
}

bool PrimitiveMode(D3DPRIMITIVETYPE type, UINT primitiveCount, GLenum& mode, UINT& vertexCount)
{
    switch (type)
    {
    case D3DPT_POINTLIST:
        mode = GL_POINTS;
        vertexCount = primitiveCount;
        return true;
    case D3DPT_LINELIST:
        mode = GL_LINES;
        vertexCount = primitiveCount * 2;
        return true;
    case D3DPT_LINESTRIP:
        mode = GL_LINE_STRIP;
        vertexCount = primitiveCount + 1;
        return true;
    case D3DPT_TRIANGLELIST:
        mode = GL_TRIANGLES;
        vertexCount = primitiveCount * 3;
        return true;
    case D3DPT_TRIANGLESTRIP:
        mode = GL_TRIANGLE_STRIP;
        vertexCount = primitiveCount + 2;
        return true;
    case D3DPT_TRIANGLEFAN:
        mode = GL_TRIANGLE_FAN;
        vertexCount = primitiveCount + 2;
        return true;
    default:
        return false;
    }
}

void ColorFloats(D3DCOLOR color, float* out)
{
    out[0] = static_cast<float>((color >> 16) & 0xFF) / 255.0f;
    out[1] = static_cast<float>((color >> 8) & 0xFF) / 255.0f;
    out[2] = static_cast<float>(color & 0xFF) / 255.0f;
    out[3] = static_cast<float>(color >> 24) / 255.0f;
}

void ColorValue(const D3DCOLORVALUE& color, float* out)
{
    out[0] = color.r;
    out[1] = color.g;
    out[2] = color.b;
    out[3] = color.a;
}

// An offset into the bound buffer object, as GL's pointer arguments take it.
const void* BufferOffset(size_t offset)
{
    return reinterpret_cast<const void*>(offset);
}

// The bytes that count vertices of the layout span at the given stride: the
// last vertex is read only as far as its own fields.
size_t VertexBytes(UINT count, UINT stride, const FvfLayout& layout)
{
    return count == 0 ? 0 : static_cast<size_t>(count - 1) * stride + layout.size;
}

// The converted positions that count screen-space vertices stream.
size_t ScreenPositionBytes(UINT count, const FvfLayout& layout)
{
    return layout.pretransformed ? static_cast<size_t>(count) * 4 * sizeof(float) : 0;
}

bool SameMatrix(const D3DMATRIX& a, const D3DMATRIX& b)
{
    return memcmp(&a, &b, sizeof(D3DMATRIX)) == 0;
}

// Appends the vertex numbers of primitiveCount primitives of the type as a
// list of triangles or of lines: first + the vertex's place among the draw's
// vertices (through `indices` when indexed, whose values start at
// firstIndex). False for points and unknown types.
bool AppendListIndices(D3DPRIMITIVETYPE type, UINT primitiveCount, const void* indices,
                       D3DFORMAT indexFormat, UINT firstIndex, UINT first,
                       std::vector<uint16_t>& out)
{
    auto vertex = [&](UINT i)
    {
        UINT place = indices ? IndexAt(indices, indexFormat, i) - firstIndex : i;
        return static_cast<uint16_t>(first + place);
    };
    switch (type)
    {
    case D3DPT_TRIANGLELIST:
        for (UINT i = 0; i < primitiveCount * 3; ++i)
            out.push_back(vertex(i));
        return true;
    case D3DPT_TRIANGLEFAN:
        for (UINT k = 1; k <= primitiveCount; ++k)
            out.insert(out.end(), {vertex(0), vertex(k), vertex(k + 1)});
        return true;
    case D3DPT_TRIANGLESTRIP:
        // Every other triangle swaps its first two corners, so that all keep
        // the strip's winding.
        for (UINT k = 0; k < primitiveCount; ++k)
        {
            if (k % 2 == 0)
                out.insert(out.end(), {vertex(k), vertex(k + 1), vertex(k + 2)});
            else
                out.insert(out.end(), {vertex(k + 1), vertex(k), vertex(k + 2)});
        }
        return true;
    case D3DPT_LINELIST:
        for (UINT i = 0; i < primitiveCount * 2; ++i)
            out.push_back(vertex(i));
        return true;
    case D3DPT_LINESTRIP:
        for (UINT k = 0; k < primitiveCount; ++k)
            out.insert(out.end(), {vertex(k), vertex(k + 1)});
        return true;
    default:
        return false;
    }
}

// Turns a client array on or off, unless the shadow says it already is.
void SetClientArray(GLenum array, int8_t& shadowState, bool on)
{
    int8_t wanted = on ? 1 : 0;
    if (shadowState == wanted)
        return;
    if (on)
        glEnableClientState(array);
    else
        glDisableClientState(array);
    shadowState = wanted;
}
} // namespace

bool GlDevice::StageKey::operator==(const StageKey& other) const
{
    return colorCombine == other.colorCombine && colorSource0 == other.colorSource0 &&
           colorSource1 == other.colorSource1 && alphaCombine == other.alphaCombine &&
           alphaSource0 == other.alphaSource0 && alphaSource1 == other.alphaSource1;
}

GlDevice::GlDevice(SDL_Window* window, void* context, UINT width, UINT height,
                   D3DFORMAT backBufferFormat, D3DFORMAT depthFormat, UINT presentInterval)
    : window(window), context(context), width(width), height(height),
      backBufferFormat(backBufferFormat), depthFormat(depthFormat), presentInterval(presentInterval)
{
    memcpy(world.m, kIdentity, sizeof(kIdentity));
    memcpy(view.m, kIdentity, sizeof(kIdentity));
    memcpy(projection.m, kIdentity, sizeof(kIdentity));
}

GlDevice::~GlDevice()
{
    // Nothing presents what was gathered after the last frame.
    batch.open = false;
    for (int stage = 0; stage < kStageCount; ++stage)
        SetTexture(static_cast<DWORD>(stage), nullptr);
    SetStreamSource(0, nullptr, 0, 0);
    SetIndices(nullptr);
    // Resources the game still holds outlive the context: they keep their
    // CPU side and give up their GL names, which die with the context.
    for (IUnknown* resource : resources)
    {
        if (GlTexture* texture = dynamic_cast<GlTexture*>(resource))
            texture->Orphan();
        else if (GlVertexBuffer* buffer = dynamic_cast<GlVertexBuffer*>(resource))
            buffer->Orphan();
        else if (GlIndexBuffer* indices = dynamic_cast<GlIndexBuffer*>(resource))
            indices->Orphan();
    }
    if (PlatformVideoReady() && context)
    {
        MakeCurrent();
        if (framebuffer)
            glDeleteFramebuffers(1, &framebuffer);
        if (colorBuffer)
            glDeleteRenderbuffers(1, &colorBuffer);
        if (depthBuffer)
            glDeleteRenderbuffers(1, &depthBuffer);
        if (streamBuffer)
            glDeleteBuffers(1, &streamBuffer);
        for (GLsync fence : frameFences)
        {
            if (fence)
                glDeleteSync(fence);
        }
        SDL_GL_MakeCurrent(window, nullptr);
        SDL_GL_DeleteContext(static_cast<SDL_GLContext>(context));
    }
}

bool GlDevice::Create()
{
    if (!epoxy_is_desktop_gl() || epoxy_gl_version() < 21)
        return false;
    if (epoxy_gl_version() < 30 && !epoxy_has_gl_extension("GL_ARB_framebuffer_object"))
        return false;
    if (epoxy_gl_version() < 32 && !epoxy_has_gl_extension("GL_ARB_vertex_array_bgra"))
        return false;
    streamMapping = epoxy_gl_version() >= 30 || epoxy_has_gl_extension("GL_ARB_map_buffer_range");
    frameFencing = epoxy_gl_version() >= 32 || epoxy_has_gl_extension("GL_ARB_sync");
    GLint units = 0;
    glGetIntegerv(GL_MAX_TEXTURE_UNITS, &units);
    GLint maxLights = 0;
    glGetIntegerv(GL_MAX_LIGHTS, &maxLights);
    if (units < kStageCount || maxLights < kLightCount)
        return false;

    if (!WindowIsBackBuffer() && !CreateFramebuffer())
        return false;

    // Direct3D's implicit defaults where GL's differ.
    glDisable(GL_DITHER);
    glShadeModel(GL_SMOOTH);
    glLightModeli(GL_LIGHT_MODEL_COLOR_CONTROL, GL_SINGLE_COLOR);
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, GL_FALSE);
    glColorMaterial(GL_FRONT_AND_BACK, GL_DIFFUSE);
    const float zero[4] = {0, 0, 0, 0};
    for (int i = 0; i < kLightCount; ++i)
        glLightfv(GL_LIGHT0 + i, GL_SPECULAR, zero);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glEnableClientState(GL_VERTEX_ARRAY);
    for (int unit = 0; unit < kStageCount; ++unit)
    {
        ActiveUnit(unit);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE);
        glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND0_RGB, GL_SRC_COLOR);
        glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND1_RGB, GL_SRC_COLOR);
        glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND0_ALPHA, GL_SRC_ALPHA);
        glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND1_ALPHA, GL_SRC_ALPHA);
    }
    SetDefaultStates();

    glGenBuffers(1, &streamBuffer);

    glViewport(0, 0, static_cast<GLsizei>(width), static_cast<GLsizei>(height));
    glClearColor(0, 0, 0, 1);
    glClearDepth(1.0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    return glGetError() == GL_NO_ERROR;
}

bool GlDevice::WindowIsBackBuffer()
{
    int drawableWidth = 0;
    int drawableHeight = 0;
    SDL_GL_GetDrawableSize(window, &drawableWidth, &drawableHeight);
    if (drawableWidth != static_cast<int>(width) || drawableHeight != static_cast<int>(height))
        return false;
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    GLint red = 0, green = 0, blue = 0, alpha = 0, depth = 0, stencil = 0;
    glGetIntegerv(GL_RED_BITS, &red);
    glGetIntegerv(GL_GREEN_BITS, &green);
    glGetIntegerv(GL_BLUE_BITS, &blue);
    glGetIntegerv(GL_ALPHA_BITS, &alpha);
    glGetIntegerv(GL_DEPTH_BITS, &depth);
    glGetIntegerv(GL_STENCIL_BITS, &stencil);
    if (red != 8 || green != 8 || blue != 8)
        return false;
    if (backBufferFormat == D3DFMT_A8R8G8B8 && alpha != 8)
        return false;
    if (depthFormat == D3DFMT_D16)
        return depth == 16;
    if (depthFormat == D3DFMT_D24S8)
        return depth == 24 && stencil == 8;
    return true;
}

bool GlDevice::CreateFramebuffer()
{
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glGenRenderbuffers(1, &colorBuffer);
    glBindRenderbuffer(GL_RENDERBUFFER, colorBuffer);
    glRenderbufferStorage(GL_RENDERBUFFER, backBufferFormat == D3DFMT_A8R8G8B8 ? GL_RGBA8 : GL_RGB8,
                          static_cast<GLsizei>(width), static_cast<GLsizei>(height));
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colorBuffer);
    if (depthFormat != D3DFMT_UNKNOWN)
    {
        glGenRenderbuffers(1, &depthBuffer);
        glBindRenderbuffer(GL_RENDERBUFFER, depthBuffer);
        bool d16 = depthFormat == D3DFMT_D16;
        glRenderbufferStorage(GL_RENDERBUFFER, d16 ? GL_DEPTH_COMPONENT16 : GL_DEPTH24_STENCIL8,
                              static_cast<GLsizei>(width), static_cast<GLsizei>(height));
        glFramebufferRenderbuffer(GL_FRAMEBUFFER,
                                  d16 ? GL_DEPTH_ATTACHMENT : GL_DEPTH_STENCIL_ATTACHMENT,
                                  GL_RENDERBUFFER, depthBuffer);
    }
    return glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
}

void GlDevice::SetDefaultStates()
{
    renderStates[D3DRS_ZENABLE] = depthFormat != D3DFMT_UNKNOWN ? D3DZB_TRUE : D3DZB_FALSE;
    renderStates[D3DRS_ZWRITEENABLE] = TRUE;
    renderStates[D3DRS_ZFUNC] = D3DCMP_LESSEQUAL;
    renderStates[D3DRS_ALPHATESTENABLE] = FALSE;
    renderStates[D3DRS_ALPHAREF] = 0;
    renderStates[D3DRS_ALPHAFUNC] = D3DCMP_ALWAYS;
    renderStates[D3DRS_ALPHABLENDENABLE] = FALSE;
    renderStates[D3DRS_SRCBLEND] = D3DBLEND_ONE;
    renderStates[D3DRS_DESTBLEND] = D3DBLEND_ZERO;
    renderStates[D3DRS_CULLMODE] = D3DCULL_CCW;
    renderStates[D3DRS_LIGHTING] = TRUE;
    renderStates[D3DRS_AMBIENT] = 0;
    renderStates[D3DRS_FOGENABLE] = FALSE;
    renderStates[D3DRS_FOGCOLOR] = 0;
    renderStates[D3DRS_FOGSTART] = FloatBits(0.0f);
    renderStates[D3DRS_FOGEND] = FloatBits(1.0f);
    renderStates[D3DRS_FOGVERTEXMODE] = D3DFOG_NONE;
    for (int stage = 0; stage < kStageCount; ++stage)
    {
        samplerStates[stage][D3DSAMP_MAGFILTER] = D3DTEXF_POINT;
        samplerStates[stage][D3DSAMP_MINFILTER] = D3DTEXF_POINT;
        samplerStates[stage][D3DSAMP_MIPFILTER] = D3DTEXF_NONE;
        stageStates[stage][D3DTSS_COLOROP] = stage == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
        stageStates[stage][D3DTSS_COLORARG1] = D3DTA_TEXTURE;
        stageStates[stage][D3DTSS_COLORARG2] = D3DTA_CURRENT;
        stageStates[stage][D3DTSS_ALPHAOP] = stage == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
        stageStates[stage][D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
        stageStates[stage][D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
        stageStates[stage][D3DTSS_TEXCOORDINDEX] = static_cast<DWORD>(stage);
    }
    viewport = {0, 0, width, height, 0.0f, 1.0f};
    for (D3DLIGHT9& light : lights)
    {
        memset(&light, 0, sizeof(light));
        light.Type = D3DLIGHT_DIRECTIONAL;
        light.Diffuse = {1, 1, 1, 0};
        light.Direction = {0, 0, 1};
    }
}

ULONG GlDevice::AddRef()
{
    return ++refCount;
}

ULONG GlDevice::Release()
{
    ULONG count = --refCount;
    if (count == 0)
        delete this;
    return count;
}

void GlDevice::Forget(IUnknown* resource)
{
    resources.erase(std::remove(resources.begin(), resources.end(), resource), resources.end());
    // GL may hand a name out again, and deleting a bound buffer unbinds it:
    // the shadow must not think the name bound.
    if (GlTexture* texture = dynamic_cast<GlTexture*>(resource))
    {
        for (GLuint& bound : shadow.unitTexture)
        {
            if (bound == texture->Name())
                bound = 0;
        }
    }
    GLuint buffer = 0;
    if (GlVertexBuffer* vertices = dynamic_cast<GlVertexBuffer*>(resource))
        buffer = vertices->Name();
    else if (GlIndexBuffer* indices = dynamic_cast<GlIndexBuffer*>(resource))
        buffer = indices->Name();
    if (buffer && shadow.arrayBuffer == buffer)
        shadow.arrayBuffer = 0;
    if (buffer && shadow.elementBuffer == buffer)
        shadow.elementBuffer = 0;
}

void GlDevice::ActiveUnit(int unit)
{
    if (shadow.activeUnit != unit)
    {
        glActiveTexture(static_cast<GLenum>(GL_TEXTURE0 + unit));
        shadow.activeUnit = unit;
    }
}

void GlDevice::ClientUnit(int unit)
{
    if (shadow.clientUnit != unit)
    {
        glClientActiveTexture(static_cast<GLenum>(GL_TEXTURE0 + unit));
        shadow.clientUnit = unit;
    }
}

void GlDevice::Toggle(GLenum capability, bool on, int8_t& shadowed)
{
    if (shadowed == static_cast<int8_t>(on))
        return;
    if (on)
        glEnable(capability);
    else
        glDisable(capability);
    shadowed = static_cast<int8_t>(on);
}

void GlDevice::MakeCurrent()
{
    // Another device's context may have been made current since.
    if (SDL_GL_GetCurrentContext() != context)
        SDL_GL_MakeCurrent(window, static_cast<SDL_GLContext>(context));
}

void GlDevice::BindForTransfer(GlTexture* texture)
{
    // Gathered draws sample the texture as it was when they were made.
    FlushBatch();
    MakeCurrent();
    ActiveUnit(0);
    glBindTexture(GL_TEXTURE_2D, texture->Name());
    shadow.unitTexture[0] = texture->Name();
}

void GlDevice::BindBuffer(GLenum target, GLuint buffer)
{
    GLuint& bound = target == GL_ARRAY_BUFFER ? shadow.arrayBuffer : shadow.elementBuffer;
    if (bound != buffer)
    {
        glBindBuffer(target, buffer);
        bound = buffer;
    }
}

void GlDevice::ReserveStream(size_t bytes)
{
    if (StreamStart() + bytes <= streamCapacity)
        return;
    // New storage: what earlier draws read stays theirs.
    const size_t kMinimumCapacity = 1 << 20;
    streamCapacity = std::max(streamCapacity, std::max(kMinimumCapacity, bytes));
    BindBuffer(GL_ARRAY_BUFFER, streamBuffer);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(streamCapacity), nullptr, GL_STREAM_DRAW);
    streamHead = 0;
}

GlDevice::DrawSource GlDevice::Stream(const void* bytes, size_t size)
{
    ReserveStream(size);
    size_t offset = StreamStart();
    BindBuffer(GL_ARRAY_BUFFER, streamBuffer);
    void* target = nullptr;
    if (streamMapping)
    {
        // Nothing drawn since the storage was made reads this range.
        target = glMapBufferRange(
            GL_ARRAY_BUFFER, static_cast<GLintptr>(offset), static_cast<GLsizeiptr>(size),
            GL_MAP_WRITE_BIT | GL_MAP_INVALIDATE_RANGE_BIT | GL_MAP_UNSYNCHRONIZED_BIT);
    }
    if (target)
    {
        memcpy(target, bytes, size);
        glUnmapBuffer(GL_ARRAY_BUFFER);
    }
    else
        glBufferSubData(GL_ARRAY_BUFFER, static_cast<GLintptr>(offset),
                        static_cast<GLsizeiptr>(size), bytes);
    streamHead = offset + size;
    return {static_cast<const uint8_t*>(bytes), streamBuffer, offset};
}

HRESULT GlDevice::GetDeviceCaps(D3DCAPS9* caps)
{
    if (!caps)
        return D3DERR_INVALIDCALL;
    FillDeviceCaps(caps);
    return D3D_OK;
}

HRESULT GlDevice::SetRenderState(D3DRENDERSTATETYPE state, DWORD value)
{
    if (state < 0 || state >= D3DRS_COUNT)
        return D3DERR_INVALIDCALL;
    if (renderStates[state] == value)
        return D3D_OK;
    BeforeChange(true);
    renderStates[state] = value;
    if (state == D3DRS_FOGCOLOR || state == D3DRS_FOGSTART || state == D3DRS_FOGEND)
        ++fogVersion;
    if (state == D3DRS_AMBIENT)
        ++ambientVersion;
    return D3D_OK;
}

HRESULT GlDevice::SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value)
{
    if (sampler >= static_cast<DWORD>(kStageCount) || type < 0 || type >= D3DSAMP_COUNT)
        return D3DERR_INVALIDCALL;
    BeforeChange(samplerStates[sampler][type] != value);
    samplerStates[sampler][type] = value;
    return D3D_OK;
}

HRESULT GlDevice::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value)
{
    if (stage >= static_cast<DWORD>(kStageCount) || type < 0 || type >= D3DTSS_COUNT)
        return D3DERR_INVALIDCALL;
    BeforeChange(stageStates[stage][type] != value);
    stageStates[stage][type] = value;
    return D3D_OK;
}

HRESULT GlDevice::SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix)
{
    if (!matrix)
        return D3DERR_INVALIDCALL;
    D3DMATRIX* target = nullptr;
    uint64_t* version = nullptr;
    switch (state)
    {
    case D3DTS_WORLD:
        target = &world;
        version = &worldVersion;
        break;
    case D3DTS_VIEW:
        target = &view;
        version = &viewVersion;
        break;
    case D3DTS_PROJECTION:
        target = &projection;
        version = &projectionVersion;
        break;
    default:
        return D3DERR_INVALIDCALL;
    }
    // The same matrix again changes nothing GL must be told.
    if (SameMatrix(*target, *matrix))
        return D3D_OK;
    BeforeChange(BatchReadsTransforms());
    *target = *matrix;
    ++*version;
    return D3D_OK;
}

HRESULT GlDevice::SetViewport(const D3DVIEWPORT9* newViewport)
{
    if (!newViewport || newViewport->Width == 0 || newViewport->Height == 0 ||
        newViewport->X > width || newViewport->Width > width - newViewport->X ||
        newViewport->Y > height || newViewport->Height > height - newViewport->Y)
        return D3DERR_INVALIDCALL;
    if (memcmp(&viewport, newViewport, sizeof(viewport)) == 0)
        return D3D_OK;
    BeforeChange(true);
    viewport = *newViewport;
    ++viewportVersion;
    return D3D_OK;
}

HRESULT GlDevice::Clear(DWORD rectCount, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                        DWORD stencil)
{
    FlushBatch();
    MakeCurrent();
    if ((flags & (D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)) && depthFormat == D3DFMT_UNKNOWN)
        return D3DERR_INVALIDCALL;
    if ((flags & D3DCLEAR_STENCIL) && depthFormat != D3DFMT_D24S8)
        return D3DERR_INVALIDCALL;
    if (rectCount > 0 && !rects)
        return D3DERR_INVALIDCALL;
    GLbitfield bits = 0;
    if (flags & D3DCLEAR_TARGET)
        bits |= GL_COLOR_BUFFER_BIT;
    if (flags & D3DCLEAR_ZBUFFER)
        bits |= GL_DEPTH_BUFFER_BIT;
    // No draw tests or writes the stencil, so clearing it with the depth it
    // shares a buffer with changes nothing that can be seen, and spares the
    // driver a clear that must keep the stencil bits of every pixel.
    if ((flags & D3DCLEAR_STENCIL) || ((flags & D3DCLEAR_ZBUFFER) && depthFormat == D3DFMT_D24S8))
        bits |= GL_STENCIL_BUFFER_BIT;
    if (!bits)
        return D3D_OK;

    // A clear writes whatever the masks say: depth is cleared even while
    // depth writes are off. The masks are restored at the next draw.
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glDepthMask(GL_TRUE);
    shadow.depthMask = 1;
    glStencilMask(0xFFFFFFFFu);
    float rgba[4];
    ColorFloats(color, rgba);
    glClearColor(rgba[0], rgba[1], rgba[2], rgba[3]);
    glClearDepth(std::min(1.0f, std::max(0.0f, z)));
    glClearStencil(static_cast<GLint>(stencil));
    glEnable(GL_SCISSOR_TEST);
    LONG left = static_cast<LONG>(viewport.X);
    LONG top = static_cast<LONG>(viewport.Y);
    LONG right = left + static_cast<LONG>(viewport.Width);
    LONG bottom = top + static_cast<LONG>(viewport.Height);
    DWORD count = rectCount > 0 ? rectCount : 1;
    for (DWORD i = 0; i < count; ++i)
    {
        LONG x1 = left, y1 = top, x2 = right, y2 = bottom;
        if (rectCount > 0)
        {
            x1 = std::max(x1, rects[i].x1);
            y1 = std::max(y1, rects[i].y1);
            x2 = std::min(x2, rects[i].x2);
            y2 = std::min(y2, rects[i].y2);
        }
        if (x2 <= x1 || y2 <= y1)
            continue;
        // GL counts rows from the bottom.
        glScissor(x1, static_cast<GLint>(height) - y2, x2 - x1, y2 - y1);
        glClear(bits);
    }
    glDisable(GL_SCISSOR_TEST);
    return D3D_OK;
}

HRESULT GlDevice::BeginScene()
{
    if (inScene)
        return D3DERR_INVALIDCALL;
    inScene = true;
    return D3D_OK;
}

HRESULT GlDevice::EndScene()
{
    if (!inScene)
        return D3DERR_INVALIDCALL;
    inScene = false;
    return D3D_OK;
}

HRESULT GlDevice::Present(const RECT*, const RECT*, HWND, const void*)
{
    FlushBatch();
    MakeCurrent();
    if (framebuffer)
    {
        int drawableWidth = 0;
        int drawableHeight = 0;
        SDL_GL_GetDrawableSize(window, &drawableWidth, &drawableHeight);
        glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer);
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
        bool sameSize =
            drawableWidth == static_cast<int>(width) && drawableHeight == static_cast<int>(height);
        glBlitFramebuffer(0, 0, static_cast<GLint>(width), static_cast<GLint>(height), 0, 0,
                          drawableWidth, drawableHeight, GL_COLOR_BUFFER_BIT,
                          sameSize ? GL_NEAREST : GL_LINEAR);
    }
    EndFrame();
    SDL_GL_SwapWindow(window);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    return D3D_OK;
}

void GlDevice::EndFrame()
{
    // The swap of an EGL pbuffer (the window of SDL's offscreen driver) is a
    // no-op that hands the driver nothing, and a swap need not wait for the
    // driver: without the flush and the wait, the driver keeps the draws of
    // every frame queued behind it, in memory.
    if (!frameFencing)
    {
        glFinish();
        return;
    }
    const GLuint64 kWaitNs = 1000000000;
    GLsync& oldest = frameFences[frameFence];
    if (oldest)
    {
        glClientWaitSync(oldest, GL_SYNC_FLUSH_COMMANDS_BIT, kWaitNs);
        glDeleteSync(oldest);
    }
    oldest = glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
    frameFence = (frameFence + 1) % kFramesInFlight;
    glFlush();
}

HRESULT GlDevice::SetLight(DWORD index, const D3DLIGHT9* light)
{
    if (!light || index >= static_cast<DWORD>(kLightCount))
        return D3DERR_INVALIDCALL;
    if (light->Type != D3DLIGHT_POINT && light->Type != D3DLIGHT_SPOT &&
        light->Type != D3DLIGHT_DIRECTIONAL)
        return D3DERR_INVALIDCALL;
    // The game hands over its lights every frame, mostly unchanged.
    if (memcmp(&lights[index], light, sizeof(D3DLIGHT9)) == 0)
        return D3D_OK;
    BeforeChange(true);
    lights[index] = *light;
    ++lightsVersion;
    return D3D_OK;
}

HRESULT GlDevice::LightEnable(DWORD index, BOOL enable)
{
    if (index >= static_cast<DWORD>(kLightCount))
        return D3DERR_INVALIDCALL;
    if (lightEnabled[index] == (enable != FALSE))
        return D3D_OK;
    BeforeChange(true);
    lightEnabled[index] = enable != FALSE;
    ++lightsVersion;
    return D3D_OK;
}

HRESULT GlDevice::SetMaterial(const D3DMATERIAL9* newMaterial)
{
    if (!newMaterial)
        return D3DERR_INVALIDCALL;
    if (memcmp(&material, newMaterial, sizeof(material)) == 0)
        return D3D_OK;
    BeforeChange(true);
    material = *newMaterial;
    ++materialVersion;
    return D3D_OK;
}

HRESULT GlDevice::SetTexture(DWORD stage, IDirect3DBaseTexture9* texture)
{
    if (stage >= static_cast<DWORD>(kStageCount))
        return D3DERR_INVALIDCALL;
    GlTexture* glTexture = static_cast<GlTexture*>(texture);
    BeforeChange(glTexture != textures[stage]);
    if (glTexture)
        glTexture->AddRef();
    GlTexture* old = textures[stage];
    textures[stage] = glTexture;
    if (old)
        old->Release();
    return D3D_OK;
}

HRESULT GlDevice::SetFVF(DWORD newFvf)
{
    BeforeChange(newFvf != fvf);
    fvf = newFvf;
    return D3D_OK;
}

HRESULT GlDevice::SetVertexShader(void* shader)
{
    return shader ? D3DERR_INVALIDCALL : D3D_OK;
}

HRESULT GlDevice::SetPixelShader(void* shader)
{
    return shader ? D3DERR_INVALIDCALL : D3D_OK;
}

HRESULT GlDevice::SetStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer, UINT offset,
                                  UINT stride)
{
    if (stream != 0)
        return D3DERR_INVALIDCALL;
    GlVertexBuffer* glBuffer = static_cast<GlVertexBuffer*>(buffer);
    if (glBuffer)
        glBuffer->AddRef();
    if (streamSource)
        streamSource->Release();
    streamSource = glBuffer;
    streamOffset = offset;
    streamStride = stride;
    return D3D_OK;
}

HRESULT GlDevice::SetIndices(IDirect3DIndexBuffer9* indices)
{
    GlIndexBuffer* glIndices = static_cast<GlIndexBuffer*>(indices);
    if (glIndices)
        glIndices->AddRef();
    if (indexBuffer)
        indexBuffer->Release();
    indexBuffer = glIndices;
    return D3D_OK;
}

HRESULT GlDevice::CreateVertexBuffer(UINT length, DWORD usage, DWORD bufferFvf, D3DPOOL,
                                     IDirect3DVertexBuffer9** buffer, void*)
{
    if (!buffer)
        return D3DERR_INVALIDCALL;
    *buffer = nullptr;
    if (length == 0)
        return D3DERR_INVALIDCALL;
    if (bufferFvf != 0)
    {
        FvfLayout layout = DecodeFvf(bufferFvf);
        if (!layout.valid || length < static_cast<UINT>(layout.size))
            return D3DERR_INVALIDCALL;
    }
    MakeCurrent();
    GlVertexBuffer* created = new GlVertexBuffer(this, length, usage);
    resources.push_back(created);
    if (!created->Create())
    {
        created->Release();
        return D3DERR_OUTOFVIDEOMEMORY;
    }
    *buffer = created;
    return D3D_OK;
}

HRESULT GlDevice::CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL,
                                    IDirect3DIndexBuffer9** buffer, void*)
{
    if (!buffer)
        return D3DERR_INVALIDCALL;
    *buffer = nullptr;
    if (length == 0 || (format != D3DFMT_INDEX16 && format != D3DFMT_INDEX32))
        return D3DERR_INVALIDCALL;
    MakeCurrent();
    GlIndexBuffer* created = new GlIndexBuffer(this, length, usage, format);
    resources.push_back(created);
    if (!created->Create())
    {
        created->Release();
        return D3DERR_OUTOFVIDEOMEMORY;
    }
    *buffer = created;
    return D3D_OK;
}

HRESULT GlDevice::CreateTexture(UINT textureWidth, UINT textureHeight, UINT levels, DWORD usage,
                                D3DFORMAT format, D3DPOOL pool, IDirect3DTexture9** texture, void*)
{
    if (!texture)
        return D3DERR_INVALIDCALL;
    *texture = nullptr;
    if (textureWidth == 0 || textureHeight == 0 || textureWidth > kMaxTextureSide ||
        textureHeight > kMaxTextureSide || TextureFormatBytes(format) == 0)
        return D3DERR_INVALIDCALL;
    // The texture's name is made in this device's context, whichever was
    // current before.
    MakeCurrent();
    GlTexture* created =
        new GlTexture(this, textureWidth, textureHeight, levels, usage, format, pool);
    resources.push_back(created);
    if (!created->Create())
    {
        created->Release();
        return D3DERR_OUTOFVIDEOMEMORY;
    }
    *texture = created;
    return D3D_OK;
}

HRESULT GlDevice::DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount)
{
    GLenum mode;
    UINT vertexCount;
    if (!streamSource || streamStride == 0 ||
        !PrimitiveMode(type, primitiveCount, mode, vertexCount))
        return D3DERR_INVALIDCALL;
    uint64_t end = streamOffset + (static_cast<uint64_t>(startVertex) + vertexCount) * streamStride;
    if (end > streamSource->Length())
        return D3DERR_INVALIDCALL;
    FlushBatch();
    size_t offset = streamOffset + static_cast<size_t>(startVertex) * streamStride;
    DrawSource vertices = {streamSource->Data() + offset, streamSource->Name(), offset};
    return Draw(type, primitiveCount, vertices, streamStride, vertexCount, nullptr, D3DFMT_UNKNOWN);
}

HRESULT GlDevice::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, int baseVertex, UINT minIndex,
                                       UINT vertexCount, UINT startIndex, UINT primitiveCount)
{
    GLenum mode;
    UINT indexCount;
    if (!streamSource || !indexBuffer || streamStride == 0 || vertexCount == 0 ||
        !PrimitiveMode(type, primitiveCount, mode, indexCount))
        return D3DERR_INVALIDCALL;
    if (static_cast<uint64_t>(startIndex) + indexCount > indexBuffer->IndexCount())
        return D3DERR_INVALIDCALL;
    int64_t base =
        static_cast<int64_t>(streamOffset) + static_cast<int64_t>(baseVertex) * streamStride;
    if (base < 0 || base > static_cast<int64_t>(streamSource->Length()))
        return D3DERR_INVALIDCALL;
    uint64_t available = (streamSource->Length() - static_cast<uint64_t>(base)) / streamStride;
    if (static_cast<uint64_t>(minIndex) + vertexCount > available)
        return D3DERR_INVALIDCALL;
    size_t indexOffset = static_cast<size_t>(startIndex) * indexBuffer->IndexSize();
    DrawSource indices = {indexBuffer->Data() + indexOffset, indexBuffer->Name(), indexOffset};
    // Every index must name a vertex inside the buffer: GL reads whatever it names.
    if (indexBuffer->MaxIndex() >= available)
    {
        for (UINT i = 0; i < indexCount; ++i)
        {
            if (IndexAt(indices.bytes, indexBuffer->Format(), i) >= available)
                return D3DERR_INVALIDCALL;
        }
    }
    FlushBatch();
    DrawSource vertices = {streamSource->Data() + base, streamSource->Name(),
                           static_cast<size_t>(base)};
    return Draw(type, primitiveCount, vertices, streamStride, minIndex + vertexCount, &indices,
                indexBuffer->Format());
}

HRESULT GlDevice::DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT primitiveCount, const void* vertices,
                                  UINT stride)
{
    GLenum mode;
    UINT vertexCount;
    if (!vertices || stride == 0 || !PrimitiveMode(type, primitiveCount, mode, vertexCount))
        return D3DERR_INVALIDCALL;
    FvfLayout layout = DecodeFvf(fvf);
    if (!layout.valid || stride < static_cast<UINT>(layout.size) || primitiveCount == 0)
        return D3DERR_INVALIDCALL;
    // The draw resets stream 0 either way.
    SetStreamSource(0, nullptr, 0, 0);
    if (Gather(type, primitiveCount, static_cast<const uint8_t*>(vertices), stride, 0, vertexCount,
               nullptr, D3DFMT_UNKNOWN))
        return D3D_OK;
    FlushBatch();
    return DrawStreamed(type, primitiveCount, vertices, VertexBytes(vertexCount, stride, layout),
                        stride, vertexCount, nullptr, 0, D3DFMT_UNKNOWN);
}

HRESULT GlDevice::DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE type, UINT minIndex, UINT vertexCount,
                                         UINT primitiveCount, const void* indices,
                                         D3DFORMAT indexFormat, const void* vertices, UINT stride)
{
    GLenum mode;
    UINT indexCount;
    if (!indices || !vertices || stride == 0 || vertexCount == 0 ||
        (indexFormat != D3DFMT_INDEX16 && indexFormat != D3DFMT_INDEX32) ||
        !PrimitiveMode(type, primitiveCount, mode, indexCount))
        return D3DERR_INVALIDCALL;
    for (UINT i = 0; i < indexCount; ++i)
    {
        UINT index = IndexAt(indices, indexFormat, i);
        if (index < minIndex || index >= minIndex + vertexCount)
            return D3DERR_INVALIDCALL;
    }
    FvfLayout layout = DecodeFvf(fvf);
    if (!layout.valid || stride < static_cast<UINT>(layout.size) || primitiveCount == 0)
        return D3DERR_INVALIDCALL;
    // The draw resets stream 0 and the indices either way.
    SetStreamSource(0, nullptr, 0, 0);
    SetIndices(nullptr);
    if (Gather(type, primitiveCount, static_cast<const uint8_t*>(vertices), stride, minIndex,
               vertexCount, indices, indexFormat))
        return D3D_OK;
    FlushBatch();
    return DrawStreamed(
        type, primitiveCount, vertices, VertexBytes(minIndex + vertexCount, stride, layout), stride,
        minIndex + vertexCount, indices,
        static_cast<size_t>(indexCount) * (indexFormat == D3DFMT_INDEX32 ? 4 : 2), indexFormat);
}

HRESULT GlDevice::DrawStreamed(D3DPRIMITIVETYPE type, UINT primitiveCount, const void* vertices,
                               size_t vertexBytes, UINT stride, UINT vertexCount,
                               const void* indices, size_t indexBytes, D3DFORMAT indexFormat)
{
    MakeCurrent();
    ReserveStream(vertexBytes + indexBytes + ScreenPositionBytes(vertexCount, DecodeFvf(fvf)) +
                  (indices ? 3 : 2) * kStreamAlignment);
    DrawSource vertexSource = Stream(vertices, vertexBytes);
    if (!indices)
        return Draw(type, primitiveCount, vertexSource, stride, vertexCount, nullptr,
                    D3DFMT_UNKNOWN);
    DrawSource indexSource = Stream(indices, indexBytes);
    return Draw(type, primitiveCount, vertexSource, stride, vertexCount, &indexSource, indexFormat);
}

bool GlDevice::BatchReadsTransforms() const
{
    return batch.open && !DecodeFvf(fvf).pretransformed;
}

bool GlDevice::Gather(D3DPRIMITIVETYPE type, UINT primitiveCount, const uint8_t* vertices,
                      UINT stride, UINT firstVertex, UINT vertexCount, const void* indices,
                      D3DFORMAT indexFormat)
{
    const bool lines = type == D3DPT_LINELIST || type == D3DPT_LINESTRIP;
    if (type == D3DPT_POINTLIST || vertexCount > 0x10000)
        return false;
    const FvfLayout layout = DecodeFvf(fvf);
    // Screen vertices read no world transform; the others are drawn under the
    // batch's (a world set anew draws the batch first).
    const bool sameWorld = layout.pretransformed || SameMatrix(world, batch.world);
    if (batch.open && (batch.lines != lines || batch.stride != stride ||
                       batch.vertexCount + vertexCount > 0x10000 || !sameWorld))
        FlushBatch();
    if (!batch.open)
    {
        batch.open = true;
        batch.lines = lines;
        batch.stride = stride;
        batch.world = world;
    }

    const UINT first = batch.vertexCount;
    const size_t at = batch.vertices.size();
    batch.vertices.resize(at + static_cast<size_t>(vertexCount) * stride);
    memcpy(&batch.vertices[at], vertices + static_cast<size_t>(firstVertex) * stride,
           VertexBytes(vertexCount, stride, layout));
    batch.vertexCount += vertexCount;
    AppendListIndices(type, primitiveCount, indices, indexFormat, firstVertex, first,
                      batch.indices);
    return true;
}

void GlDevice::FlushBatch()
{
    if (!batch.open)
        return;
    batch.open = false;
    if (!batch.indices.empty())
    {
        const UINT corners = batch.lines ? 2 : 3;
        DrawStreamed(batch.lines ? D3DPT_LINELIST : D3DPT_TRIANGLELIST,
                     static_cast<UINT>(batch.indices.size()) / corners, batch.vertices.data(),
                     batch.vertices.size(), batch.stride, batch.vertexCount, batch.indices.data(),
                     batch.indices.size() * sizeof(uint16_t), D3DFMT_INDEX16);
    }
    batch.vertices.clear();
    batch.indices.clear();
    batch.vertexCount = 0;
}

HRESULT GlDevice::Draw(D3DPRIMITIVETYPE type, UINT primitiveCount, const DrawSource& vertices,
                       UINT stride, UINT vertexCount, const DrawSource* indices,
                       D3DFORMAT indexFormat)
{
    GLenum mode;
    UINT count;
    FvfLayout layout = DecodeFvf(fvf);
    if (!layout.valid || stride < static_cast<UINT>(layout.size) || primitiveCount == 0 ||
        !PrimitiveMode(type, primitiveCount, mode, count))
        return D3DERR_INVALIDCALL;

    // Screen-space positions are converted for every vertex an index names.
    if (layout.pretransformed && indices)
    {
        for (UINT i = 0; i < count; ++i)
            vertexCount = std::max(vertexCount, IndexAt(indices->bytes, indexFormat, i) + 1);
    }
    MakeCurrent();
    ApplyState(layout);
    BindBuffer(GL_ARRAY_BUFFER, vertices.buffer);
    ApplyStages(layout, vertices, stride);
    SetArrays(layout, vertices, stride, vertexCount);
    if (indices)
    {
        // Not a range draw: the indices were checked against the vertices,
        // not against the range the caller declared.
        BindBuffer(GL_ELEMENT_ARRAY_BUFFER, indices->buffer);
        glDrawElements(mode, static_cast<GLsizei>(count),
                       indexFormat == D3DFMT_INDEX32 ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT,
                       reinterpret_cast<const void*>(indices->offset));
    }
    else
        glDrawArrays(mode, 0, static_cast<GLsizei>(count));
    return D3D_OK;
}

void GlDevice::ApplyState(const FvfLayout& layout)
{
    bool screen = layout.pretransformed;

    bool depthTest = renderStates[D3DRS_ZENABLE] != D3DZB_FALSE && depthFormat != D3DFMT_UNKNOWN;
    Toggle(GL_DEPTH_TEST, depthTest, shadow.depthTest);
    int8_t depthMask = renderStates[D3DRS_ZWRITEENABLE] ? 1 : 0;
    if (shadow.depthMask != depthMask)
    {
        glDepthMask(depthMask ? GL_TRUE : GL_FALSE);
        shadow.depthMask = depthMask;
    }
    GLenum depthFunc = CompareFunction(renderStates[D3DRS_ZFUNC]);
    if (shadow.depthFunc != depthFunc)
    {
        glDepthFunc(depthFunc);
        shadow.depthFunc = depthFunc;
    }

    bool alphaTest = renderStates[D3DRS_ALPHATESTENABLE] != FALSE;
    Toggle(GL_ALPHA_TEST, alphaTest, shadow.alphaTest);
    if (alphaTest)
    {
        GLenum func = CompareFunction(renderStates[D3DRS_ALPHAFUNC]);
        float ref = AlphaReference(renderStates[D3DRS_ALPHAFUNC], renderStates[D3DRS_ALPHAREF]);
        if (shadow.alphaFunc != func || shadow.alphaRef != ref)
        {
            glAlphaFunc(func, ref);
            shadow.alphaFunc = func;
            shadow.alphaRef = ref;
        }
    }

    bool blend = renderStates[D3DRS_ALPHABLENDENABLE] != FALSE;
    Toggle(GL_BLEND, blend, shadow.blend);
    if (blend)
    {
        GLenum source = BlendFactor(renderStates[D3DRS_SRCBLEND]);
        GLenum dest = BlendFactor(renderStates[D3DRS_DESTBLEND]);
        if (shadow.blendSource != source || shadow.blendDest != dest)
        {
            glBlendFunc(source, dest);
            shadow.blendSource = source;
            shadow.blendDest = dest;
        }
    }

    // D3DCULL_CCW removes triangles that wind counter-clockwise on screen.
    // Our target is not flipped, so screen winding is GL's window winding.
    DWORD cull = renderStates[D3DRS_CULLMODE];
    Toggle(GL_CULL_FACE, cull == D3DCULL_CW || cull == D3DCULL_CCW, shadow.cull);
    if (cull == D3DCULL_CW || cull == D3DCULL_CCW)
    {
        GLenum front = cull == D3DCULL_CCW ? GL_CW : GL_CCW;
        if (shadow.frontFace != front)
        {
            glFrontFace(front);
            glCullFace(GL_BACK);
            shadow.frontFace = front;
        }
    }

    // Screen-space vertices are never lit or fogged.
    bool lit = renderStates[D3DRS_LIGHTING] != FALSE && !screen;
    Toggle(GL_LIGHTING, lit, shadow.lighting);
    if (lit)
    {
        ApplyLights();
        bool colorMaterial = layout.diffuse >= 0;
        if (shadow.colorMaterial == 1 && !colorMaterial)
            shadow.materialVersion = 0; // the tracked colour overwrote the material's diffuse
        Toggle(GL_COLOR_MATERIAL, colorMaterial, shadow.colorMaterial);
        if (shadow.materialVersion != materialVersion)
        {
            float value[4];
            ColorValue(material.Diffuse, value);
            glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, value);
            ColorValue(material.Ambient, value);
            glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, value);
            ColorValue(material.Emissive, value);
            glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, value);
            // Specular lighting is off on the device.
            const float zero[4] = {0, 0, 0, 0};
            glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, zero);
            glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS,
                        std::min(128.0f, std::max(0.0f, material.Power)));
            shadow.materialVersion = materialVersion;
        }
        if (shadow.ambientVersion != ambientVersion)
        {
            float ambient[4];
            ColorFloats(renderStates[D3DRS_AMBIENT], ambient);
            glLightModelfv(GL_LIGHT_MODEL_AMBIENT, ambient);
            shadow.ambientVersion = ambientVersion;
        }
    }

    bool fog = !screen && renderStates[D3DRS_FOGENABLE] != FALSE &&
               renderStates[D3DRS_FOGVERTEXMODE] == D3DFOG_LINEAR;
    Toggle(GL_FOG, fog, shadow.fog);
    if (fog && shadow.fogVersion != fogVersion)
    {
        float color[4];
        ColorFloats(renderStates[D3DRS_FOGCOLOR], color);
        glFogi(GL_FOG_MODE, GL_LINEAR);
        glFogf(GL_FOG_START, BitsFloat(renderStates[D3DRS_FOGSTART]));
        glFogf(GL_FOG_END, BitsFloat(renderStates[D3DRS_FOGEND]));
        glFogfv(GL_FOG_COLOR, color);
        shadow.fogVersion = fogVersion;
    }

    ApplyTransforms(screen);
}

void GlDevice::ApplyTransforms(bool screen)
{
    if (shadow.viewportVersion != viewportVersion ||
        shadow.viewportScreen != static_cast<int8_t>(screen))
    {
        // GL counts viewport rows from the bottom of the target.
        glViewport(static_cast<GLint>(viewport.X),
                   static_cast<GLint>(height - viewport.Y - viewport.Height),
                   static_cast<GLsizei>(viewport.Width), static_cast<GLsizei>(viewport.Height));
        // Screen-space z is the depth value itself.
        if (screen)
            glDepthRange(0.0, 1.0);
        else
            glDepthRange(viewport.MinZ, viewport.MaxZ);
        shadow.viewportVersion = viewportVersion;
        shadow.viewportScreen = static_cast<int8_t>(screen);
        shadow.projectionMode = 0;
    }

    if (screen)
    {
        if (shadow.projectionMode != 2)
        {
            // Pixels with the origin at the top left of the viewport, z 0..1
            // to depth 0..1. No half-pixel shift: integer-cornered quads cover
            // the same pixels as on Direct3D.
            glMatrixMode(GL_PROJECTION);
            glLoadIdentity();
            glOrtho(viewport.X, viewport.X + viewport.Width, viewport.Y + viewport.Height,
                    viewport.Y, 0.0, -1.0);
            shadow.projectionMode = 2;
        }
        if (shadow.modelviewMode != 2)
        {
            glMatrixMode(GL_MODELVIEW);
            glLoadIdentity();
            shadow.modelviewMode = 2;
        }
        return;
    }

    if (shadow.projectionMode != 1 || shadow.projectionVersion != projectionVersion)
    {
        // Direct3D clips z to [0, w], GL to [-w, w]: z' = 2z - w.
        const float depthFix[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 2, 0, 0, 0, -1, 1};
        float matrix[16];
        Multiply(&projection.m[0][0], depthFix, matrix);
        glMatrixMode(GL_PROJECTION);
        glLoadMatrixf(matrix);
        shadow.projectionMode = 1;
        shadow.projectionVersion = projectionVersion;
    }
    if (shadow.modelviewMode != 1 || shadow.worldVersion != worldVersion ||
        shadow.viewVersion != viewVersion)
    {
        // Row-major row-vector matrices load as GL's column-major ones as they are.
        float matrix[16];
        Multiply(&world.m[0][0], &view.m[0][0], matrix);
        glMatrixMode(GL_MODELVIEW);
        glLoadMatrixf(matrix);
        shadow.modelviewMode = 1;
        shadow.worldVersion = worldVersion;
        shadow.viewVersion = viewVersion;
    }
}

void GlDevice::ApplyLights()
{
    if (shadow.lightsVersion == lightsVersion && shadow.lightsViewVersion == viewVersion)
        return;
    // Direct3D lights are in world space: GL takes them through the view alone.
    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixf(&view.m[0][0]);
    shadow.modelviewMode = 0;
    for (int i = 0; i < kLightCount; ++i)
    {
        GLenum id = static_cast<GLenum>(GL_LIGHT0 + i);
        if (!lightEnabled[i])
        {
            glDisable(id);
            continue;
        }
        const D3DLIGHT9& light = lights[i];
        float value[4];
        ColorValue(light.Diffuse, value);
        glLightfv(id, GL_DIFFUSE, value);
        ColorValue(light.Ambient, value);
        glLightfv(id, GL_AMBIENT, value);
        if (light.Type == D3DLIGHT_DIRECTIONAL)
        {
            const float direction[4] = {-light.Direction.x, -light.Direction.y, -light.Direction.z,
                                        0.0f};
            glLightfv(id, GL_POSITION, direction);
            glLightf(id, GL_SPOT_CUTOFF, 180.0f);
            glLightf(id, GL_CONSTANT_ATTENUATION, 1.0f);
            glLightf(id, GL_LINEAR_ATTENUATION, 0.0f);
            glLightf(id, GL_QUADRATIC_ATTENUATION, 0.0f);
        }
        else
        {
            const float position[4] = {light.Position.x, light.Position.y, light.Position.z, 1.0f};
            glLightfv(id, GL_POSITION, position);
            glLightf(id, GL_CONSTANT_ATTENUATION, light.Attenuation0);
            glLightf(id, GL_LINEAR_ATTENUATION, light.Attenuation1);
            glLightf(id, GL_QUADRATIC_ATTENUATION, light.Attenuation2);
            if (light.Type == D3DLIGHT_SPOT)
            {
                const float direction[3] = {light.Direction.x, light.Direction.y,
                                            light.Direction.z};
                glLightfv(id, GL_SPOT_DIRECTION, direction);
                // Phi is the outer cone's full angle; the fall-off only approximates.
                float cutoff = light.Phi * 0.5f * 57.29578f;
                glLightf(id, GL_SPOT_CUTOFF, std::min(90.0f, std::max(0.0f, cutoff)));
                glLightf(id, GL_SPOT_EXPONENT, std::min(128.0f, std::max(0.0f, light.Falloff)));
            }
            else
                glLightf(id, GL_SPOT_CUTOFF, 180.0f);
        }
        glEnable(id);
    }
    shadow.lightsVersion = lightsVersion;
    shadow.lightsViewVersion = viewVersion;
}

void GlDevice::ApplySampler(int stage, GlTexture* texture)
{
    GLint minFilter =
        MinFilter(samplerStates[stage][D3DSAMP_MINFILTER], samplerStates[stage][D3DSAMP_MIPFILTER]);
    GLint magFilter =
        samplerStates[stage][D3DSAMP_MAGFILTER] == D3DTEXF_LINEAR ? GL_LINEAR : GL_NEAREST;
    if (texture->appliedMinFilter != minFilter)
    {
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, minFilter);
        texture->appliedMinFilter = minFilter;
    }
    if (texture->appliedMagFilter != magFilter)
    {
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, magFilter);
        texture->appliedMagFilter = magFilter;
    }
}

void GlDevice::ApplyStages(const FvfLayout& layout, const DrawSource& vertices, UINT stride)
{
    // The levels the draw may sample get their pixels first (handing them
    // over binds the texture for the transfer).
    for (int unit = 0; unit < kStageCount; ++unit)
    {
        GlTexture* texture = textures[unit];
        if (!texture)
            continue;
        DWORD mip = samplerStates[unit][D3DSAMP_MIPFILTER];
        bool mipmapped = mip == D3DTEXF_POINT || mip == D3DTEXF_LINEAR;
        if (mipmapped)
            texture->BuildMips();
        texture->ZeroUnwritten(mipmapped);
    }

    // A disabled stage ends the chain; a stage without a texture passes its
    // input on unchanged, as an untextured draw.
    bool chain = true;
    for (int unit = 0; unit < kStageCount; ++unit)
    {
        const DWORD* states = stageStates[unit];
        if (states[D3DTSS_COLOROP] == D3DTOP_DISABLE)
            chain = false;
        GlTexture* texture = textures[unit];
        bool sample = chain && texture && texture->Name() != 0;
        int8_t enabled = static_cast<int8_t>(sample);
        if (shadow.unitEnabled[unit] != enabled)
        {
            ActiveUnit(unit);
            if (sample)
                glEnable(GL_TEXTURE_2D);
            else
                glDisable(GL_TEXTURE_2D);
            shadow.unitEnabled[unit] = enabled;
        }
        if (!sample)
        {
            if (shadow.texCoordArray[unit] != 0)
            {
                ClientUnit(unit);
                glDisableClientState(GL_TEXTURE_COORD_ARRAY);
                shadow.texCoordArray[unit] = 0;
            }
            continue;
        }

        ActiveUnit(unit);
        if (shadow.unitTexture[unit] != texture->Name())
        {
            glBindTexture(GL_TEXTURE_2D, texture->Name());
            shadow.unitTexture[unit] = texture->Name();
        }
        ApplySampler(unit, texture);

        StageKey key;
        StageCombine(states[D3DTSS_COLOROP], states[D3DTSS_COLORARG1], states[D3DTSS_COLORARG2],
                     key.colorCombine, key.colorSource0, key.colorSource1);
        StageCombine(states[D3DTSS_ALPHAOP], states[D3DTSS_ALPHAARG1], states[D3DTSS_ALPHAARG2],
                     key.alphaCombine, key.alphaSource0, key.alphaSource1);
        if (!(shadow.unitCombine[unit] == key))
        {
            glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB, key.colorCombine);
            glTexEnvi(GL_TEXTURE_ENV, GL_SRC0_RGB, key.colorSource0);
            glTexEnvi(GL_TEXTURE_ENV, GL_SRC1_RGB, key.colorSource1);
            glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_ALPHA, key.alphaCombine);
            glTexEnvi(GL_TEXTURE_ENV, GL_SRC0_ALPHA, key.alphaSource0);
            glTexEnvi(GL_TEXTURE_ENV, GL_SRC1_ALPHA, key.alphaSource1);
            shadow.unitCombine[unit] = key;
        }

        int set = static_cast<int>(states[D3DTSS_TEXCOORDINDEX] & 0xFFFF);
        ClientUnit(unit);
        if (set < layout.texSets)
        {
            glTexCoordPointer(2, GL_FLOAT, static_cast<GLsizei>(stride),
                              BufferOffset(vertices.offset + layout.texCoord[set]));
            SetClientArray(GL_TEXTURE_COORD_ARRAY, shadow.texCoordArray[unit], true);
        }
        else
        {
            // A set the vertex lacks reads as (0, 0).
            SetClientArray(GL_TEXTURE_COORD_ARRAY, shadow.texCoordArray[unit], false);
            glMultiTexCoord4f(static_cast<GLenum>(GL_TEXTURE0 + unit), 0, 0, 0, 1);
        }
    }
}

void GlDevice::SetArrays(const FvfLayout& layout, const DrawSource& vertices, UINT stride,
                         UINT vertexCount)
{
    if (layout.pretransformed)
    {
        // (x, y, z, rhw) in pixels becomes (x, y, z, 1) / rhw, so that the
        // divide gives the pixel back and rhw drives perspective correction.
        screenScratch.resize(static_cast<size_t>(vertexCount) * 4);
        for (UINT i = 0; i < vertexCount; ++i)
        {
            float position[4];
            memcpy(position, vertices.bytes + static_cast<size_t>(i) * stride, sizeof(position));
            float w = position[3] != 0.0f ? 1.0f / position[3] : 1.0f;
            screenScratch[i * 4 + 0] = position[0] * w;
            screenScratch[i * 4 + 1] = position[1] * w;
            screenScratch[i * 4 + 2] = position[2] * w;
            screenScratch[i * 4 + 3] = w;
        }
        DrawSource positions = Stream(screenScratch.data(), screenScratch.size() * sizeof(float));
        glVertexPointer(4, GL_FLOAT, 0, BufferOffset(positions.offset));
        BindBuffer(GL_ARRAY_BUFFER, vertices.buffer);
    }
    else
        glVertexPointer(3, GL_FLOAT, static_cast<GLsizei>(stride), BufferOffset(vertices.offset));

    if (layout.normal >= 0)
    {
        glNormalPointer(GL_FLOAT, static_cast<GLsizei>(stride),
                        BufferOffset(vertices.offset + layout.normal));
        SetClientArray(GL_NORMAL_ARRAY, shadow.normalArray, true);
    }
    else
    {
        SetClientArray(GL_NORMAL_ARRAY, shadow.normalArray, false);
        glNormal3f(0, 0, 0);
    }

    if (layout.diffuse >= 0)
    {
        // D3DCOLOR sits in memory as B, G, R, A.
        glColorPointer(GL_BGRA, GL_UNSIGNED_BYTE, static_cast<GLsizei>(stride),
                       BufferOffset(vertices.offset + layout.diffuse));
        SetClientArray(GL_COLOR_ARRAY, shadow.colorArray, true);
    }
    else
    {
        SetClientArray(GL_COLOR_ARRAY, shadow.colorArray, false);
        glColor4f(1, 1, 1, 1);
    }
}

void GlDevice::ReadPixels(std::vector<uint32_t>& pixels, int& outWidth, int& outHeight)
{
    FlushBatch();
    MakeCurrent();
    outWidth = static_cast<int>(width);
    outHeight = static_cast<int>(height);
    std::vector<uint32_t> rows(static_cast<size_t>(width) * height);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer);
    glReadPixels(0, 0, static_cast<GLsizei>(width), static_cast<GLsizei>(height), GL_BGRA,
                 GL_UNSIGNED_BYTE, rows.data());
    pixels.resize(rows.size());
    for (UINT y = 0; y < height; ++y)
        memcpy(&pixels[static_cast<size_t>(y) * width],
               &rows[static_cast<size_t>(height - 1 - y) * width], width * sizeof(uint32_t));
}

TestFrame TestReadFrame(IDirect3DDevice9* device)
{
    TestFrame frame;
    if (device)
        static_cast<GlDevice*>(device)->ReadPixels(frame.pixels, frame.width, frame.height);
    return frame;
}
