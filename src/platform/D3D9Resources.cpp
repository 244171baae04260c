// Textures, vertex and index buffers of the Direct3D layer, and the pixel and
// vertex format helpers.
#include "platform/D3D9Local.h"
#include "platform/SdlWindow.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>

namespace
{
struct GlPixelFormat
{
    GLint internalFormat;
    GLenum format;
    GLenum type;
};

bool HasRgb565()
{
    return epoxy_gl_version() >= 41 || epoxy_has_gl_extension("GL_ARB_ES2_compatibility");
}

bool GlFormatOf(D3DFORMAT format, GlPixelFormat& out)
{
    switch (format)
    {
    case D3DFMT_A8R8G8B8:
        out = {GL_RGBA8, GL_BGRA, GL_UNSIGNED_BYTE};
        return true;
    case D3DFMT_X8R8G8B8:
        // Stored as A8R8G8B8 with every alpha 0xFF (OpaqueAlpha), so that it
        // samples alpha as 1 as Direct3D's X8 formats do, and draws with the
        // same GL pipeline states as A8R8G8B8 textures: the driver compiles
        // fewer of them.
        out = {GL_RGBA8, GL_BGRA, GL_UNSIGNED_BYTE};
        return true;
    case D3DFMT_R8G8B8:
        out = {GL_RGB8, GL_BGR, GL_UNSIGNED_BYTE};
        return true;
    case D3DFMT_R5G6B5:
        // GL_RGB5 may keep five bits of green; GL_RGB565 keeps all six.
        out = {HasRgb565() ? GL_RGB565 : GL_RGB5, GL_RGB, GL_UNSIGNED_SHORT_5_6_5};
        return true;
    case D3DFMT_A4R4G4B4:
        out = {GL_RGBA4, GL_BGRA, GL_UNSIGNED_SHORT_4_4_4_4_REV};
        return true;
    default:
        return false;
    }
}

// Sets the alpha byte of count 32-bit pixels to 0xFF.
void OpaqueAlpha(uint8_t* bgra, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        bgra[i * 4 + 3] = 0xFF;
}

UINT FullChainLength(UINT width, UINT height)
{
    UINT levels = 1;
    UINT side = std::max(width, height);
    while (side > 1)
    {
        side >>= 1;
        ++levels;
    }
    return levels;
}

// The SDL format whose bytes are those of a texture format.
Uint32 SdlFormatOf(D3DFORMAT format)
{
    switch (format)
    {
    case D3DFMT_A8R8G8B8:
        return SDL_PIXELFORMAT_ARGB8888;
    case D3DFMT_X8R8G8B8:
        return SDL_PIXELFORMAT_RGB888;
    case D3DFMT_R8G8B8:
        return SDL_PIXELFORMAT_BGR24;
    case D3DFMT_R5G6B5:
        return SDL_PIXELFORMAT_RGB565;
    case D3DFMT_A4R4G4B4:
        return SDL_PIXELFORMAT_ARGB4444;
    default:
        return SDL_PIXELFORMAT_UNKNOWN;
    }
}

// Widens an n-bit channel to 8 bits by repeating its high bits.
uint8_t Widen(unsigned value, int bits)
{
    unsigned v = value << (8 - bits);
    return static_cast<uint8_t>(v | (v >> bits));
}
} // namespace

int TextureFormatBytes(D3DFORMAT format)
{
    switch (format)
    {
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8:
        return 4;
    case D3DFMT_R8G8B8:
        return 3;
    case D3DFMT_R5G6B5:
    case D3DFMT_A4R4G4B4:
        return 2;
    default:
        return 0;
    }
}

void PackPixels(D3DFORMAT format, const uint8_t* bgra, uint8_t* out, size_t count)
{
    // The two formats of every file texture are the same bytes (the X8
    // format's unused byte is made opaque when the pixels reach GL).
    if (format == D3DFMT_A8R8G8B8 || format == D3DFMT_X8R8G8B8)
    {
        memcpy(out, bgra, count * 4);
        return;
    }
    Uint32 target = SdlFormatOf(format);
    if (target == SDL_PIXELFORMAT_UNKNOWN || count == 0)
        return;
    SDL_ConvertPixels(static_cast<int>(count), 1, SDL_PIXELFORMAT_ARGB8888, bgra,
                      static_cast<int>(count * 4), target, out,
                      static_cast<int>(count) * TextureFormatBytes(format));
}

void UnpackPixels(D3DFORMAT format, const uint8_t* in, uint8_t* bgra, size_t count)
{
    // SDL widens R5G6B5's full green to 0xFE; repeating the top bits keeps
    // white white.
    if (format == D3DFMT_R5G6B5)
    {
        for (size_t i = 0; i < count; ++i, in += 2, bgra += 4)
        {
            uint16_t word;
            memcpy(&word, in, 2);
            bgra[0] = Widen(word & 0x1F, 5);
            bgra[1] = Widen((word >> 5) & 0x3F, 6);
            bgra[2] = Widen(word >> 11, 5);
            bgra[3] = 0xFF;
        }
        return;
    }
    Uint32 source = SdlFormatOf(format);
    if (source == SDL_PIXELFORMAT_UNKNOWN || count == 0)
        return;
    SDL_ConvertPixels(static_cast<int>(count), 1, source, in,
                      static_cast<int>(count) * TextureFormatBytes(format),
                      SDL_PIXELFORMAT_ARGB8888, bgra, static_cast<int>(count * 4));
}

FvfLayout DecodeFvf(DWORD fvf)
{
    FvfLayout layout;
    const DWORD known = D3DFVF_POSITION_MASK | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_SPECULAR |
                        D3DFVF_TEXCOUNT_MASK;
    if (fvf & ~known)
        return layout;
    DWORD position = fvf & D3DFVF_POSITION_MASK;
    if (position == D3DFVF_XYZ)
        layout.size = 12;
    else if (position == D3DFVF_XYZRHW)
    {
        layout.size = 16;
        layout.pretransformed = true;
    }
    else
        return layout;
    if (fvf & D3DFVF_NORMAL)
    {
        // Screen-space vertices are never lit, so they carry no normal.
        if (layout.pretransformed)
            return layout;
        layout.normal = layout.size;
        layout.size += 12;
    }
    if (fvf & D3DFVF_DIFFUSE)
    {
        layout.diffuse = layout.size;
        layout.size += 4;
    }
    if (fvf & D3DFVF_SPECULAR)
        layout.size += 4;
    layout.texSets = static_cast<int>((fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT);
    if (layout.texSets > 8)
        return layout;
    for (int i = 0; i < layout.texSets; ++i)
    {
        layout.texCoord[i] = layout.size;
        layout.size += 8;
    }
    layout.valid = true;
    return layout;
}

GlTexture::GlTexture(GlDevice* device, UINT width, UINT height, UINT levels, DWORD usage,
                     D3DFORMAT format, D3DPOOL pool)
    : device(device), width(width), height(height), levels(levels), usage(usage), format(format),
      pool(pool)
{
    UINT full = FullChainLength(width, height);
    if (this->levels == 0 || this->levels > full || (usage & D3DUSAGE_AUTOGENMIPMAP))
        this->levels = full;
}

GlTexture::~GlTexture() = default;

bool GlTexture::Create()
{
    GlPixelFormat gl;
    if (!GlFormatOf(format, gl))
        return false;
    while (glGetError() != GL_NO_ERROR)
    {
    }
    glGenTextures(1, &name);
    device->BindForTransfer(this);
    // Storage only: a texture reads as zeros until written, and the zeros
    // are handed to GL only if something reads them (ZeroUnwritten), as most
    // textures are written at once.
    for (UINT level = 0; level < levels; ++level)
    {
        GLsizei w = static_cast<GLsizei>(std::max(1u, width >> level));
        GLsizei h = static_cast<GLsizei>(std::max(1u, height >> level));
        glTexImage2D(GL_TEXTURE_2D, static_cast<GLint>(level), gl.internalFormat, w, h, 0,
                     gl.format, gl.type, nullptr);
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, 0);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, static_cast<GLint>(levels - 1));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    return glGetError() == GL_NO_ERROR;
}

void GlTexture::Orphan()
{
    device = nullptr;
    name = 0;
}

ULONG GlTexture::AddRef()
{
    return ++refCount;
}

ULONG GlTexture::Release()
{
    ULONG count = --refCount;
    if (count == 0)
    {
        if (device)
        {
            device->Forget(this);
            if (name && PlatformVideoReady())
            {
                device->MakeCurrent();
                glDeleteTextures(1, &name);
            }
        }
        delete this;
    }
    return count;
}

DWORD GlTexture::GetLevelCount()
{
    // A texture that makes its own mip levels shows only its top level.
    return (usage & D3DUSAGE_AUTOGENMIPMAP) ? 1 : levels;
}

void GlTexture::ZeroUnwritten(bool lowerLevels)
{
    const UINT first = topWritten ? 1 : 0;
    const UINT end = lowerLevels && !lowerWritten ? levels : 1;
    if (!device || first >= end)
        return;
    GlPixelFormat gl;
    GlFormatOf(format, gl);
    device->BindForTransfer(this);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    const size_t texels =
        static_cast<size_t>(std::max(1u, width >> first)) * std::max(1u, height >> first);
    std::vector<uint8_t> zeros(texels * TextureFormatBytes(format));
    if (format == D3DFMT_X8R8G8B8)
        OpaqueAlpha(zeros.data(), texels);
    for (UINT level = first; level < end; ++level)
    {
        glTexSubImage2D(GL_TEXTURE_2D, static_cast<GLint>(level), 0, 0,
                        static_cast<GLsizei>(std::max(1u, width >> level)),
                        static_cast<GLsizei>(std::max(1u, height >> level)), gl.format, gl.type,
                        zeros.data());
    }
    topWritten = true;
    lowerWritten = lowerWritten || lowerLevels;
}

void GlTexture::GenerateMipSubLevels()
{
    // Unless level 0 changed since the levels below were last made (or
    // zeroed with it), they follow it already.
    if (device && levels > 1 && topChanged)
    {
        // Draws gathered before keep the levels they were made with.
        device->FlushBatch();
        mipsPending = true;
    }
}

void GlTexture::BuildMips()
{
    if (!mipsPending || !device)
        return;
    mipsPending = false;
    topChanged = false;
    device->BindForTransfer(this);
    lowerWritten = true;
    if (topLevel.empty())
    {
        glGenerateMipmap(GL_TEXTURE_2D);
        return;
    }
    // 32-bit pixels, filtered here from the copy of level 0: the driver's
    // blit costs a shader compiled for it and a wait at every level. Each
    // texel is the mean of the two by two it covers as the driver makes it:
    // each row's pair averaged, then the two rows, each mean rounding half up.
    GlPixelFormat gl;
    GlFormatOf(format, gl);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    std::vector<uint8_t> above;
    above.swap(topLevel);
    std::vector<uint8_t> below;
    UINT w = width;
    UINT h = height;
    for (UINT level = 1; level < levels; ++level)
    {
        const UINT w1 = std::max(1u, w / 2);
        const UINT h1 = std::max(1u, h / 2);
        below.resize(static_cast<size_t>(w1) * h1 * 4);
        for (UINT y = 0; y < h1; ++y)
        {
            const uint8_t* row0 = &above[static_cast<size_t>(std::min(2 * y, h - 1)) * w * 4];
            const uint8_t* row1 = &above[static_cast<size_t>(std::min(2 * y + 1, h - 1)) * w * 4];
            uint8_t* out = &below[static_cast<size_t>(y) * w1 * 4];
            for (UINT x = 0; x < w1; ++x)
            {
                const size_t left = static_cast<size_t>(std::min(2 * x, w - 1)) * 4;
                const size_t right = static_cast<size_t>(std::min(2 * x + 1, w - 1)) * 4;
                for (int c = 0; c < 4; ++c)
                {
                    const int top = (row0[left + c] + row0[right + c] + 1) >> 1;
                    const int bottom = (row1[left + c] + row1[right + c] + 1) >> 1;
                    out[static_cast<size_t>(x) * 4 + c] =
                        static_cast<uint8_t>((top + bottom + 1) >> 1);
                }
            }
        }
        glTexSubImage2D(GL_TEXTURE_2D, static_cast<GLint>(level), 0, 0, static_cast<GLsizei>(w1),
                        static_cast<GLsizei>(h1), gl.format, gl.type, below.data());
        above.swap(below);
        w = w1;
        h = h1;
    }
}

HRESULT GlTexture::GetLevelDesc(UINT level, D3DSURFACE_DESC* desc)
{
    if (!desc || level >= levels)
        return D3DERR_INVALIDCALL;
    desc->Format = format;
    desc->Type = D3DRTYPE_SURFACE;
    desc->Usage = usage;
    desc->Pool = pool;
    desc->Width = std::max(1u, width >> level);
    desc->Height = std::max(1u, height >> level);
    return D3D_OK;
}

HRESULT GlTexture::LockRect(UINT level, D3DLOCKED_RECT* lockedRect, const RECT* rect, DWORD flags)
{
    if (!lockedRect)
        return D3DERR_INVALIDCALL;
    lockedRect->pBits = nullptr;
    lockedRect->Pitch = 0;
    // Only whole top levels are locked by the game.
    if (!device || locked || level != 0 || rect)
        return D3DERR_INVALIDCALL;
    GlPixelFormat gl;
    GlFormatOf(format, gl);
    int bytes = TextureFormatBytes(format);
    lockedPixels.resize(static_cast<size_t>(width) * height * bytes);
    // Pixels never written read as the zeros they hold already.
    if (!(flags & D3DLOCK_DISCARD) && topWritten)
    {
        device->BindForTransfer(this);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, gl.format, gl.type, lockedPixels.data());
    }
    locked = true;
    lockedReadOnly = (flags & D3DLOCK_READONLY) != 0;
    lockedRect->pBits = lockedPixels.data();
    lockedRect->Pitch = static_cast<int>(width) * bytes;
    return D3D_OK;
}

HRESULT GlTexture::UnlockRect(UINT level)
{
    if (!locked || level != 0)
        return D3DERR_INVALIDCALL;
    locked = false;
    // A read-only lock changed nothing.
    if (device && !lockedReadOnly)
    {
        // Draws gathered before sample the levels as they were, pending ones
        // included: drawn before any of them changes.
        device->FlushBatch();
        // Levels asked to follow the old pixels follow those.
        BuildMips();
        if (format == D3DFMT_X8R8G8B8)
            OpaqueAlpha(lockedPixels.data(), static_cast<size_t>(width) * height);
        GlPixelFormat gl;
        GlFormatOf(format, gl);
        device->BindForTransfer(this);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, static_cast<GLsizei>(width),
                        static_cast<GLsizei>(height), gl.format, gl.type, lockedPixels.data());
        topWritten = true;
        topChanged = true;
        // The 32-bit formats' levels below are made from a copy of these
        // pixels when they are asked to follow them; the others' by the driver.
        if (levels > 1 && (format == D3DFMT_A8R8G8B8 || format == D3DFMT_X8R8G8B8))
            topLevel.swap(lockedPixels);
    }
    std::vector<uint8_t>().swap(lockedPixels);
    return D3D_OK;
}

template <class Interface> bool GlBuffer<Interface>::Create()
{
    while (glGetError() != GL_NO_ERROR)
    {
    }
    glGenBuffers(1, &name);
    device->BindBuffer(target, name);
    StoreAll();
    return glGetError() == GL_NO_ERROR;
}

template <class Interface> void GlBuffer<Interface>::StoreAll()
{
    glBufferData(target, static_cast<GLsizeiptr>(data.size()), data.data(),
                 (usage & D3DUSAGE_DYNAMIC) ? GL_DYNAMIC_DRAW : GL_STATIC_DRAW);
}

template <class Interface> ULONG GlBuffer<Interface>::AddRef()
{
    return ++refCount;
}

template <class Interface> ULONG GlBuffer<Interface>::Release()
{
    ULONG count = --refCount;
    if (count == 0)
    {
        if (device)
        {
            device->Forget(this);
            if (name && PlatformVideoReady())
            {
                device->MakeCurrent();
                glDeleteBuffers(1, &name);
            }
        }
        delete this;
    }
    return count;
}

template <class Interface>
HRESULT GlBuffer<Interface>::Lock(UINT offset, UINT size, void** out, DWORD flags)
{
    if (!out)
        return D3DERR_INVALIDCALL;
    *out = nullptr;
    if (offset > data.size() || (size && size > data.size() - offset))
        return D3DERR_INVALIDCALL;
    ++locks;
    if (!(flags & D3DLOCK_READONLY))
    {
        // A size of 0 reaches to the end of the buffer.
        UINT end = size ? offset + size : Length();
        if (dirtyBegin == dirtyEnd)
        {
            dirtyBegin = offset;
            dirtyEnd = end;
        }
        else
        {
            dirtyBegin = std::min(dirtyBegin, offset);
            dirtyEnd = std::max(dirtyEnd, end);
        }
    }
    *out = data.data() + offset;
    return D3D_OK;
}

template <class Interface> HRESULT GlBuffer<Interface>::Unlock()
{
    if (locks == 0)
        return D3D_OK;
    if (--locks > 0)
        return D3D_OK;
    Unlocked();
    if (dirtyBegin == dirtyEnd)
        return D3D_OK;
    if (device && name)
    {
        device->MakeCurrent();
        device->BindBuffer(target, name);
        // A whole new content gets new storage, so GL need not wait for draws
        // still reading the old one.
        if (dirtyBegin == 0 && dirtyEnd == Length())
            StoreAll();
        else
            glBufferSubData(target, dirtyBegin, dirtyEnd - dirtyBegin, data.data() + dirtyBegin);
    }
    dirtyBegin = dirtyEnd = 0;
    return D3D_OK;
}

template class GlBuffer<IDirect3DVertexBuffer9>;
template class GlBuffer<IDirect3DIndexBuffer9>;

GlVertexBuffer::GlVertexBuffer(GlDevice* device, UINT length, DWORD usage)
    : GlBuffer(device, length, usage, GL_ARRAY_BUFFER)
{
}

GlVertexBuffer::~GlVertexBuffer() = default;

GlIndexBuffer::GlIndexBuffer(GlDevice* device, UINT length, DWORD usage, D3DFORMAT format)
    : GlBuffer(device, length, usage, GL_ELEMENT_ARRAY_BUFFER), format(format)
{
}

GlIndexBuffer::~GlIndexBuffer() = default;

UINT GlIndexBuffer::IndexCount() const
{
    return static_cast<UINT>(data.size() / IndexSize());
}

UINT IndexAt(const void* indices, D3DFORMAT format, UINT i)
{
    if (format == D3DFMT_INDEX32)
    {
        uint32_t value;
        memcpy(&value, static_cast<const uint8_t*>(indices) + i * 4, 4);
        return value;
    }
    uint16_t value;
    memcpy(&value, static_cast<const uint8_t*>(indices) + i * 2, 2);
    return value;
}

void GlIndexBuffer::Unlocked()
{
    // Draws check this bound against the vertex buffer before reading.
    maxIndex = 0;
    UINT count = IndexCount();
    for (UINT i = 0; i < count; ++i)
        maxIndex = std::max(maxIndex, IndexAt(data.data(), format, i));
}
