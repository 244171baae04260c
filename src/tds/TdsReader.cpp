#include "tds/TdsReader.h"

#include "core/Log.h"
#include "math/FloatBits.h"
#include "platform/Files.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace
{
// Chunk ids.
const uint16_t kMain = 0x4D4D;
const uint16_t kEditor = 0x3D3D;
const uint16_t kMaterial = 0xAFFF;
const uint16_t kMaterialName = 0xA000;
const uint16_t kAmbient = 0xA010;
const uint16_t kDiffuse = 0xA020;
const uint16_t kSpecular = 0xA030;
const uint16_t kShininess = 0xA040;
const uint16_t kTransparency = 0xA050;
const uint16_t kShadingFlat = 0xA085;
const uint16_t kShading = 0xA100;
const uint16_t kTextureMap1 = 0xA200;
const uint16_t kTextureMap2 = 0xA33A;
const uint16_t kOpacityMap = 0xA210;
const uint16_t kBumpMap = 0xA230;
const uint16_t kSpecularMap = 0xA204;
const uint16_t kReflectionMap = 0xA220;
const uint16_t kMapFileName = 0xA300;
const uint16_t kMapUScale = 0xA354;
const uint16_t kMapVScale = 0xA356;
const uint16_t kMapUOffset = 0xA358;
const uint16_t kMapVOffset = 0xA35A;
const uint16_t kMapRotation = 0xA35C;
const uint16_t kObject = 0x4000;
const uint16_t kMesh = 0x4100;
const uint16_t kVertices = 0x4110;
const uint16_t kFaces = 0x4120;
const uint16_t kFaceMaterial = 0x4130;
const uint16_t kSmoothing = 0x4150;
const uint16_t kMapping = 0x4140;
const uint16_t kLocalMatrix = 0x4160;
const uint16_t kLight = 0x4600;
const uint16_t kSpotlight = 0x4610;
const uint16_t kLightInnerRange = 0x4659;
const uint16_t kLightOuterRange = 0x465A;
const uint16_t kCamera = 0x4700;
const uint16_t kCameraRanges = 0x4720;
const uint16_t kKeyframer = 0xB000;
const uint16_t kObjectNode = 0xB002;
const uint16_t kNodeHeader = 0xB010;
const uint16_t kPivot = 0xB013;
const uint16_t kPositionTrack = 0xB020;
const uint16_t kRotationTrack = 0xB021;
const uint16_t kScaleTrack = 0xB022;
const uint16_t kColorFloat = 0x0010;
const uint16_t kColorBytes = 0x0011;
const uint16_t kColorBytesGamma = 0x0012;
const uint16_t kColorFloatGamma = 0x0013;
const uint16_t kPercentShort = 0x0030;
const uint16_t kPercentFloat = 0x0031;

const uint32_t kHeaderSize = 6;

// String buffers, terminator included. A name and every reference to it are
// read with the same size, so look-ups see the same characters.
const uint32_t kObjectNameSize = 99;
const uint32_t kMaterialNameSize = 30;
const uint32_t kMapNameSize = 20;
const uint32_t kReflectionNameSize = 30;

// Little-endian fields of a block already checked to lie in the buffer.
uint16_t LoadU16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t LoadU32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

float LoadFloat(const uint8_t* p)
{
    return BitsFloat(LoadU32(p));
}
} // namespace

TdsReader::LimitScope::LimitScope(TdsReader& reader_, uint32_t end) : reader(reader_)
{
    saved = reader.limit;
    reader.limit = std::min(reader.limit, end);
}

TdsReader::LimitScope::~LimitScope()
{
    reader.limit = saved;
}

TdsReader::TdsReader()
{
    objectName[0] = '\0';
}

TdsReader::TdsReader(const char* path) : TdsReader()
{
    LoadFile(path);
}

TdsReader::~TdsReader()
{
    FreeBuffer();
}

void TdsReader::ErrorMsg(const char* text)
{
    Log::Printf(Log::Instance(), "%s\n", text);
}

void TdsReader::FreeBuffer()
{
    std::free(buffer);
    buffer = nullptr;
    size = 0;
    limit = 0;
    position = 0;
}

void TdsReader::SetBuffer(const void* data, uint32_t dataSize)
{
    FreeBuffer();
    buffer = static_cast<uint8_t*>(std::malloc(dataSize ? dataSize : 1));
    if (!buffer)
        return;
    if (dataSize)
        std::memcpy(buffer, data, dataSize);
    size = dataSize;
    limit = dataSize;
    position = 0;
    error = 0;
}

bool TdsReader::LoadFile(const char* path)
{
    FILE* file = OpenFile(path, "rb");
    if (!file)
    {
        ErrorMsg("TdsReader::LoadFile - cannot open file");
        return false;
    }
    long length = -1;
    if (std::fseek(file, 0, SEEK_END) == 0)
        length = std::ftell(file);
    std::fseek(file, 0, SEEK_SET);
    // A size the reader cannot address is a failed read, like an unreadable file.
    if (length < 0 || static_cast<unsigned long>(length) > UINT32_MAX)
    {
        std::fclose(file);
        ErrorMsg("TdsReader::LoadFile - error reading from file");
        return false;
    }

    FreeBuffer();
    uint8_t* data = static_cast<uint8_t*>(std::calloc(static_cast<size_t>(length), 1));
    if (!data)
    {
        std::fclose(file);
        ErrorMsg("TdsReader::LoadFile - not enough memory (malloc failed)");
        return false;
    }
    // One read of the whole file: an empty file delivers no item and fails here.
    if (std::fread(data, static_cast<size_t>(length), 1, file) != 1)
    {
        std::fclose(file);
        std::free(data);
        ErrorMsg("TdsReader::LoadFile - error reading from file");
        return false;
    }
    std::fclose(file);

    buffer = data;
    size = static_cast<uint32_t>(length);
    limit = size;
    position = 0;
    error = 0;
    Clear();
    bool result = Read3DS();
    FreeBuffer();
    return result;
}

bool TdsReader::LoadMemory(const void* data, uint32_t dataSize)
{
    if (dataSize == 0)
    {
        ErrorMsg("TdsReader::LoadFile - error reading from file");
        return false;
    }
    SetBuffer(data, dataSize);
    if (!buffer)
    {
        ErrorMsg("TdsReader::LoadFile - not enough memory (malloc failed)");
        return false;
    }
    Clear();
    bool result = Read3DS();
    FreeBuffer();
    return result;
}

uint32_t TdsReader::BytesLeft() const
{
    return position < limit ? limit - position : 0;
}

bool TdsReader::CanRead(uint32_t width) const
{
    return buffer && size != 0 && BytesLeft() >= width;
}

const uint8_t* TdsReader::ReadBlock(uint32_t bytes)
{
    if (!CanRead(bytes))
    {
        error = 1;
        return nullptr;
    }
    const uint8_t* block = buffer + position;
    position += bytes;
    return block;
}

int16_t TdsReader::ReadShort()
{
    const uint8_t* p = ReadBlock(2);
    return p ? static_cast<int16_t>(LoadU16(p)) : 0;
}

uint32_t TdsReader::ReadInt()
{
    const uint8_t* p = ReadBlock(4);
    return p ? LoadU32(p) : 0;
}

float TdsReader::ReadFloat()
{
    const uint8_t* p = ReadBlock(4);
    return p ? LoadFloat(p) : 0.0f;
}

int8_t TdsReader::ReadChar()
{
    if (!CanRead(1))
    {
        error = 1;
        return 0;
    }
    return static_cast<int8_t>(buffer[position++]);
}

uint8_t TdsReader::ReadByte()
{
    if (!CanRead(1))
    {
        error = 1;
        return 0;
    }
    return buffer[position++];
}

uint32_t TdsReader::ReadASCIIZ(char* dest, uint32_t max)
{
    if (!buffer || size == 0 || position >= limit)
    {
        error = 1;
        return 0;
    }
    // The whole string is consumed even when only its head is kept, so the
    // fields after it are read from the right place. A string without its
    // terminator ends where the chunk ends.
    uint32_t stored = 0;
    for (;;)
    {
        int8_t c = ReadChar();
        if (c == 0)
            break;
        if (stored + 1 < max)
            dest[stored++] = static_cast<char>(c);
    }
    if (max > 0)
        dest[stored] = '\0';
    return stored;
}

void TdsReader::Seek(uint32_t offset, int origin)
{
    if (origin == kTdsSeekStart)
        position = offset;
    else if (origin == kTdsSeekCurrent)
        position += offset;
    // The size itself is a valid position: it is where a chunk that ends the
    // file ends, and no read succeeds from there.
    if (position > size)
        position = size;
    error = 0;
}

TdsChunk TdsReader::ReadChunk()
{
    TdsChunk chunk;
    chunk.id = static_cast<uint16_t>(ReadShort());
    uint32_t length = ReadInt();
    chunk.start = position;
    chunk.end = chunk.start + length - kHeaderSize;
    return chunk;
}

bool TdsReader::NextChild(const TdsChunk& parent, TdsChunk& child, bool cutToParent)
{
    uint32_t end = std::min(parent.end, limit);
    if (position >= end || end - position < kHeaderSize)
        return false;
    child = ReadChunk();
    // A length below the header's size ends the walk.
    uint32_t length = child.end - child.start + kHeaderSize;
    if (length < kHeaderSize)
        return false;
    if (static_cast<uint64_t>(child.start) + (length - kHeaderSize) <= end)
        return true;
    // So does one that reaches past the parent, unless the caller takes what
    // lies inside the parent.
    if (!cutToParent)
        return false;
    child.end = end;
    return true;
}

bool TdsReader::FindChunk(uint16_t wanted, const TdsChunk& parent, TdsChunk& found)
{
    return FindChild(wanted, parent, found, false);
}

bool TdsReader::FindChild(uint16_t wanted, const TdsChunk& parent, TdsChunk& found,
                          bool cutToParent)
{
    TdsChunk chunk;
    while (NextChild(parent, chunk, cutToParent))
    {
        if (chunk.id == wanted)
        {
            found = chunk;
            return true;
        }
        SkipChunk(chunk);
    }
    return false;
}

TdsVector TdsReader::ReadVector()
{
    float x = ReadFloat();
    float y = ReadFloat();
    float z = ReadFloat();
    return TdsVector(x, y, z);
}

bool TdsReader::Read3DS()
{
    nodeStack.clear();
    objectName[0] = '\0';
    Seek(0, kTdsSeekStart);
    limit = size;

    TdsChunk main = ReadChunk();
    if (main.id != kMain)
    {
        ErrorMsg("TdsReader::Read3DS - wrong file format");
        return false;
    }
    // A file cut short, or a list chunk longer than the chunk around it,
    // keeps every whole record that lies inside: the main, editor and
    // keyframer chunks end where their parent ends, while a material, object
    // or keyframe node that is not whole is not read. A length below the
    // header's holds nothing.
    if (main.end < main.start)
        main.end = main.start;
    if (main.end > size)
        main.end = size;
    LimitScope mainScope(*this, main.end);

    TdsChunk editor;
    if (!FindChild(kEditor, main, editor, true))
        return false;
    {
        LimitScope editorScope(*this, editor.end);
        TdsChunk chunk;
        GotoChunk(editor);
        while (FindChunk(kMaterial, editor, chunk))
        {
            ReadMaterial(chunk);
            SkipChunk(chunk);
        }
        GotoChunk(editor);
        while (FindChunk(kObject, editor, chunk))
        {
            ReadObject(chunk);
            SkipChunk(chunk);
        }
    }

    GotoChunk(main);
    TdsChunk keyframer;
    if (FindChild(kKeyframer, main, keyframer, true))
    {
        LimitScope keyframerScope(*this, keyframer.end);
        GotoChunk(keyframer);
        TdsChunk node;
        while (FindChunk(kObjectNode, keyframer, node))
        {
            ReadKeyframeData(node);
            SkipChunk(node);
        }
    }

    for (TdsMesh& mesh : meshes)
        mesh.Optimize(optimizationLevel);

    position = 0;
    objectName[0] = '\0';
    return true;
}

void TdsReader::ReadObject(const TdsChunk& chunk)
{
    LimitScope scope(*this, chunk.end);
    GotoChunk(chunk);
    objectName[0] = '\0';
    ReadASCIIZ(objectName, kObjectNameSize);
    // Only the first child says what the object is.
    TdsChunk first;
    if (!NextChild(chunk, first))
        return;
    switch (first.id)
    {
    case kMesh:
        ReadMesh(first);
        break;
    case kLight:
        ReadLight(first);
        break;
    case kCamera:
        ReadCamera(first);
        break;
    default:
        break;
    }
}

void TdsReader::ReadMaterial(const TdsChunk& chunk)
{
    LimitScope scope(*this, chunk.end);
    TdsMaterial material;
    GotoChunk(chunk);
    TdsChunk child;
    while (NextChild(chunk, child))
    {
        LimitScope childScope(*this, child.end);
        TdsChunk sub;
        switch (child.id)
        {
        case kMaterialName:
        {
            char name[kMaterialNameSize];
            name[0] = '\0';
            ReadASCIIZ(name, kMaterialNameSize);
            material.SetName(name);
            break;
        }
        case kAmbient:
        case kDiffuse:
        case kSpecular:
        {
            // A missing colour chunk is reported and stored as black.
            if (!NextChild(child, sub))
                sub = TdsChunk();
            TdsColor color = ReadColor(sub);
            if (child.id == kAmbient)
                material.SetAmbientColor(color);
            else if (child.id == kDiffuse)
                material.SetDiffuseColor(color);
            else
                material.SetSpecularColor(color);
            break;
        }
        case kShininess:
        case kTransparency:
        {
            if (!NextChild(child, sub))
                sub = TdsChunk();
            float value = ReadPercentage(sub);
            if (child.id == kShininess)
                material.SetShininess(value);
            else
                material.SetTransparency(value);
            break;
        }
        case kShadingFlat:
            material.SetShading(0);
            break;
        case kShading:
        {
            int16_t shading = ReadShort();
            if (shading >= 0 && shading <= 4)
                material.SetShading(shading);
            break;
        }
        case kTextureMap1:
            ReadMap(child, material.GetTextureMap1());
            break;
        case kTextureMap2:
            ReadMap(child, material.GetTextureMap2());
            break;
        case kOpacityMap:
            ReadMap(child, material.GetOpacityMap());
            break;
        case kBumpMap:
            ReadMap(child, material.GetBumpMap());
            break;
        case kSpecularMap:
            ReadMap(child, material.GetSpecularMap());
            break;
        case kReflectionMap:
            ReadReflectionMap(child, material);
            break;
        default:
            break;
        }
        SkipChunk(child);
    }
    material.SetID(static_cast<uint32_t>(materials.size()));
    materials.push_back(material);
}

void TdsReader::ReadReflectionMap(const TdsChunk& chunk, TdsMaterial& material)
{
    LimitScope scope(*this, chunk.end);
    GotoChunk(chunk);
    TdsMap& map = material.GetReflectionMap();
    TdsChunk strength;
    bool haveStrength = NextChild(chunk, strength);
    map.strength = ReadPercentage(haveStrength ? strength : TdsChunk());
    TdsChunk name;
    if (haveStrength)
        SkipChunk(strength);
    if (!haveStrength || !NextChild(chunk, name) || name.id != kMapFileName)
    {
        // Only this map is dropped; the rest of the material stands.
        ErrorMsg("TdsReader::ReadMaterial - error, expected chunk not found");
        map = TdsMap();
        return;
    }
    LimitScope nameScope(*this, name.end);
    char fileName[kReflectionNameSize];
    fileName[0] = '\0';
    ReadASCIIZ(fileName, kReflectionNameSize);
    // An empty name stands for an automatic (environment) reflection.
    if (fileName[0] == '\0')
        std::strcpy(map.fileName, "auto");
    else
        std::strcpy(map.fileName, fileName);
}

void TdsReader::ReadMap(const TdsChunk& chunk, TdsMap& map)
{
    LimitScope scope(*this, chunk.end);
    GotoChunk(chunk);
    TdsChunk child;
    while (NextChild(chunk, child))
    {
        LimitScope childScope(*this, child.end);
        switch (child.id)
        {
        case kPercentShort:
            map.strength = ReadPercentage(child);
            break;
        case kMapFileName:
        {
            char fileName[kMapNameSize];
            fileName[0] = '\0';
            ReadASCIIZ(fileName, kMapNameSize);
            std::strcpy(map.fileName, fileName);
            break;
        }
        case kMapUScale:
            map.uScale = ReadFloat();
            break;
        case kMapVScale:
            map.vScale = ReadFloat();
            break;
        case kMapUOffset:
            map.uOffset = ReadFloat();
            break;
        case kMapVOffset:
            map.vOffset = ReadFloat();
            break;
        case kMapRotation:
            map.rotation = ReadFloat();
            break;
        default:
            break;
        }
        SkipChunk(child);
    }
}

TdsColor TdsReader::ReadColor(const TdsChunk& chunk)
{
    TdsColor color;
    switch (chunk.id)
    {
    case kColorFloat:
    case kColorFloatGamma:
    {
        LimitScope scope(*this, chunk.end);
        GotoChunk(chunk);
        color.r = ReadFloat();
        color.g = ReadFloat();
        color.b = ReadFloat();
        break;
    }
    case kColorBytes:
    case kColorBytesGamma:
    {
        LimitScope scope(*this, chunk.end);
        GotoChunk(chunk);
        color.r = static_cast<float>(ReadByte() / 255.0);
        color.g = static_cast<float>(ReadByte() / 255.0);
        color.b = static_cast<float>(ReadByte() / 255.0);
        break;
    }
    default:
        ErrorMsg("TdsReader::ReadColor - error this is not a color chunk");
        break;
    }
    return color;
}

float TdsReader::ReadPercentage(const TdsChunk& chunk)
{
    switch (chunk.id)
    {
    case kPercentShort:
    {
        LimitScope scope(*this, chunk.end);
        GotoChunk(chunk);
        return static_cast<float>(ReadShort() / 100.0);
    }
    case kPercentFloat:
    {
        LimitScope scope(*this, chunk.end);
        GotoChunk(chunk);
        return ReadFloat();
    }
    default:
        ErrorMsg("TdsReader::ReadPercentage - error, the chunk is not a percentage chunk");
        return 0.0f;
    }
}

void TdsReader::ReadMesh(const TdsChunk& chunk)
{
    LimitScope scope(*this, chunk.end);
    TdsMesh mesh;
    mesh.SetName(objectName);
    GotoChunk(chunk);
    TdsChunk child;
    while (NextChild(chunk, child))
    {
        LimitScope childScope(*this, child.end);
        switch (child.id)
        {
        case kVertices:
        {
            // A count larger than the chunk holds keeps the vertices that are there.
            uint32_t count = static_cast<uint16_t>(ReadShort());
            count = std::min(count, BytesLeft() / 12);
            mesh.SetVertexCount(count);
            const uint8_t* p = ReadBlock(count * 12);
            for (uint32_t i = 0; p && i < count; ++i, p += 12)
            {
                TdsVertex& vertex = mesh.GetVertex(i);
                vertex.x = LoadFloat(p);
                vertex.y = LoadFloat(p + 4);
                vertex.z = LoadFloat(p + 8);
                vertex.w = 1.0f;
            }
            break;
        }
        case kFaces:
            ReadFaceList(child, mesh);
            break;
        case kMapping:
        {
            uint32_t count = static_cast<uint16_t>(ReadShort());
            count = std::min(count, BytesLeft() / 8);
            if (mesh.GetVertexCount() == 0)
                mesh.SetVertexCount(count);
            // Coordinates past the vertex count are read and dropped.
            const uint8_t* p = ReadBlock(count * 8);
            uint32_t kept = std::min(count, mesh.GetVertexCount());
            for (uint32_t i = 0; p && i < kept; ++i, p += 8)
            {
                TdsUV& uv = mesh.GetUV(i);
                uv.u = LoadFloat(p);
                uv.v = LoadFloat(p + 4);
            }
            break;
        }
        case kLocalMatrix:
        {
            float m[16];
            for (int row = 0; row < 4; ++row)
            {
                m[row * 4 + 0] = ReadFloat();
                m[row * 4 + 1] = ReadFloat();
                m[row * 4 + 2] = ReadFloat();
                m[row * 4 + 3] = (row == 3) ? 1.0f : 0.0f;
            }
            mesh.SetMatrix(m);
            break;
        }
        default:
            break;
        }
        SkipChunk(child);
    }
    // Faces that name a vertex the mesh does not have would send every later
    // pass outside the vertex arrays.
    mesh.RemoveBrokenTriangles();
    meshes.push_back(std::move(mesh));
}

void TdsReader::ReadFaceList(const TdsChunk& chunk, TdsMesh& mesh)
{
    if (chunk.id != kFaces)
    {
        ErrorMsg("TdsReader::ReadFaceList - internal error: wrong chunk passed as parameter");
        return;
    }
    LimitScope scope(*this, chunk.end);
    GotoChunk(chunk);
    uint32_t count = static_cast<uint16_t>(ReadShort());
    count = std::min(count, BytesLeft() / 8);
    mesh.SetTriangleCount(count);
    // Corners a, b, c and a flags word that nothing uses.
    const uint8_t* p = ReadBlock(count * 8);
    for (uint32_t i = 0; p && i < count; ++i, p += 8)
    {
        TdsTriangleEx face;
        face.a = LoadU16(p);
        face.b = LoadU16(p + 2);
        face.c = LoadU16(p + 4);
        face.smoothing = 1;
        face.materialId = kTdsNoMaterial;
        mesh.GetTriangleEx(i) = face;
        mesh.GetTriangle(i) = TdsTriangle{face.a, face.b, face.c};
    }

    TdsChunk child;
    while (NextChild(chunk, child))
    {
        LimitScope childScope(*this, child.end);
        switch (child.id)
        {
        case kFaceMaterial:
        {
            char name[kMaterialNameSize];
            name[0] = '\0';
            ReadASCIIZ(name, kMaterialNameSize);
            // A name no material carries adds nothing: its faces keep their id.
            TdsMaterial* material = FindMaterial(name);
            if (!material)
                break;
            uint32_t id = material->GetID();
            mesh.AddMaterial(id);
            uint32_t listed = static_cast<uint16_t>(ReadShort());
            listed = std::min(listed, BytesLeft() / 2);
            for (uint32_t k = 0; k < listed; ++k)
            {
                uint32_t face = static_cast<uint16_t>(ReadShort());
                if (face < mesh.GetTriangleCount())
                    mesh.GetTriangleEx(face).materialId = id;
            }
            break;
        }
        case kSmoothing:
        {
            uint32_t faces = std::min(mesh.GetTriangleCount(), BytesLeft() / 4);
            const uint8_t* p = ReadBlock(faces * 4);
            for (uint32_t i = 0; p && i < faces; ++i, p += 4)
                mesh.GetTriangleEx(i).smoothing = LoadU32(p);
            break;
        }
        default:
            break;
        }
        SkipChunk(child);
    }
}

void TdsReader::ReadLight(const TdsChunk& chunk)
{
    LimitScope scope(*this, chunk.end);
    TdsLight light;
    light.SetName(objectName);
    GotoChunk(chunk);
    light.SetPosition(ReadVector());
    TdsChunk child;
    while (NextChild(chunk, child))
    {
        LimitScope childScope(*this, child.end);
        switch (child.id)
        {
        case kColorFloat:
        case kColorBytes:
        case kColorBytesGamma:
        case kColorFloatGamma:
            light.SetColor(ReadColor(child));
            break;
        case kSpotlight:
            light.SetTarget(ReadVector());
            light.SetHotspot(ReadFloat());
            light.SetFalloff(ReadFloat());
            break;
        case kLightInnerRange:
            light.SetInnerRange(ReadFloat());
            break;
        case kLightOuterRange:
            light.SetOuterRange(ReadFloat());
            break;
        default:
            break;
        }
        SkipChunk(child);
    }
    lights.push_back(light);
}

void TdsReader::ReadCamera(const TdsChunk& chunk)
{
    LimitScope scope(*this, chunk.end);
    TdsCamera camera;
    camera.SetName(objectName);
    GotoChunk(chunk);
    camera.SetPosition(ReadVector());
    camera.SetTarget(ReadVector());
    camera.SetBank(ReadFloat());
    float lens = ReadFloat();
    camera.SetFOV(2400.0f / lens);
    TdsChunk child;
    while (NextChild(chunk, child))
    {
        LimitScope childScope(*this, child.end);
        if (child.id == kCameraRanges)
        {
            camera.SetNearRange(ReadFloat());
            camera.SetFarRange(ReadFloat());
        }
        SkipChunk(child);
    }
    cameras.push_back(camera);
}

void TdsReader::ReadKeyframeData(const TdsChunk& node)
{
    LimitScope scope(*this, node.end);
    GotoChunk(node);
    TdsChunk header;
    if (!FindChunk(kNodeHeader, node, header))
        return;

    TdsMesh* mesh = nullptr;
    int32_t key = 0;
    {
        LimitScope headerScope(*this, header.end);
        char name[kObjectNameSize];
        name[0] = '\0';
        ReadASCIIZ(name, kObjectNameSize);
        mesh = FindMesh(name);
        if (!mesh)
            return;
        ReadShort();
        ReadShort();
        key = ReadShort();
    }
    LinkNode(mesh, key);

    TdsVector pivot;
    TdsVector position;
    float rotation[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    TdsVector scale(1.0f, 1.0f, 1.0f);
    TdsChunk chunk;
    GotoChunk(node);
    if (FindChunk(kPivot, node, chunk))
    {
        LimitScope pivotScope(*this, chunk.end);
        pivot = ReadVector();
    }
    float value[3];
    if (ReadFirstKey(kPositionTrack, node, value, 3))
        position = TdsVector(value[0], value[1], value[2]);
    ReadFirstKey(kRotationTrack, node, rotation, 4);
    if (ReadFirstKey(kScaleTrack, node, value, 3))
        scale = TdsVector(value[0], value[1], value[2]);
    mesh->SetPose(rotation, position, scale, pivot);
}

void TdsReader::LinkNode(TdsMesh* mesh, int32_t key)
{
    TdsMesh* parent = nullptr;
    if (!nodeStack.empty() && key > nodeStack.back().key)
    {
        parent = nodeStack.back().mesh;
    }
    else
    {
        size_t i = 0;
        while (i < nodeStack.size() && nodeStack[i].key != key)
            ++i;
        if (i < nodeStack.size())
        {
            parent = nodeStack[i].mesh->GetParent();
            nodeStack.resize(i);
        }
    }

    // Two nodes may name one mesh; linking it under itself or one of its own
    // descendants would make the hierarchy a cycle, so such a link is not made.
    if (!parent || !parent->IsSelfOrDescendantOf(mesh))
    {
        if (mesh->GetParent())
            mesh->GetParent()->RemoveChild(mesh);
        mesh->SetParent(parent);
        if (parent)
            parent->AddChild(mesh);
    }
    nodeStack.push_back(NodeEntry{key, mesh});
}

bool TdsReader::ReadFirstKey(uint16_t trackId, const TdsChunk& node, float* values, int count)
{
    GotoChunk(node);
    TdsChunk track;
    if (!FindChunk(trackId, node, track))
        return false;
    LimitScope scope(*this, track.end);
    ReadShort();
    ReadInt();
    ReadInt();
    uint32_t keys = ReadInt();
    if (keys == 0)
        return false;
    ReadKeyHeader();
    for (int i = 0; i < count; ++i)
        values[i] = ReadFloat();
    return true;
}

uint32_t TdsReader::ReadKeyHeader()
{
    uint32_t frame = ReadInt();
    uint16_t flags = static_cast<uint16_t>(ReadShort());
    const uint16_t kBits[] = {0x8000, 0x4000, 0x2000, 0x1000, 0x0800};
    for (uint16_t bit : kBits)
    {
        if (flags & bit)
            ReadFloat();
    }
    return frame;
}
