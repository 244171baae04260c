// DirectSound over SDL2 audio.
//
// One device at a time owns one SDL output device whose callback runs the
// mixer: every playing secondary buffer is read as a ring from its play
// cursor, converted to the device's rate (linear interpolation, a 32.32 fixed
// point cursor, so equal rates copy samples unchanged) and channel count, and
// summed with clamping. All mixer state sits behind one mutex that the
// callback holds only while it mixes one device period; Lock and Unlock hold
// it only to mark or clear the locked range, and the mixer plays silence
// where a range is locked instead of reading bytes that are being written.
#include "platform/DirectSound.h"
#include "platform/SoundTestHooks.h"

#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <mutex>
#include <new>
#include <vector>

const GUID GUID_NULL = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};
const GUID DSDEVID_DefaultPlayback = {0x746f6c01, 0x0001, 0x0001, {0, 0, 0, 0, 0, 0, 0, 1}};
const GUID IID_IDirectSoundBuffer = {0x746f6c01, 0x0002, 0x0001, {0, 0, 0, 0, 0, 0, 0, 2}};
const GUID IID_IDirectSoundBuffer8 = {0x746f6c01, 0x0002, 0x0008, {0, 0, 0, 0, 0, 0, 0, 3}};

namespace
{
const int kDeviceRate = 44100;
const int kDeviceChannels = 2;
// Frames per device period: about 12 ms at 44100 Hz, so the play cursor moves
// in steps far below a quarter-second half buffer.
const int kDevicePeriod = 512;
const int32_t kUnityGain = 1 << 16;

class SoundDevice;

std::mutex g_mixerMutex;
SoundDevice* g_device = nullptr; // guarded by g_mixerMutex for the mixer's sake
std::atomic<bool> g_manualMixing{false};

bool FormatIsPlayable(const WAVEFORMATEX* format)
{
    if (!format || format->wFormatTag != WAVE_FORMAT_PCM || format->wBitsPerSample != 16)
        return false;
    if (format->nChannels < 1 || format->nChannels > 2)
        return false;
    if (format->nSamplesPerSec < DSBFREQUENCY_MIN || format->nSamplesPerSec > DSBFREQUENCY_MAX)
        return false;
    if (format->nBlockAlign != format->nChannels * 2)
        return false;
    return format->nAvgBytesPerSec == format->nSamplesPerSec * format->nBlockAlign;
}

class SoundBuffer final : public IDirectSoundBuffer8
{
public:
    SoundBuffer(SoundDevice* device, bool primary) : device(device), primary(primary) {}

    HRESULT QueryInterface(REFIID iid, LPVOID* object) override;
    ULONG AddRef() override { return ++references; }
    ULONG Release() override;
    HRESULT GetCurrentPosition(DWORD* playCursor, DWORD* writeCursor) override;
    HRESULT Lock(DWORD offset, DWORD bytes, LPVOID* audio1, DWORD* bytes1, LPVOID* audio2,
                 DWORD* bytes2, DWORD flags) override;
    HRESULT Play(DWORD reserved, DWORD priority, DWORD flags) override;
    HRESULT SetFormat(LPCWAVEFORMATEX format) override;
    HRESULT SetVolume(LONG volume) override;
    HRESULT Stop() override;
    HRESULT Unlock(LPVOID audio1, DWORD bytes1, LPVOID audio2, DWORD bytes2) override;

    // Adds this buffer's next frames to acc (frames * outChannels sums).
    // Called with the mixer mutex held.
    void MixInto(int32_t* acc, int frames, int outChannels, int outRate);
    bool IsLocked(DWORD frame) const;

    std::atomic<ULONG> references{1};
    SoundDevice* device; // null once the device is gone
    const bool primary;
    DWORD caps = 0;

    // Secondary buffers: the samples and their format.
    int16_t* samples = nullptr;
    DWORD bytes = 0;
    DWORD frames = 0;
    int channels = 0;
    DWORD rate = 0;

    // Mixer state, guarded by g_mixerMutex.
    bool playing = false;
    bool looping = false;
    uint64_t position = 0; // frames in 32.32 fixed point
    int32_t gain = kUnityGain;
    bool locked = false;
    DWORD lockStart = 0; // frames
    DWORD lockFrames = 0;
};

class SoundDevice final : public IDirectSound8
{
public:
    ULONG AddRef() override { return ++references; }
    ULONG Release() override;
    HRESULT CreateSoundBuffer(LPCDSBUFFERDESC desc, IDirectSoundBuffer** buffer,
                              void* outer) override;
    HRESULT SetCooperativeLevel(HWND window, DWORD level) override;

    // Opens the SDL output at the given format; false when SDL refuses.
    bool OpenOutput(int outRate, int outChannels);
    void CloseOutput();
    HRESULT ChangeFormat(const WAVEFORMATEX* format);
    // Mixes frames into out; called with the mixer mutex held.
    void Mix(int16_t* out, int frames);

    std::atomic<ULONG> references{1};
    SDL_AudioDeviceID output = 0;
    int rate = kDeviceRate;
    int channels = kDeviceChannels;
    DWORD cooperativeLevel = 0;
    SoundBuffer* primaryBuffer = nullptr;
    std::vector<SoundBuffer*> buffers; // guarded by g_mixerMutex
};

void SDLCALL AudioCallback(void* userdata, Uint8* stream, int length)
{
    SoundDevice* device = static_cast<SoundDevice*>(userdata);
    if (g_manualMixing.load())
    {
        memset(stream, 0, static_cast<size_t>(length));
        return;
    }
    std::lock_guard<std::mutex> guard(g_mixerMutex);
    device->Mix(reinterpret_cast<int16_t*>(stream), length / (2 * device->channels));
}

// ---- SoundBuffer

HRESULT SoundBuffer::QueryInterface(REFIID iid, LPVOID* object)
{
    if (!object)
        return DSERR_INVALIDPARAM;
    *object = nullptr;
    if (iid == IID_IDirectSoundBuffer || (!primary && iid == IID_IDirectSoundBuffer8))
    {
        AddRef();
        *object = static_cast<IDirectSoundBuffer8*>(this);
        return DS_OK;
    }
    return DSERR_NOINTERFACE;
}

ULONG SoundBuffer::Release()
{
    ULONG left = --references;
    if (left > 0)
        return left;
    {
        std::lock_guard<std::mutex> guard(g_mixerMutex);
        if (device)
        {
            auto& list = device->buffers;
            list.erase(std::remove(list.begin(), list.end(), this), list.end());
            if (device->primaryBuffer == this)
                device->primaryBuffer = nullptr;
        }
    }
    delete[] samples;
    delete this;
    return 0;
}

HRESULT SoundBuffer::GetCurrentPosition(DWORD* playCursor, DWORD* writeCursor)
{
    if (primary)
        return DSERR_INVALIDCALL;
    std::lock_guard<std::mutex> guard(g_mixerMutex);
    DWORD frame = static_cast<DWORD>(position >> 32);
    DWORD blockAlign = static_cast<DWORD>(channels) * 2;
    if (playCursor)
        *playCursor = frame * blockAlign;
    if (writeCursor)
    {
        // One device period ahead: what the mixer may already have taken.
        int outRate = device ? device->rate : kDeviceRate;
        DWORD ahead = static_cast<DWORD>(
            (static_cast<uint64_t>(kDevicePeriod) * rate + outRate - 1) / outRate);
        *writeCursor = ((frame + ahead) % frames) * blockAlign;
    }
    return DS_OK;
}

HRESULT SoundBuffer::Lock(DWORD offset, DWORD lockBytes, LPVOID* audio1, DWORD* bytes1,
                          LPVOID* audio2, DWORD* bytes2, DWORD flags)
{
    if (primary || !audio1 || !bytes1 || flags != 0)
        return DSERR_INVALIDPARAM;
    DWORD blockAlign = static_cast<DWORD>(channels) * 2;
    if (offset >= bytes || lockBytes == 0 || lockBytes > bytes || offset % blockAlign != 0 ||
        lockBytes % blockAlign != 0)
        return DSERR_INVALIDPARAM;

    DWORD first = std::min(lockBytes, bytes - offset);
    DWORD second = audio2 ? lockBytes - first : 0;
    {
        std::lock_guard<std::mutex> guard(g_mixerMutex);
        if (locked)
            return DSERR_INVALIDCALL;
        locked = true;
        lockStart = offset / blockAlign;
        lockFrames = (first + second) / blockAlign;
    }
    *audio1 = reinterpret_cast<uint8_t*>(samples) + offset;
    *bytes1 = first;
    if (audio2)
        *audio2 = second ? samples : nullptr;
    if (bytes2)
        *bytes2 = second;
    return DS_OK;
}

HRESULT SoundBuffer::Unlock(LPVOID audio1, DWORD, LPVOID, DWORD)
{
    if (primary)
        return DSERR_INVALIDCALL;
    std::lock_guard<std::mutex> guard(g_mixerMutex);
    DWORD blockAlign = static_cast<DWORD>(channels) * 2;
    if (!locked || audio1 != reinterpret_cast<uint8_t*>(samples) + lockStart * blockAlign)
        return DSERR_INVALIDPARAM;
    locked = false;
    return DS_OK;
}

HRESULT SoundBuffer::Play(DWORD, DWORD, DWORD flags)
{
    if (primary)
        return DSERR_INVALIDCALL;
    std::lock_guard<std::mutex> guard(g_mixerMutex);
    playing = true;
    looping = (flags & DSBPLAY_LOOPING) != 0;
    return DS_OK;
}

HRESULT SoundBuffer::Stop()
{
    if (primary)
        return DSERR_INVALIDCALL;
    std::lock_guard<std::mutex> guard(g_mixerMutex);
    playing = false;
    return DS_OK;
}

HRESULT SoundBuffer::SetVolume(LONG volume)
{
    if (primary || !(caps & DSBCAPS_CTRLVOLUME))
        return DSERR_CONTROLUNAVAIL;
    if (volume < DSBVOLUME_MIN || volume > DSBVOLUME_MAX)
        return DSERR_INVALIDPARAM;
    int32_t newGain = kUnityGain;
    if (volume != 0)
        newGain = static_cast<int32_t>(std::lround(std::pow(10.0, volume / 2000.0) * kUnityGain));
    std::lock_guard<std::mutex> guard(g_mixerMutex);
    gain = newGain;
    return DS_OK;
}

HRESULT SoundBuffer::SetFormat(LPCWAVEFORMATEX format)
{
    if (!primary)
        return DSERR_INVALIDCALL;
    if (!FormatIsPlayable(format))
        return DSERR_BADFORMAT;
    if (!device)
        return DSERR_INVALIDCALL;
    return device->ChangeFormat(format);
}

bool SoundBuffer::IsLocked(DWORD frame) const
{
    if (!locked)
        return false;
    DWORD distance = frame >= lockStart ? frame - lockStart : frame + frames - lockStart;
    return distance < lockFrames;
}

void SoundBuffer::MixInto(int32_t* acc, int count, int outChannels, int outRate)
{
    const uint64_t step = (static_cast<uint64_t>(rate) << 32) / static_cast<uint64_t>(outRate);
    const uint64_t end = static_cast<uint64_t>(frames) << 32;
    for (int i = 0; i < count; i++)
    {
        DWORD frame = static_cast<DWORD>(position >> 32);
        uint32_t fraction = static_cast<uint32_t>(position);
        int32_t left = 0;
        int32_t right = 0;
        if (!IsLocked(frame))
        {
            const int16_t* a = samples + static_cast<size_t>(frame) * channels;
            left = a[0];
            right = a[channels - 1];
            if (fraction != 0)
            {
                DWORD next = frame + 1;
                if (next >= frames)
                    next = looping ? 0 : frame;
                if (!IsLocked(next))
                {
                    const int16_t* b = samples + static_cast<size_t>(next) * channels;
                    left +=
                        static_cast<int32_t>((static_cast<int64_t>(b[0] - left) * fraction) >> 32);
                    right += static_cast<int32_t>(
                        (static_cast<int64_t>(b[channels - 1] - right) * fraction) >> 32);
                }
            }
            if (gain != kUnityGain)
            {
                left = static_cast<int32_t>((static_cast<int64_t>(left) * gain) >> 16);
                right = static_cast<int32_t>((static_cast<int64_t>(right) * gain) >> 16);
            }
        }
        if (outChannels == 2)
        {
            acc[2 * i] += left;
            acc[2 * i + 1] += right;
        }
        else
        {
            acc[i] += channels == 2 ? (left + right) / 2 : left;
        }

        position += step;
        if (position >= end)
        {
            if (looping)
            {
                position %= end;
            }
            else
            {
                playing = false;
                position = 0;
                return;
            }
        }
    }
}

// ---- SoundDevice

bool SoundDevice::OpenOutput(int outRate, int outChannels)
{
    SDL_AudioSpec want;
    SDL_zero(want);
    want.freq = outRate;
    want.format = AUDIO_S16SYS;
    want.channels = static_cast<Uint8>(outChannels);
    want.samples = kDevicePeriod;
    want.callback = AudioCallback;
    want.userdata = this;
    SDL_AudioSpec have;
    // No changes allowed: SDL converts to whatever the hardware takes, so the
    // callback always sees exactly this format.
    output = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (output == 0)
        return false;
    {
        std::lock_guard<std::mutex> guard(g_mixerMutex);
        rate = outRate;
        channels = outChannels;
    }
    // Devices open paused; the callback runs from here on.
    SDL_PauseAudioDevice(output, 0);
    return true;
}

void SoundDevice::CloseOutput()
{
    // Not under the mixer mutex: closing waits for the callback to return.
    if (output != 0)
        SDL_CloseAudioDevice(output);
    output = 0;
}

HRESULT SoundDevice::ChangeFormat(const WAVEFORMATEX* format)
{
    int newRate = static_cast<int>(format->nSamplesPerSec);
    int newChannels = format->nChannels;
    if (output != 0 && newRate == rate && newChannels == channels)
        return DS_OK;
    int oldRate = rate;
    int oldChannels = channels;
    CloseOutput();
    if (OpenOutput(newRate, newChannels))
        return DS_OK;
    OpenOutput(oldRate, oldChannels);
    return DSERR_GENERIC;
}

void SoundDevice::Mix(int16_t* out, int count)
{
    int32_t acc[kDevicePeriod * 2];
    while (count > 0)
    {
        int n = std::min(count, kDevicePeriod);
        std::fill(acc, acc + n * channels, 0);
        for (SoundBuffer* buffer : buffers)
        {
            if (buffer->playing)
                buffer->MixInto(acc, n, channels, rate);
        }
        for (int i = 0; i < n * channels; i++)
            out[i] = static_cast<int16_t>(std::clamp(acc[i], -32768, 32767));
        out += n * channels;
        count -= n;
    }
}

ULONG SoundDevice::Release()
{
    ULONG left = --references;
    if (left > 0)
        return left;
    CloseOutput();
    {
        std::lock_guard<std::mutex> guard(g_mixerMutex);
        for (SoundBuffer* buffer : buffers)
            buffer->device = nullptr;
        if (primaryBuffer)
            primaryBuffer->device = nullptr;
        buffers.clear();
        g_device = nullptr;
    }
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    delete this;
    return 0;
}

HRESULT SoundDevice::SetCooperativeLevel(HWND window, DWORD level)
{
    if (!window || level < DSSCL_NORMAL)
        return DSERR_INVALIDPARAM;
    cooperativeLevel = level;
    return DS_OK;
}

HRESULT SoundDevice::CreateSoundBuffer(LPCDSBUFFERDESC desc, IDirectSoundBuffer** result,
                                       void* outer)
{
    if (!result)
        return DSERR_INVALIDPARAM;
    *result = nullptr;
    if (outer)
        return DSERR_NOAGGREGATION;
    if (!desc || desc->dwSize < 36)
        return DSERR_INVALIDPARAM;

    if (desc->dwFlags & DSBCAPS_PRIMARYBUFFER)
    {
        if (desc->dwBufferBytes != 0 || desc->lpwfxFormat)
            return DSERR_INVALIDPARAM;
        if (primaryBuffer)
        {
            primaryBuffer->AddRef();
            *result = primaryBuffer;
            return DS_OK;
        }
        SoundBuffer* buffer = new (std::nothrow) SoundBuffer(this, true);
        if (!buffer)
            return DSERR_OUTOFMEMORY;
        buffer->caps = desc->dwFlags;
        std::lock_guard<std::mutex> guard(g_mixerMutex);
        primaryBuffer = buffer;
        *result = buffer;
        return DS_OK;
    }

    const WAVEFORMATEX* format = desc->lpwfxFormat;
    if (!format)
        return DSERR_INVALIDPARAM;
    if (!FormatIsPlayable(format))
        return DSERR_BADFORMAT;
    if (desc->dwBufferBytes < DSBSIZE_MIN || desc->dwBufferBytes > DSBSIZE_MAX ||
        desc->dwBufferBytes < format->nBlockAlign)
        return DSERR_INVALIDPARAM;

    SoundBuffer* buffer = new (std::nothrow) SoundBuffer(this, false);
    if (!buffer)
        return DSERR_OUTOFMEMORY;
    buffer->caps = desc->dwFlags;
    buffer->channels = format->nChannels;
    buffer->rate = format->nSamplesPerSec;
    buffer->frames = desc->dwBufferBytes / format->nBlockAlign;
    buffer->bytes = buffer->frames * format->nBlockAlign;
    buffer->samples =
        new (std::nothrow) int16_t[static_cast<size_t>(buffer->frames) * format->nChannels]();
    if (!buffer->samples)
    {
        delete buffer;
        return DSERR_OUTOFMEMORY;
    }
    std::lock_guard<std::mutex> guard(g_mixerMutex);
    buffers.push_back(buffer);
    *result = buffer;
    return DS_OK;
}
} // namespace

HRESULT DirectSoundCreate8(LPCGUID deviceId, LPDIRECTSOUND8* directSound, void* outer)
{
    if (!directSound)
        return DSERR_INVALIDPARAM;
    *directSound = nullptr;
    if (outer)
        return DSERR_NOAGGREGATION;
    if (deviceId && *deviceId != DSDEVID_DefaultPlayback && *deviceId != GUID_NULL)
        return DSERR_NODRIVER;
    {
        std::lock_guard<std::mutex> guard(g_mixerMutex);
        if (g_device)
            return DSERR_ALLOCATED;
    }
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
        return DSERR_NODRIVER;

    SoundDevice* device = new (std::nothrow) SoundDevice();
    if (!device)
    {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return DSERR_OUTOFMEMORY;
    }
    {
        std::lock_guard<std::mutex> guard(g_mixerMutex);
        g_device = device;
    }
    if (!device->OpenOutput(kDeviceRate, kDeviceChannels))
    {
        {
            std::lock_guard<std::mutex> guard(g_mixerMutex);
            g_device = nullptr;
        }
        delete device;
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return DSERR_NODRIVER;
    }
    *directSound = device;
    return DS_OK;
}

void TestSetManualMixing(bool manual)
{
    g_manualMixing.store(manual);
}

int TestMixFrames(int16_t* out, int frames)
{
    std::lock_guard<std::mutex> guard(g_mixerMutex);
    if (!g_device)
        return 0;
    g_device->Mix(out, frames);
    return g_device->channels;
}

bool TestGetDeviceFormat(int* rate, int* channels)
{
    std::lock_guard<std::mutex> guard(g_mixerMutex);
    if (!g_device)
        return false;
    if (rate)
        *rate = g_device->rate;
    if (channels)
        *channels = g_device->channels;
    return true;
}
