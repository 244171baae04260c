#include "core/Profiler.h"

#include "core/PerformanceCounter.h"

Profiler* Profiler::GetInstance()
{
    static Profiler profiler;
    return &profiler;
}

Profiler::Profiler()
{
    frequency = ReadPerformanceFrequency();
}

void Profiler::Start()
{
    frameStart = ReadPerformanceCounter();
}

void Profiler::EndFrame()
{
    frameEnd = ReadPerformanceCounter();
    shownSections = sections;
    sections.clear();
    lastFrameTicks = frameEnd - frameStart;
}

ProfilerSection* Profiler::Find(const char* name)
{
    for (ProfilerSection& section : sections)
    {
        if (section.name == name)
            return &section;
    }
    return nullptr;
}

void Profiler::Begin(const char* name)
{
    ProfilerSection* section = Find(name);
    if (!section)
    {
        ProfilerSection fresh;
        fresh.name = name;
        fresh.start = ReadPerformanceCounter();
        fresh.running = true;
        sections.push_back(fresh);
        return;
    }
    if (section->running)
        return;
    section->start = ReadPerformanceCounter();
    section->running = true;
}

void Profiler::End(const char* name)
{
    ProfilerSection* section = Find(name);
    if (!section)
        return;
    section->accumulated += ReadPerformanceCounter() - section->start;
    ++section->count;
    section->running = false;
}

const ProfilerSection& Profiler::GetSection(int index) const
{
    static const ProfilerSection empty;
    if (index < 0 || index >= GetSectionCount())
        return empty;
    return shownSections[index];
}

double Profiler::GetFrameMilliseconds() const
{
    return lastFrameTicks * 1000.0 / frequency;
}

double Profiler::GetSectionMilliseconds(int index) const
{
    if (index < 0 || index >= GetSectionCount())
        return 0.0;
    return shownSections[index].accumulated * 1000.0 / frequency;
}
