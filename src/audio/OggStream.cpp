#include "audio/OggStream.h"

#include "audio/DirectSoundSystem.h"
#include "core/Log.h"
#include "platform/DirectSound.h"
#include "platform/Files.h"

#include <cstring>

OggStream::OggStream()
    : file(nullptr), buffer(nullptr), playing(0), halfSize(4096), refillState(0), exhausted(false)
{
}

// The decoder's own destructor clears it, which closes the file. The buffer
// goes too: left playing, it would loop its last contents for good.
OggStream::~OggStream()
{
    ReleaseBuffer();
}

void OggStream::ReleaseBuffer()
{
    if (!buffer)
        return;
    buffer->Stop();
    buffer->Release();
    buffer = nullptr;
}

int OggStream::Open(const char* name)
{
    if (file)
    {
        decoder.Clear();
        file = nullptr;
    }
    // A stream opened again plays only the new file.
    ReleaseBuffer();
    playing = 0;
    refillState = 0;
    exhausted = false;

    file = OpenFile(name, "rb");
    if (!file)
    {
        Log::Printf(Log::Instance(), "Error: File \"%s\" not found.\n", name);
        return -1;
    }

    if (decoder.Open(file) < 0)
    {
        Log::Printf(Log::Instance(), "Error: File \"%s\" is not an ogg/vorbis stream.\n", name);
        fclose(file);
        file = nullptr;
        return -1;
    }

    int channels = 0;
    long rate = 0;
    // The file decides these; the device takes mono or stereo within its rate
    // range, and anything else must not reach the buffer size arithmetic.
    if (!decoder.GetFormat(&channels, &rate) || channels < 1 || channels > 2 ||
        rate < long(DSBFREQUENCY_MIN) || rate > long(DSBFREQUENCY_MAX))
    {
        Log::Printf(Log::Instance(),
                    "Error: File \"%s\" has %d channels at %ld Hz, which cannot be played.\n", name,
                    channels, rate);
        decoder.Clear();
        file = nullptr;
        return -1;
    }

    WAVEFORMATEX format;
    memset(&format, 0, sizeof(format));
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = static_cast<WORD>(channels);
    format.nSamplesPerSec = static_cast<DWORD>(rate);
    format.wBitsPerSample = 16;
    format.nBlockAlign = static_cast<WORD>(format.nChannels * 16 / 8);
    format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;

    // A quarter second per half: 44100 Hz stereo gives 44100 bytes.
    halfSize = format.nBlockAlign *
               static_cast<uint32_t>(static_cast<float>(static_cast<int64_t>(rate)) * 0.5f / 2.0f);

    DSBUFFERDESC desc;
    memset(&desc, 0, sizeof(desc));
    desc.dwSize = sizeof(desc);
    desc.dwFlags =
        DSBCAPS_GETCURRENTPOSITION2 | DSBCAPS_CTRLVOLUME | DSBCAPS_CTRLPAN | DSBCAPS_CTRLFREQUENCY;
    desc.dwBufferBytes = 2 * halfSize;
    desc.lpwfxFormat = &format;
    desc.guid3DAlgorithm = GUID_NULL;

    IDirectSoundBuffer* first = nullptr;
    if (!g_directSound || FAILED(g_directSound->CreateSoundBuffer(&desc, &first, nullptr)))
    {
        decoder.Clear();
        file = nullptr;
        return -1;
    }
    void* second = nullptr;
    first->QueryInterface(IID_IDirectSoundBuffer8, &second);
    buffer = static_cast<IDirectSoundBuffer8*>(second);
    first->Release();
    if (!buffer)
    {
        decoder.Clear();
        file = nullptr;
        return -1;
    }

    buffer->SetVolume(0);
    Fill(0);
    Fill(halfSize);
    return 0;
}

void OggStream::Play()
{
    if (!buffer)
        return;
    playing = 1;
    buffer->Play(0, 0, DSBPLAY_LOOPING);
}

void OggStream::Stop()
{
    if (!buffer)
        return;
    playing = 0;
    buffer->Stop();
    decoder.RawSeek(0);
}

void OggStream::Pause()
{
    if (!buffer)
        return;
    playing = 0;
    buffer->Stop();
}

void OggStream::Update()
{
    if (!buffer || playing != 1)
        return;
    DWORD playCursor = 0;
    buffer->GetCurrentPosition(&playCursor, nullptr);
    if (refillState == 0)
    {
        if (playCursor > halfSize)
        {
            refillState = 1;
            Fill(0);
        }
        return;
    }
    if (playCursor <= halfSize)
    {
        refillState = 0;
        Fill(halfSize);
    }
}

void OggStream::Fill(uint32_t offset)
{
    void* region = nullptr;
    DWORD regionSize = 0;
    DWORD secondSize = 0;
    if (FAILED(buffer->Lock(offset, halfSize, &region, &regionSize, nullptr, &secondSize, 0)))
        return;

    char* destination = static_cast<char*>(region);
    long remaining = static_cast<long>(regionSize);
    // Bytes decoded since the last rewind: a rewind that is not followed by
    // any sound means the file has none, and reading on would never end.
    long sinceRewind = 1;
    while (remaining > 0 && !exhausted)
    {
        long r = decoder.Read(destination, static_cast<int>(remaining));
        if (r > 0)
        {
            destination += r;
            remaining -= r;
            sinceRewind += r;
        }
        else if (r < 0)
        {
            break;
        }
        else if (sinceRewind == 0)
        {
            exhausted = true;
        }
        else if (decoder.RawSeek(0) != 0)
        {
            Stop();
            break;
        }
        else
        {
            sinceRewind = 0;
        }
    }
    if (exhausted)
        memset(destination, 0, static_cast<size_t>(remaining));

    buffer->Unlock(region, regionSize, nullptr, secondSize);
}
