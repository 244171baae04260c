// Measures the length of profiler frames, which the main loop closes and
// restarts every 200 ms, and can accumulate named sections within a frame.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ProfilerSection
{
    std::string name;
    // Counter at the last Begin.
    int64_t start = 0;
    // Counts summed over the completed measurements.
    int64_t accumulated = 0;
    // Completed measurements.
    int32_t count = 0;
    bool running = false;
};

class Profiler
{
public:
    static Profiler* GetInstance();

    // Starts a frame.
    void Start();
    // Ends the frame: its sections become the shown ones and collection starts
    // afresh.
    void EndFrame();

    // Starts timing a section of the current frame; does nothing while the
    // section runs already.
    void Begin(const char* name);
    // Adds the time since the section's Begin; an unknown name is ignored.
    void End(const char* name);

    // Sections of the last completed frame, in order of first Begin.
    int GetSectionCount() const { return static_cast<int>(shownSections.size()); }
    // An empty record for an index outside 0..count-1.
    const ProfilerSection& GetSection(int index) const;
    double GetFrameMilliseconds() const;
    // 0 for an index outside 0..count-1.
    double GetSectionMilliseconds(int index) const;

private:
    Profiler();
    Profiler(const Profiler&) = delete;
    Profiler& operator=(const Profiler&) = delete;

    ProfilerSection* Find(const char* name);

    int64_t frameStart = 0;
    int64_t frameEnd = 0;
    int64_t frequency = 0;
    int64_t lastFrameTicks = 0;
    std::vector<ProfilerSection> shownSections;
    std::vector<ProfilerSection> sections;
};
