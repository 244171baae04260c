#include "audio/DirectSoundSystem.h"

#include "audio/OggStream.h"
#include "platform/DirectSound.h"

#include <cstring>
#include <new>

IDirectSound8* g_directSound = nullptr;

DirectSoundSystem::DirectSoundSystem()
    : device(nullptr), primaryBuffer(nullptr), currentStream(nullptr)
{
}

DirectSoundSystem::~DirectSoundSystem() {}

int DirectSoundSystem::Init()
{
    // Into a local first: a second Init (refused while this device lives)
    // must not lose the device that Shutdown has to release.
    IDirectSound8* created = nullptr;
    if (FAILED(DirectSoundCreate8(&DSDEVID_DefaultPlayback, &created, nullptr)))
        return -1;
    device = created;

    DSBUFFERDESC desc;
    memset(&desc, 0, sizeof(desc));
    desc.dwSize = sizeof(desc);
    desc.dwFlags = DSBCAPS_PRIMARYBUFFER;
    if (FAILED(device->CreateSoundBuffer(&desc, &primaryBuffer, nullptr)))
    {
        device->Release();
        device = nullptr;
        return -1;
    }

    // Without the window (or with another format) the device keeps playing at
    // the format it has.
    HWND window = FindWindowA("TolviWndClass", "Tolvi output");
    device->SetCooperativeLevel(window, DSSCL_PRIORITY);

    WAVEFORMATEX format;
    memset(&format, 0, sizeof(format));
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 2;
    format.nSamplesPerSec = 44100;
    format.wBitsPerSample = 16;
    format.nBlockAlign = format.nChannels * format.wBitsPerSample / 8;
    format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
    primaryBuffer->SetFormat(&format);

    g_directSound = device;
    return 0;
}

void DirectSoundSystem::Shutdown()
{
    if (!device)
        return;
    // The device is gone after this Release; a stale global would let a
    // stream opened later create its buffer on freed memory.
    if (g_directSound == device)
        g_directSound = nullptr;
    // Nothing uses the primary buffer after this; kept, it would be lost to
    // the next Init.
    if (primaryBuffer)
    {
        primaryBuffer->Release();
        primaryBuffer = nullptr;
    }
    device->Release();
    device = nullptr;
}

void DirectSoundSystem::Update()
{
    if (currentStream)
        currentStream->Update();
}

SoundStream* DirectSoundSystem::CreateStream()
{
    return new (std::nothrow) OggStream();
}

void DirectSoundSystem::PlayMusic(SoundStream* stream)
{
    currentStream = stream;
    if (currentStream)
        currentStream->Play();
}
