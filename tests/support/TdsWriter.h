// Writes 3DS chunk files in memory for tests, benchmarks and fuzz seeds:
// Begin(id) opens a chunk, End() closes it and fills in its length.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

class TdsWriter
{
public:
    // Opens a chunk; its length is written when the matching End() comes.
    TdsWriter& Begin(uint16_t id)
    {
        U16(id);
        open.push_back(data.size());
        U32(0);
        return *this;
    }
    TdsWriter& End()
    {
        size_t at = open.back();
        open.pop_back();
        PatchU32(at, static_cast<uint32_t>(data.size() - at + 2));
        return *this;
    }
    // A chunk header with a length of the caller's choosing (for broken files).
    TdsWriter& Header(uint16_t id, uint32_t length) { return U16(id).U32(length); }

    TdsWriter& U8(uint8_t v)
    {
        data.push_back(v);
        return *this;
    }
    TdsWriter& U16(uint16_t v) { return U8(v & 0xFF).U8(v >> 8); }
    TdsWriter& I16(int16_t v) { return U16(static_cast<uint16_t>(v)); }
    TdsWriter& U32(uint32_t v) { return U16(v & 0xFFFF).U16(v >> 16); }
    TdsWriter& Float(float v)
    {
        uint32_t bits;
        std::memcpy(&bits, &v, 4);
        return U32(bits);
    }
    TdsWriter& Floats(std::initializer_list<float> values)
    {
        for (float v : values)
            Float(v);
        return *this;
    }
    // The characters and a terminating zero.
    TdsWriter& String(const std::string& s)
    {
        for (char c : s)
            U8(static_cast<uint8_t>(c));
        return U8(0);
    }

    // Common leaf chunks.
    TdsWriter& ColorFloat(float r, float g, float b)
    {
        return Begin(0x0010).Floats({r, g, b}).End();
    }
    TdsWriter& ColorBytes(uint8_t r, uint8_t g, uint8_t b)
    {
        return Begin(0x0011).U8(r).U8(g).U8(b).End();
    }
    TdsWriter& PercentShort(int16_t value) { return Begin(0x0030).I16(value).End(); }
    TdsWriter& PercentFloat(float value) { return Begin(0x0031).Float(value).End(); }
    TdsWriter& StringChunk(uint16_t id, const std::string& s) { return Begin(id).String(s).End(); }
    TdsWriter& FloatChunk(uint16_t id, float value) { return Begin(id).Float(value).End(); }

    void PatchU32(size_t at, uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            data[at + i] = static_cast<uint8_t>(v >> (8 * i));
    }
    size_t Size() const { return data.size(); }
    const std::vector<uint8_t>& Bytes() const { return data; }

    // Writes the bytes to a file; false when it cannot.
    static bool Save(const std::vector<uint8_t>& bytes, const std::string& path)
    {
        FILE* file = std::fopen(path.c_str(), "wb");
        if (!file)
            return false;
        bool ok = bytes.empty() || std::fwrite(bytes.data(), bytes.size(), 1, file) == 1;
        return std::fclose(file) == 0 && ok;
    }

private:
    std::vector<uint8_t> data;
    std::vector<size_t> open;
};
