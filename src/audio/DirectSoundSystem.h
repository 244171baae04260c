// The sound system over the DirectSound device: opens the default playback
// device at 16-bit stereo 44100 Hz, creates music streams and ticks the
// current one once per frame.
#pragma once

#include "audio/SoundSystem.h"

struct IDirectSound8;
struct IDirectSoundBuffer;

// The device on which music streams create their buffers; null while no
// device is open.
extern IDirectSound8* g_directSound;

class DirectSoundSystem : public SoundSystem
{
public:
    DirectSoundSystem();
    // Releases nothing of the device: Shutdown does that.
    ~DirectSoundSystem() override;

    // Opens the device and its primary buffer. -1, with nothing logged, when
    // either fails; the game then runs silent.
    int Init() override;
    // Releases the primary buffer and the device; a second call does nothing.
    // Streams keep their buffers.
    void Shutdown() override;
    // Ticks the current stream, if there is one.
    void Update() override;

    int PauseAll() override { return 0; }
    int ResumeAll() override { return 0; }
    int StopAll() override { return 0; }

    SoundStream* CreateStream() override;
    void PlayMusic(SoundStream* stream) override;

    void PlaySample(int, float, float, float) override {}
    void SetMasterVolume(int) override {}
    void SetMusicVolume(int) override {}
    void SetEffectsVolume(int) override {}

private:
    IDirectSound8* device;
    IDirectSoundBuffer* primaryBuffer;
    SoundStream* currentStream;
};
