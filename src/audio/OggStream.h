// Ogg Vorbis music on one looping sound buffer of two halves: while the device
// plays one half, Update refills the other from the decoder, and at the end of
// the file the decoder seeks back to the start inside the same fill, so the
// music loops without a gap.
#pragma once

#include "audio/SoundStream.h"
#include "platform/VorbisFile.h"

#include <cstdint>
#include <cstdio>

struct IDirectSoundBuffer8;

class OggStream : public SoundStream
{
public:
    OggStream();
    // Stops and releases the sound buffer, then the decoder and the file.
    ~OggStream() override;

    // Opens the file, creates a buffer of two quarter-second halves on
    // g_directSound and fills both. -1 on a missing file, a file that is not
    // Ogg Vorbis or has a channel count or rate the device cannot play (each
    // logged), or when no device or buffer is available (not logged).
    int Open(const char* name) override;
    void Play() override;
    void Stop() override;
    void Pause() override;
    void Update() override;

    // Decodes half-size bytes into the buffer at offset.
    void Fill(uint32_t offset);

    uint32_t GetHalfSize() const { return halfSize; }
    // 0 while the play cursor is in the first half, 1 in the second.
    uint32_t GetRefillState() const { return refillState; }

private:
    void ReleaseBuffer();

    FILE* file;
    IDirectSoundBuffer8* buffer;
    VorbisFile decoder;
    uint8_t playing;
    uint32_t halfSize;
    uint32_t refillState;
    // Set once the decoder gave nothing even right after a rewind: the file
    // has no sound to loop, and the buffer is filled with silence from then on.
    bool exhausted;
};
