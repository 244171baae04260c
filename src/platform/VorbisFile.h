// The vorbisfile calls the music stream makes (open, stream format, read,
// rewind, clear), on a decoder whose state stays inside the platform layer, so
// that the library's header does too.
#pragma once

#include <cstdint>
#include <cstdio>

struct VorbisFileState;

// One Ogg Vorbis file being decoded. Not copyable; the state is allocated once
// by the constructor.
class VorbisFile
{
public:
    VorbisFile();
    // Clears the decoder (closing its file) if a file is open.
    ~VorbisFile();
    VorbisFile(const VorbisFile&) = delete;
    VorbisFile& operator=(const VorbisFile&) = delete;

    // ov_open with no initial bytes. 0 on success: the decoder then owns the
    // file and Clear closes it. Negative when the file is not Ogg Vorbis (or
    // a file is open already): the file stays the caller's to close.
    int Open(FILE* file);
    // ov_info of the whole stream: its channel count and samples per second.
    // False when no file is open.
    bool GetFormat(int* channels, long* rate) const;
    // ov_read as 16-bit signed little-endian samples into up to bytes bytes:
    // the bytes written, 0 at the end of the stream, negative on a decoding
    // error or when no file is open.
    long Read(char* destination, int bytes);
    // ov_raw_seek to a byte offset of the file: 0 on success.
    int RawSeek(int64_t offset);
    // ov_clear: releases the decoder's state and closes its file. Does
    // nothing when no file is open.
    void Clear();
    bool IsOpen() const { return open; }

private:
    VorbisFileState* state;
    bool open;
};
