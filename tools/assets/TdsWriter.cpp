#include "assets/TdsWriter.h"

#include "assets/Files.h"

#include <cassert>
#include <cstring>

namespace assets
{
TdsWriter& TdsWriter::Begin(uint16_t id)
{
    U16(id);
    open.push_back(data.size());
    return U32(0);
}

TdsWriter& TdsWriter::End()
{
    assert(!open.empty() && "End() without an open chunk");
    const size_t at = open.back();
    open.pop_back();
    // The length counts the whole chunk, its 6-byte header included.
    PatchU32(at, static_cast<uint32_t>(data.size() - at + 2));
    return *this;
}

TdsWriter& TdsWriter::Float(float v)
{
    uint32_t bits;
    std::memcpy(&bits, &v, 4);
    return U32(bits);
}

TdsWriter& TdsWriter::Floats(std::initializer_list<float> values)
{
    for (float v : values)
        Float(v);
    return *this;
}

TdsWriter& TdsWriter::String(const std::string& s)
{
    data.insert(data.end(), s.begin(), s.end());
    return U8(0);
}

TdsWriter& TdsWriter::ColorFloat(float r, float g, float b)
{
    return Begin(0x0010).Floats({r, g, b}).End();
}

TdsWriter& TdsWriter::ColorBytes(uint8_t r, uint8_t g, uint8_t b)
{
    return Begin(0x0011).U8(r).U8(g).U8(b).End();
}

TdsWriter& TdsWriter::PercentShort(int16_t value)
{
    return Begin(0x0030).I16(value).End();
}

TdsWriter& TdsWriter::PercentFloat(float value)
{
    return Begin(0x0031).Float(value).End();
}

TdsWriter& TdsWriter::StringChunk(uint16_t id, const std::string& s)
{
    return Begin(id).String(s).End();
}

TdsWriter& TdsWriter::FloatChunk(uint16_t id, float value)
{
    return Begin(id).Float(value).End();
}

void TdsWriter::PatchU32(size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        data[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

bool TdsWriter::Save(const std::vector<uint8_t>& bytes, const std::string& path)
{
    return SaveFile(path, bytes);
}
} // namespace assets
