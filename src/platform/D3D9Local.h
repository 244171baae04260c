// Private to the Direct3D layer: the OpenGL-backed device, buffers and
// textures, and the pixel format helpers they share.
#pragma once

#include "platform/D3D9.h"

#include <epoxy/gl.h>

#include <cstddef>
#include <cstdint>
#include <vector>

struct SDL_Window;
class GlDevice;

// Bytes per pixel of a texture format, 0 for formats a texture cannot have.
int TextureFormatBytes(D3DFORMAT format);
// Converts count pixels between a texture format and 32-bit BGRA bytes
// (B, G, R, A in memory, i.e. little-endian A8R8G8B8 words).
void PackPixels(D3DFORMAT format, const uint8_t* bgra, uint8_t* out, size_t count);
void UnpackPixels(D3DFORMAT format, const uint8_t* in, uint8_t* bgra, size_t count);

// The largest texture side this layer accepts, whatever GL would allow.
const UINT kMaxTextureSide = 8192;
// Fixed-function stages and lights this layer drives.
const int kStageCount = 4;
const int kLightCount = 8;
// No buffer object has this name; the device's shadow starts with it.
const GLuint kUnknownBuffer = 0xFFFFFFFFu;
// Pieces of the streaming buffer start on this boundary, which suits every
// attribute and index type.
const size_t kStreamAlignment = 16;
// Presented frames the driver may still be working on when Present returns;
// Present waits for the oldest before it lets another one queue.
const int kFramesInFlight = 2;

// The capabilities of the one adapter, which the device reports as well.
void FillDeviceCaps(D3DCAPS9* caps);

// Index i of an index array in the given format (16 or 32 bits).
UINT IndexAt(const void* indices, D3DFORMAT format, UINT i);

// GL storage of a texture; the level-0 pixels are read back from GL when the
// texture is locked and uploaded again when it is unlocked. The levels below
// are made from level 0 when a draw first samples them through a mip filter:
// no time goes into levels that nothing draws (a picture only ever magnified,
// or drawn without mip filtering).
class GlTexture : public IDirect3DTexture9
{
public:
    GlTexture(GlDevice* device, UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
              D3DPOOL pool);

    ULONG AddRef() override;
    ULONG Release() override;
    DWORD GetLevelCount() override;
    void GenerateMipSubLevels() override;
    HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) override;
    HRESULT LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) override;
    HRESULT UnlockRect(UINT level) override;

    // Makes the GL texture with zeroed levels; false when GL refuses it.
    bool Create();
    // GenerateMipSubLevels was called since level 0 last changed, and the
    // levels below do not follow it yet.
    bool MipsPending() const { return mipsPending; }
    // Makes every level below the top from level 0, when they were asked to
    // follow it: 32-bit formats here, the others by the driver.
    void BuildMips();
    // Hands GL the zeros of level 0, and with lowerLevels of the levels
    // below, where nothing was written yet: before a draw samples them.
    void ZeroUnwritten(bool lowerLevels);
    // The device is going away: GL names die with the context.
    void Orphan();

    GLuint Name() const { return name; }
    UINT Width() const { return width; }
    UINT Height() const { return height; }
    D3DFORMAT Format() const { return format; }

    // Filter parameters last given to GL for this texture (GL keeps sampler
    // state per texture, Direct3D per stage).
    GLint appliedMinFilter = -1;
    GLint appliedMagFilter = -1;

private:
    ~GlTexture() override;

    ULONG refCount = 1;
    GlDevice* device;
    GLuint name = 0;
    UINT width;
    UINT height;
    UINT levels;
    DWORD usage;
    D3DFORMAT format;
    D3DPOOL pool;
    bool locked = false;
    bool lockedReadOnly = false;
    std::vector<uint8_t> lockedPixels;
    // Level 0 was written since the levels below were last made.
    bool topChanged = false;
    // Level 0 as last unlocked, for a 32-bit format, kept while the levels
    // below may still be asked to follow it.
    std::vector<uint8_t> topLevel;
    bool mipsPending = false;
    // GL holds written (or zeroed) pixels in level 0, in the levels below.
    bool topWritten = false;
    bool lowerWritten = false;
};

// A vertex or index buffer: a GL buffer object that draws read from, and a
// copy of its bytes in memory, as Direct3D's managed pool keeps one, for
// locks, the checks made before a draw and screen-space vertices. What the
// locks may have changed goes to GL when the last lock ends.
template <class Interface> class GlBuffer : public Interface
{
public:
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags) override;
    HRESULT Unlock() override;

    // Makes the GL buffer object holding the (zeroed) bytes; false when GL
    // refuses it.
    bool Create();
    // The device is going away: GL names die with the context.
    void Orphan()
    {
        device = nullptr;
        name = 0;
    }

    const uint8_t* Data() const { return data.data(); }
    UINT Length() const { return static_cast<UINT>(data.size()); }
    GLuint Name() const { return name; }

protected:
    // target is GL_ARRAY_BUFFER or GL_ELEMENT_ARRAY_BUFFER.
    GlBuffer(GlDevice* device, UINT length, DWORD usage, GLenum target)
        : data(length), device(device), usage(usage), target(target)
    {
    }
    ~GlBuffer() override = default;
    // Called when the last lock ends, before the bytes go to GL.
    virtual void Unlocked() {}

    std::vector<uint8_t> data;

private:
    // New storage for the buffer object, holding all the bytes; the buffer
    // is bound.
    void StoreAll();

    ULONG refCount = 1;
    GlDevice* device;
    GLuint name = 0;
    DWORD usage;
    GLenum target;
    UINT locks = 0;
    // Bytes written through locks since the last upload; empty when equal.
    UINT dirtyBegin = 0;
    UINT dirtyEnd = 0;
};

class GlVertexBuffer : public GlBuffer<IDirect3DVertexBuffer9>
{
public:
    GlVertexBuffer(GlDevice* device, UINT length, DWORD usage);

private:
    ~GlVertexBuffer() override;
};

class GlIndexBuffer : public GlBuffer<IDirect3DIndexBuffer9>
{
public:
    GlIndexBuffer(GlDevice* device, UINT length, DWORD usage, D3DFORMAT format);

    UINT IndexCount() const;
    UINT IndexSize() const { return format == D3DFMT_INDEX32 ? 4 : 2; }
    D3DFORMAT Format() const { return format; }
    // Largest index in the buffer, as of the last unlock.
    UINT MaxIndex() const { return maxIndex; }

private:
    ~GlIndexBuffer() override;
    void Unlocked() override;

    D3DFORMAT format;
    UINT maxIndex = 0;
};

// Layout of one flexible vertex format: byte offsets, -1 where absent.
struct FvfLayout
{
    bool valid = false;
    bool pretransformed = false;
    int size = 0;
    int normal = -1;
    int diffuse = -1;
    int texSets = 0;
    int texCoord[8] = {};
};
FvfLayout DecodeFvf(DWORD fvf);

class GlDevice : public IDirect3DDevice9
{
public:
    GlDevice(SDL_Window* window, void* context, UINT width, UINT height, D3DFORMAT backBufferFormat,
             D3DFORMAT depthFormat, UINT presentInterval);

    // Sets up the render target and the Direct3D default states; false when
    // the GL context lacks what the layer needs.
    bool Create();

    ULONG AddRef() override;
    ULONG Release() override;

    HRESULT GetDeviceCaps(D3DCAPS9* caps) override;
    HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override;
    HRESULT SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) override;
    HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) override;
    HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) override;
    HRESULT SetViewport(const D3DVIEWPORT9* viewport) override;
    HRESULT Clear(DWORD rectCount, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                  DWORD stencil) override;
    HRESULT BeginScene() override;
    HRESULT EndScene() override;
    HRESULT Present(const RECT* sourceRect, const RECT* destRect, HWND destWindowOverride,
                    const void* dirtyRegion) override;
    HRESULT SetLight(DWORD index, const D3DLIGHT9* light) override;
    HRESULT LightEnable(DWORD index, BOOL enable) override;
    HRESULT SetMaterial(const D3DMATERIAL9* material) override;
    HRESULT SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) override;
    HRESULT SetFVF(DWORD fvf) override;
    HRESULT SetVertexShader(void* shader) override;
    HRESULT SetPixelShader(void* shader) override;
    HRESULT SetStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer, UINT offset,
                            UINT stride) override;
    HRESULT SetIndices(IDirect3DIndexBuffer9* indices) override;
    HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount) override;
    HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE type, int baseVertex, UINT minIndex,
                                 UINT vertexCount, UINT startIndex, UINT primitiveCount) override;
    HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT primitiveCount, const void* vertices,
                            UINT stride) override;
    HRESULT DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE type, UINT minIndex, UINT vertexCount,
                                   UINT primitiveCount, const void* indices, D3DFORMAT indexFormat,
                                   const void* vertices, UINT stride) override;
    HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                               IDirect3DVertexBuffer9** buffer, void* shared) override;
    HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                              IDirect3DIndexBuffer9** buffer, void* shared) override;
    HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                          D3DPOOL pool, IDirect3DTexture9** texture, void* shared) override;

    // Resources tell the device when they die, so it can orphan the living
    // ones when it goes first.
    void Forget(IUnknown* resource);
    // Makes this device's GL context the current one.
    void MakeCurrent();
    // Binds a texture on unit 0 for an upload or read-back outside drawing.
    void BindForTransfer(GlTexture* texture);
    // Binds a buffer object to GL_ARRAY_BUFFER or GL_ELEMENT_ARRAY_BUFFER.
    void BindBuffer(GLenum target, GLuint buffer);
    // Draws what the batch holds and empties it: before anything it reads
    // changes, such as a texture's levels.
    void FlushBatch();

    // Reads the render target: width * height ARGB words, top row first.
    void ReadPixels(std::vector<uint32_t>& pixels, int& width, int& height);

private:
    ~GlDevice() override;

    struct StageKey
    {
        GLint colorCombine = -1, colorSource0 = -1, colorSource1 = -1;
        GLint alphaCombine = -1, alphaSource0 = -1, alphaSource1 = -1;
        bool operator==(const StageKey& other) const;
    };
    // What this device last told GL, so unchanged state is not sent again.
    struct GlShadow
    {
        int8_t depthTest = -1, depthMask = -1, blend = -1, alphaTest = -1, cull = -1;
        int8_t lighting = -1, colorMaterial = -1, fog = -1;
        GLenum depthFunc = 0, blendSource = 0, blendDest = 0, alphaFunc = 0, frontFace = 0;
        float alphaRef = -1.0f;
        int8_t unitEnabled[kStageCount] = {-1, -1, -1, -1};
        GLuint unitTexture[kStageCount] = {};
        StageKey unitCombine[kStageCount];
        int8_t texCoordArray[kStageCount] = {-1, -1, -1, -1};
        int8_t normalArray = -1, colorArray = -1;
        int activeUnit = -1, clientUnit = -1;
        // Buffer objects bound; kUnknownBuffer until first bound.
        GLuint arrayBuffer = kUnknownBuffer, elementBuffer = kUnknownBuffer;
        // Matrices loaded: 0 unknown, 1 the 3D transforms at the versions
        // below, 2 screen pixels.
        int projectionMode = 0, modelviewMode = 0;
        int8_t viewportScreen = -1;
        uint64_t worldVersion = 0, viewVersion = 0, projectionVersion = 0, viewportVersion = 0;
        uint64_t lightsViewVersion = 0, lightsVersion = 0, materialVersion = 0;
        uint64_t fogVersion = 0, ambientVersion = 0;
    };

    // Where the data of one draw lies: its bytes in memory, and the buffer
    // object and byte offset GL reads them from.
    struct DrawSource
    {
        const uint8_t* bytes;
        GLuint buffer;
        size_t offset;
    };

    // User-pointer draws gathered into one indexed GL draw of triangles or
    // lines while nothing they read changes between them: text glyph by
    // glyph, GUI quads, quads under one world transform.
    struct Batch
    {
        bool open = false;
        bool lines = false;
        UINT stride = 0;
        UINT vertexCount = 0;
        D3DMATRIX world = {};
        std::vector<uint8_t> vertices;
        std::vector<uint16_t> indices;
    };
    // A user-pointer draw of vertexCount vertices from firstVertex on, with
    // its indices when indexed. Adds it to the batch, drawing the batch first
    // when it cannot take it; false for a draw that is never gathered.
    bool Gather(D3DPRIMITIVETYPE type, UINT primitiveCount, const uint8_t* vertices, UINT stride,
                UINT firstVertex, UINT vertexCount, const void* indices, D3DFORMAT indexFormat);
    // Draws the batch before a state that it reads changes.
    void BeforeChange(bool changes)
    {
        if (changes && batch.open)
            FlushBatch();
    }
    // The batch reads the world, view and projection: all but screen-space
    // vertices.
    bool BatchReadsTransforms() const;

    // True when the window's own framebuffer can serve as the back buffer:
    // the back buffer's size and colour, depth and stencil bits.
    bool WindowIsBackBuffer();
    // The framebuffer object that serves as the back buffer otherwise.
    bool CreateFramebuffer();
    void SetDefaultStates();
    // Hands the presented frame to the driver and waits while more than
    // kFramesInFlight frames are queued ahead of it.
    void EndFrame();
    // Makes room for bytes in the streaming buffer (in pieces, alignment
    // included), so that the pieces of one draw share its storage.
    void ReserveStream(size_t bytes);
    // Copies bytes into the streaming buffer and returns where they lie there.
    DrawSource Stream(const void* bytes, size_t size);
    // Where the next piece of the streaming buffer starts.
    size_t StreamStart() const
    {
        return (streamHead + kStreamAlignment - 1) & ~(kStreamAlignment - 1);
    }
    // Copies the vertices, and the indices when set, into the streaming buffer
    // and draws them from there.
    HRESULT DrawStreamed(D3DPRIMITIVETYPE type, UINT primitiveCount, const void* vertices,
                         size_t vertexBytes, UINT stride, UINT vertexCount, const void* indices,
                         size_t indexBytes, D3DFORMAT indexFormat);
    // indices, when set, are in indexFormat.
    HRESULT Draw(D3DPRIMITIVETYPE type, UINT primitiveCount, const DrawSource& vertices,
                 UINT stride, UINT vertexCount, const DrawSource* indices, D3DFORMAT indexFormat);
    void ApplyState(const FvfLayout& layout);
    void ApplyTransforms(bool pretransformed);
    void ApplyLights();
    void ApplyStages(const FvfLayout& layout, const DrawSource& vertices, UINT stride);
    void ApplySampler(int stage, GlTexture* texture);
    void SetArrays(const FvfLayout& layout, const DrawSource& vertices, UINT stride,
                   UINT vertexCount);
    void ActiveUnit(int unit);
    void ClientUnit(int unit);
    void Toggle(GLenum capability, bool on, int8_t& shadowed);

    ULONG refCount = 1;
    SDL_Window* window;
    void* context;
    UINT width;
    UINT height;
    D3DFORMAT backBufferFormat;
    D3DFORMAT depthFormat;
    UINT presentInterval;
    // The back buffer: 0 when it is the window's own framebuffer.
    GLuint framebuffer = 0;
    GLuint colorBuffer = 0;
    GLuint depthBuffer = 0;
    bool inScene = false;

    DWORD renderStates[D3DRS_COUNT] = {};
    DWORD samplerStates[kStageCount][D3DSAMP_COUNT] = {};
    DWORD stageStates[kStageCount][D3DTSS_COUNT] = {};
    D3DMATRIX world;
    D3DMATRIX view;
    D3DMATRIX projection;
    D3DVIEWPORT9 viewport = {};
    D3DLIGHT9 lights[kLightCount] = {};
    bool lightEnabled[kLightCount] = {};
    D3DMATERIAL9 material = {};
    GlTexture* textures[kStageCount] = {};
    DWORD fvf = 0;
    GlVertexBuffer* streamSource = nullptr;
    UINT streamOffset = 0;
    UINT streamStride = 0;
    GlIndexBuffer* indexBuffer = nullptr;
    std::vector<IUnknown*> resources;

    uint64_t worldVersion = 1, viewVersion = 1, projectionVersion = 1, viewportVersion = 1;
    uint64_t lightsVersion = 1, materialVersion = 1, fogVersion = 1, ambientVersion = 1;
    GlShadow shadow;
    Batch batch;
    std::vector<float> screenScratch;
    // The buffer that user-pointer draws copy their vertices and indices
    // into: filled front to back, then orphaned and filled again, so no
    // write waits for a draw still reading.
    GLuint streamBuffer = 0;
    size_t streamCapacity = 0;
    size_t streamHead = 0;
    bool streamMapping = false;
    // One fence per frame in flight, the oldest at frameFence; null where no
    // frame was fenced yet, or where GL has no fences (then Present finishes
    // each frame).
    bool frameFencing = false;
    GLsync frameFences[kFramesInFlight] = {};
    int frameFence = 0;
};
