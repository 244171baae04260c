#include "audio/DirectSoundSystem.h"
#include "audio/OggStream.h"

#include "support/AudioFixture.h"
#include "support/LogCapture.h"
#include "support/OggFiles.h"
#include "support/Wait.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

using oggfiles::Decode;
using oggfiles::Encode;

TEST_F(AudioTest, UpdateBeforeMusicAndShutdownTwiceDoNothing)
{
    DirectSoundSystem system;
    system.Update();
    ASSERT_EQ(system.Init(), 0);
    EXPECT_NE(g_directSound, nullptr);
    system.Update();
    EXPECT_EQ(system.Init(), -1); // one device at a time; the first stays in use
    EXPECT_NE(g_directSound, nullptr);
    system.Shutdown();
    EXPECT_EQ(g_directSound, nullptr);
    system.Shutdown();
    // The device can be opened again after a shut-down.
    ASSERT_EQ(system.Init(), 0);
    system.Shutdown();
}

TEST_F(AudioTest, StreamWhoseOpenFailedIsCurrentButSilent)
{
    DirectSoundSystem system;
    ASSERT_EQ(system.Init(), 0);
    SoundStream* stream = system.CreateStream();
    ASSERT_NE(stream, nullptr);
    LogCapture log;
    EXPECT_EQ(stream->Open(Path("absent.ogg").c_str()), -1);
    system.PlayMusic(stream);
    std::vector<int16_t> out = Run(4000, [&] { system.Update(); });
    EXPECT_EQ(std::count(out.begin(), out.end(), 0), 8000);
    EXPECT_EQ(log.Lines().size(), 1u);
    system.Shutdown();
    delete stream;
}

TEST_F(AudioTest, WithoutAnAudioDeviceTheGameRunsSilent)
{
    SetEnv("SDL_AUDIODRIVER", "no-such-driver");
    std::string path = Path("music.ogg");
    oggfiles::Write(path, Encode(oggfiles::Sweep(4000, 2, 44100), 2, 44100));

    LogCapture log;
    DirectSoundSystem system;
    EXPECT_EQ(system.Init(), -1);
    EXPECT_EQ(g_directSound, nullptr);
    SoundStream* stream = system.CreateStream();
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(stream->Open(path.c_str()), -1);
    system.PlayMusic(stream);
    system.Update();
    system.Shutdown();
    EXPECT_EQ(log.Text(), "");
    delete stream;
}

// Through SDL's disk audio driver in real time: the bytes written to the
// "device" are the decoded song, looped without a gap.
TEST_F(AudioTest, MusicReachesTheDiskDeviceBitExact)
{
    TestSetManualMixing(false);
    SetEnv("SDL_AUDIODRIVER", "disk");
    SetEnv("SDL_DISKAUDIOFILE", Path("device.raw").c_str());
    SetEnv("SDL_DISKAUDIODELAY", "20");

    std::string path = Path("music.ogg");
    oggfiles::Write(path, Encode(oggfiles::Sweep(12001, 2, 44100), 2, 44100));
    std::vector<int16_t> ref = Decode(path);
    ASSERT_EQ(ref.size(), 12001u * 2);

    DirectSoundSystem system;
    ASSERT_EQ(system.Init(), 0);
    OggStream stream;
    ASSERT_EQ(stream.Open(path.c_str()), 0);
    system.PlayMusic(&stream);
    // With a 20 ms device delay the driver takes a 512-frame period every
    // 20 ms, so a half buffer lasts some 400 ms: room for a test process
    // starved by a loaded machine to refill in time. The frame loop's updates
    // run until the device has taken the file four times over (about 2 s).
    const uintmax_t enough = 4 * ref.size() * sizeof(int16_t);
    EXPECT_TRUE(WaitUntil(
        [&]
        {
            std::error_code error;
            uintmax_t size = std::filesystem::file_size(Path("device.raw"), error);
            return !error && size >= enough;
        },
        30000, [&] { system.Update(); }));
    system.Shutdown();

    std::ifstream file(Path("device.raw"), std::ios::binary);
    std::string raw((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::vector<int16_t> device(raw.size() / 2);
    memcpy(device.data(), raw.data(), device.size() * 2);

    // Silence until Play, then the song from its first sample.
    size_t origin = 0;
    while (origin + 128 <= device.size() &&
           !std::equal(ref.begin(), ref.begin() + 128, device.begin() + origin))
        origin += 2;
    ASSERT_LE(origin + 128, device.size()) << "the song never reached the device";
    for (size_t k = 0; k < origin; k++)
        ASSERT_EQ(device[k], 0);

    size_t played = device.size() - origin;
    EXPECT_GT(played, ref.size() * 2) << "the song did not loop";
    for (size_t k = 0; k < played; k++)
        ASSERT_EQ(device[origin + k], ref[k % ref.size()]) << "frame " << k / 2;
}
