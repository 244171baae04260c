// Frame timer: the length of each frame by the performance counter, scaled by
// the time scale, a frames-per-second figure recomputed once per second and
// the millisecond clock reading of the last frame.
#pragma once

#include <cstdint>

// One static object, zero until Initialize; no constructor, so it is usable
// (all zeros) before anything runs.
class Timer
{
public:
    static Timer* Instance();

    // Frame time 0.1 s and scale 1 until the first Update; starts the first
    // frames-per-second window. Called by Kernel::Init.
    void Initialize();
    // Measures the frame since the last update, once per frame from the
    // Kernel; the time scale set since the last update applies now. Before
    // Initialize it only reads the tick clock, and the frame time stays 0.
    void Update();
    void Shutdown();

    // The scaled length of the last frame in seconds: what physics, scene
    // updates and movement use.
    float GetFrameTime() const { return scaledFrameTime; }
    // Frames per second over the last complete window of just over 1000 ms;
    // 0 during the first window.
    int32_t GetFPS() const { return fps; }
    // timeGetTime() read at the end of the last update, in milliseconds.
    uint32_t GetTicks() const { return ticks; }
    // Multiplier of the frame time from the next Update on (1 is real time).
    void SetTimeScale(float scale) { timeScale = scale; }

private:
    int64_t lastCount;
    float timeScale;
    float scaledFrameTime;
    float frameTime;
    int32_t fpsInterval;
    int32_t fps;
    int32_t intervalFrames;
    int64_t intervalStart;
    int64_t frequency;
    uint32_t ticks;
};
