// Test fixture for sound: a temporary folder, the audio driver the test needs
// (restored afterwards), and the mixer driven by the test through its hook.
#pragma once

#include "platform/SoundTestHooks.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

class AudioTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SetEnv("SDL_AUDIODRIVER", "dummy");
        TestSetManualMixing(true);
    }
    void TearDown() override
    {
        TestSetManualMixing(false);
        for (auto& saved : savedEnv)
        {
            if (saved.second.first)
                setenv(saved.first.c_str(), saved.second.second.c_str(), 1);
            else
                unsetenv(saved.first.c_str());
        }
    }

    void SetEnv(const char* name, const char* value)
    {
        bool known = false;
        for (auto& saved : savedEnv)
            known = known || saved.first == name;
        if (!known)
        {
            const char* old = getenv(name);
            savedEnv.push_back({name, {old != nullptr, old ? old : ""}});
        }
        setenv(name, value, 1);
    }

    std::string Path(const char* name) const { return dir + "/" + name; }

    // Mixes frames of device output (stereo at 44100 Hz) one device period at
    // a time, ticking the given update after each period as the frame loop
    // would.
    template <typename Tick> std::vector<int16_t> Run(int frames, Tick tick)
    {
        std::vector<int16_t> out(static_cast<size_t>(frames) * 2);
        int done = 0;
        while (done < frames)
        {
            int n = std::min(512, frames - done);
            EXPECT_EQ(TestMixFrames(out.data() + static_cast<size_t>(done) * 2, n), 2);
            tick();
            done += n;
        }
        return out;
    }

    ScratchFolder scratch{"audio"};
    // The scratch folder's path, where the test's files go.
    std::string dir = scratch.path;
    std::vector<std::pair<std::string, std::pair<bool, std::string>>> savedEnv;
};
