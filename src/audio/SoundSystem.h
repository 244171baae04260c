// The game's one audio device, as an interface.
#pragma once

class SoundStream;

class SoundSystem
{
public:
    virtual ~SoundSystem() = default;

    // 0 on success, -1 when no device could be opened.
    virtual int Init() = 0;
    virtual void Shutdown() = 0;
    // Once per frame, after the picture: keeps the current music fed.
    virtual void Update() = 0;

    // Reserved for sound effects; nothing calls them.
    virtual int PauseAll() = 0;
    virtual int ResumeAll() = 0;
    virtual int StopAll() = 0;

    // A new, unopened stream that the caller owns; null when out of memory.
    virtual SoundStream* CreateStream() = 0;
    // Makes the stream the current music (not owned) and starts it.
    virtual void PlayMusic(SoundStream* stream) = 0;

    // Reserved for sound effects; nothing calls them.
    virtual void PlaySample(int sample, float x, float y, float z) = 0;
    virtual void SetMasterVolume(int volume) = 0;
    virtual void SetMusicVolume(int volume) = 0;
    virtual void SetEffectsVolume(int volume) = 0;
};
