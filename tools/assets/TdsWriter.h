// Writes 3D Studio (.3ds) chunk files in memory, little-endian as the format
// stores them: Begin(id) opens a chunk, End() closes the last one opened and
// fills in its length. Calls chain: w.Begin(0x4D4D).Begin(0x3D3D) ... End().End().
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace assets
{
class TdsWriter
{
public:
    // Opens a chunk; its length is written when the matching End() comes.
    TdsWriter& Begin(uint16_t id);
    // Closes the innermost open chunk; one must be open.
    TdsWriter& End();
    // A chunk header with a length of the caller's choosing (for broken files).
    TdsWriter& Header(uint16_t id, uint32_t length) { return U16(id).U32(length); }

    TdsWriter& U8(uint8_t v)
    {
        data.push_back(v);
        return *this;
    }
    TdsWriter& U16(uint16_t v) { return U8(static_cast<uint8_t>(v & 0xFF)).U8(v >> 8); }
    TdsWriter& I16(int16_t v) { return U16(static_cast<uint16_t>(v)); }
    TdsWriter& U32(uint32_t v) { return U16(v & 0xFFFF).U16(static_cast<uint16_t>(v >> 16)); }
    TdsWriter& Float(float v);
    TdsWriter& Floats(std::initializer_list<float> values);
    // The characters and a terminating zero.
    TdsWriter& String(const std::string& s);

    // Common leaf chunks: a colour as three floats (0x0010) or three bytes
    // (0x0011), a percentage as a short (0x0030) or a float (0x0031), and a
    // chunk holding only a string or only a float.
    TdsWriter& ColorFloat(float r, float g, float b);
    TdsWriter& ColorBytes(uint8_t r, uint8_t g, uint8_t b);
    TdsWriter& PercentShort(int16_t value);
    TdsWriter& PercentFloat(float value);
    TdsWriter& StringChunk(uint16_t id, const std::string& s);
    TdsWriter& FloatChunk(uint16_t id, float value);

    // Overwrites four bytes already written, at offset at.
    void PatchU32(size_t at, uint32_t v);
    size_t Size() const { return data.size(); }
    const std::vector<uint8_t>& Bytes() const { return data; }

    // Writes the bytes as a file; false (with a line on stderr) when it cannot.
    static bool Save(const std::vector<uint8_t>& bytes, const std::string& path);

private:
    std::vector<uint8_t> data;
    // Offsets of the length fields of the chunks still open.
    std::vector<size_t> open;
};
} // namespace assets
