// The 3DS file reader: loads a whole file into memory, walks its chunk tree
// with a bounds-checked buffer reader and fills the loader's lists, then runs
// the optimisation passes on every mesh.
#pragma once

#include "tds/TdsLoaderBase.h"

#include <cstdint>
#include <vector>

// A chunk as the reader handles it: start is the offset of its data (just past
// the 6-byte header), end the offset just past the chunk.
struct TdsChunk
{
    uint16_t id = 0;
    uint32_t start = 0;
    uint32_t end = 0;
};

// Seek origins: from the start of the buffer, or from the current position.
const int kTdsSeekStart = 1900;
const int kTdsSeekCurrent = 1901;

class TdsReader : public TdsLoaderBase
{
public:
    TdsReader();
    // Constructs, then loads the file.
    explicit TdsReader(const char* path);
    ~TdsReader() override;

    // Reads and parses the file. False (with a log line) when it cannot be
    // opened or read, or is not a 3DS file; false without a line when it
    // holds no editor chunk.
    bool LoadFile(const char* path) override;
    // Parses a file image held in memory exactly as LoadFile parses a file.
    bool LoadMemory(const void* data, uint32_t dataSize);

    // The buffer reader. SetBuffer holds a copy of the bytes at position 0.
    void SetBuffer(const void* data, uint32_t dataSize);
    // Each read succeeds when the value lies wholly inside the buffer (and the
    // chunk being read): it returns the value and advances. Otherwise it sets
    // the error flag, leaves the position and returns 0.
    int16_t ReadShort();
    uint32_t ReadInt();
    float ReadFloat();
    int8_t ReadChar();
    uint8_t ReadByte();
    // Consumes a zero-terminated string through its terminator and stores at
    // most max - 1 characters of it, terminated. Returns the number stored.
    uint32_t ReadASCIIZ(char* dest, uint32_t max);
    // Origin kTdsSeekStart sets the position, kTdsSeekCurrent adds to it; the
    // result is clamped to the size. Clears the error flag.
    void Seek(uint32_t offset, int origin);
    TdsChunk ReadChunk();
    // Walks the children of parent from the current position; true with the
    // first child of the wanted id, the position at its start. The walk ends
    // at parent's end or at a header that does not fit inside parent.
    bool FindChunk(uint16_t wanted, const TdsChunk& parent, TdsChunk& found);
    void SkipChunk(const TdsChunk& chunk) { Seek(chunk.end, kTdsSeekStart); }
    void GotoChunk(const TdsChunk& chunk) { Seek(chunk.start, kTdsSeekStart); }
    uint32_t GetPosition() const { return position; }
    bool HasError() const { return error != 0; }

    // Writes the text and a line end to the log.
    static void ErrorMsg(const char* text);

private:
    struct NodeEntry
    {
        int32_t key;
        TdsMesh* mesh;
    };
    // Narrows the reads to a chunk for the lifetime of the scope.
    class LimitScope
    {
    public:
        LimitScope(TdsReader& reader, uint32_t end);
        ~LimitScope();
        LimitScope(const LimitScope&) = delete;
        LimitScope& operator=(const LimitScope&) = delete;

    private:
        TdsReader& reader;
        uint32_t saved;
    };

    bool Read3DS();
    // The next child of parent from the current position; false at the
    // parent's end or at a header that does not fit in it. A child reaching
    // past the parent's end ends the walk too, or with cutToParent is taken up
    // to that end.
    bool NextChild(const TdsChunk& parent, TdsChunk& child, bool cutToParent = false);
    bool FindChild(uint16_t wanted, const TdsChunk& parent, TdsChunk& found, bool cutToParent);
    uint32_t BytesLeft() const;
    bool CanRead(uint32_t width) const;
    // The next bytes of the buffer, consumed; null (with the error flag set)
    // when they do not lie wholly inside it and the chunk being read.
    const uint8_t* ReadBlock(uint32_t bytes);
    void FreeBuffer();
    TdsVector ReadVector();

    void ReadObject(const TdsChunk& chunk);
    void ReadMaterial(const TdsChunk& chunk);
    void ReadReflectionMap(const TdsChunk& chunk, TdsMaterial& material);
    void ReadMap(const TdsChunk& chunk, TdsMap& map);
    TdsColor ReadColor(const TdsChunk& chunk);
    float ReadPercentage(const TdsChunk& chunk);
    void ReadMesh(const TdsChunk& chunk);
    void ReadFaceList(const TdsChunk& chunk, TdsMesh& mesh);
    void ReadLight(const TdsChunk& chunk);
    void ReadCamera(const TdsChunk& chunk);
    void ReadKeyframeData(const TdsChunk& node);
    void LinkNode(TdsMesh* mesh, int32_t key);
    // Reads the value of a track's first key; false (values untouched) when the
    // node has no such track or the track holds no key.
    bool ReadFirstKey(uint16_t trackId, const TdsChunk& node, float* values, int count);
    uint32_t ReadKeyHeader();

    char objectName[100];
    uint8_t error = 0;
    uint8_t* buffer = nullptr;
    uint32_t size = 0;
    uint32_t position = 0;
    // Reads never pass this offset: the end of the chunk being read, at most size.
    uint32_t limit = 0;
    std::vector<NodeEntry> nodeStack;
};
