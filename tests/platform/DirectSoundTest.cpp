#include "platform/DirectSound.h"

#include "support/AudioFixture.h"

#include <cstring>

namespace
{
WAVEFORMATEX Pcm(int channels, int rate, int bits = 16)
{
    WAVEFORMATEX format;
    memset(&format, 0, sizeof(format));
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = static_cast<WORD>(channels);
    format.nSamplesPerSec = static_cast<DWORD>(rate);
    format.wBitsPerSample = static_cast<WORD>(bits);
    format.nBlockAlign = static_cast<WORD>(channels * bits / 8);
    format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
    return format;
}

HRESULT Create(IDirectSound8* device, WAVEFORMATEX* format, DWORD bytes,
               IDirectSoundBuffer** buffer)
{
    DSBUFFERDESC desc;
    memset(&desc, 0, sizeof(desc));
    desc.dwSize = sizeof(desc);
    desc.dwFlags = DSBCAPS_CTRLVOLUME | DSBCAPS_GETCURRENTPOSITION2;
    desc.dwBufferBytes = bytes;
    desc.lpwfxFormat = format;
    return device->CreateSoundBuffer(&desc, buffer, nullptr);
}

// Fills a stereo buffer with frame i = (i, -i).
void FillRamp(IDirectSoundBuffer* buffer, DWORD bytes)
{
    void* region = nullptr;
    DWORD size = 0;
    ASSERT_EQ(buffer->Lock(0, bytes, &region, &size, nullptr, nullptr, 0), DS_OK);
    int16_t* samples = static_cast<int16_t*>(region);
    for (DWORD i = 0; i < size / 4; i++)
    {
        samples[2 * i] = static_cast<int16_t>(i);
        samples[2 * i + 1] = static_cast<int16_t>(-static_cast<int>(i));
    }
    ASSERT_EQ(buffer->Unlock(region, size, nullptr, 0), DS_OK);
}

class DirectSoundTest : public AudioTest
{
protected:
    void SetUp() override
    {
        AudioTest::SetUp();
        ASSERT_EQ(DirectSoundCreate8(&DSDEVID_DefaultPlayback, &device, nullptr), DS_OK);
    }
    void TearDown() override
    {
        if (device)
            device->Release();
        AudioTest::TearDown();
    }
    std::vector<int16_t> Mix(int frames)
    {
        return Run(frames, [] {});
    }
    IDirectSound8* device = nullptr;
};
} // namespace

TEST_F(DirectSoundTest, LoopingBufferPlaysAsARingAndItsCursorFollowsTheMixer)
{
    WAVEFORMATEX format = Pcm(2, 44100);
    IDirectSoundBuffer* buffer = nullptr;
    ASSERT_EQ(Create(device, &format, 1000 * 4, &buffer), DS_OK);
    FillRamp(buffer, 1000 * 4);

    // Not playing: silence, cursor at 0.
    std::vector<int16_t> quiet = Mix(300);
    EXPECT_EQ(std::count(quiet.begin(), quiet.end(), 0), 600);

    ASSERT_EQ(buffer->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    std::vector<int16_t> out = Mix(2500);
    for (int i = 0; i < 2500; i++)
    {
        ASSERT_EQ(out[2 * i], i % 1000) << "frame " << i;
        ASSERT_EQ(out[2 * i + 1], -(i % 1000)) << "frame " << i;
    }
    DWORD play = 0;
    DWORD write = 0;
    ASSERT_EQ(buffer->GetCurrentPosition(&play, &write), DS_OK);
    EXPECT_EQ(play, 500u * 4);
    EXPECT_LT(write, 1000u * 4);

    // Stop keeps the cursor; Play resumes there.
    buffer->Stop();
    Mix(100);
    buffer->GetCurrentPosition(&play, nullptr);
    EXPECT_EQ(play, 500u * 4);
    buffer->Play(0, 0, DSBPLAY_LOOPING);
    EXPECT_EQ(Mix(1)[0], 500);

    // Without looping the buffer plays to its end once, then falls silent.
    buffer->Stop();
    IDirectSoundBuffer* once = nullptr;
    ASSERT_EQ(Create(device, &format, 100 * 4, &once), DS_OK);
    FillRamp(once, 100 * 4);
    once->Play(0, 0, 0);
    out = Mix(150);
    EXPECT_EQ(out[2 * 99], 99);
    EXPECT_EQ(out[2 * 100], 0);
    EXPECT_EQ(out[2 * 149], 0);
    once->Release();
    buffer->Release();
}

TEST_F(DirectSoundTest, BufferAtAQuarterOfTheDeviceRateInterpolatesAcrossItsEndOnlyWhenLooping)
{
    // Four frames at 11025 Hz: each plays as four device frames, the later
    // three interpolated towards the next frame; after the last frame the
    // next is the first when looping, and the last itself when not.
    const int16_t frames[] = {1000, 2000, 3000, 5000};
    struct Case
    {
        DWORD flags;
        std::vector<int16_t> tail; // device frames 12 to 19
    } cases[] = {
        {DSBPLAY_LOOPING, {5000, 4000, 3000, 2000, 1000, 1250, 1500, 1750}},
        {0, {5000, 5000, 5000, 5000, 0, 0, 0, 0}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.flags);
        WAVEFORMATEX format = Pcm(2, 11025);
        IDirectSoundBuffer* buffer = nullptr;
        ASSERT_EQ(Create(device, &format, sizeof frames * 2, &buffer), DS_OK);
        void* region = nullptr;
        DWORD size = 0;
        ASSERT_EQ(buffer->Lock(0, sizeof frames * 2, &region, &size, nullptr, nullptr, 0), DS_OK);
        int16_t* samples = static_cast<int16_t*>(region);
        for (int i = 0; i < 4; i++)
        {
            samples[2 * i] = frames[i];
            samples[2 * i + 1] = static_cast<int16_t>(-frames[i]);
        }
        buffer->Unlock(region, size, nullptr, 0);
        buffer->Play(0, 0, c.flags);

        std::vector<int16_t> out = Mix(20);
        EXPECT_EQ(out[2 * 1], 1250);
        EXPECT_EQ(out[2 * 10], 4000);
        for (int i = 0; i < 8; i++)
        {
            EXPECT_EQ(out[2 * (12 + i)], c.tail[i]) << "frame " << 12 + i;
            EXPECT_EQ(out[2 * (12 + i) + 1], -c.tail[i]) << "frame " << 12 + i;
        }
        buffer->Release();
    }
}

TEST_F(DirectSoundTest, LockedRangePlaysSilenceAndCannotBeLockedTwice)
{
    WAVEFORMATEX format = Pcm(2, 44100);
    IDirectSoundBuffer* buffer = nullptr;
    ASSERT_EQ(Create(device, &format, 1000 * 4, &buffer), DS_OK);
    FillRamp(buffer, 1000 * 4);

    void* region = nullptr;
    DWORD size = 0;
    DWORD secondSize = 77;
    ASSERT_EQ(buffer->Lock(2000, 2000, &region, &size, nullptr, &secondSize, 0), DS_OK);
    EXPECT_EQ(size, 2000u);
    EXPECT_EQ(secondSize, 0u);
    void* other = nullptr;
    DWORD otherSize = 0;
    EXPECT_TRUE(FAILED(buffer->Lock(0, 4, &other, &otherSize, nullptr, nullptr, 0)));

    buffer->Play(0, 0, DSBPLAY_LOOPING);
    std::vector<int16_t> out = Mix(1000);
    EXPECT_EQ(out[2 * 499], 499);
    EXPECT_EQ(out[2 * 500], 0);
    EXPECT_EQ(out[2 * 999], 0);

    // A range that runs past the end comes back as two regions.
    ASSERT_EQ(buffer->Unlock(region, size, nullptr, 0), DS_OK);
    void* second = nullptr;
    ASSERT_EQ(buffer->Lock(3600, 800, &region, &size, &second, &secondSize, 0), DS_OK);
    EXPECT_EQ(size, 400u);
    EXPECT_EQ(secondSize, 400u);
    EXPECT_NE(second, nullptr);
    buffer->Unlock(region, size, second, secondSize);
    buffer->Release();
}

TEST_F(DirectSoundTest, RejectsFormatsAndSizesItCannotPlay)
{
    struct Case
    {
        WAVEFORMATEX format;
        DWORD bytes;
    } cases[] = {
        {Pcm(2, 44100, 8), 4096}, {Pcm(3, 44100), 4096},       {Pcm(0, 44100), 4096},
        {Pcm(2, 50), 4096},       {Pcm(2, 300000), 4096},      {Pcm(2, 44100), 0},
        {Pcm(2, 44100), 2},       {Pcm(2, 44100), 0x7FFFFFFF},
    };
    for (Case& c : cases)
    {
        IDirectSoundBuffer* buffer = nullptr;
        EXPECT_TRUE(FAILED(Create(device, &c.format, c.bytes, &buffer)))
            << c.format.nChannels << " channels, " << c.format.nSamplesPerSec << " Hz, "
            << c.format.wBitsPerSample << " bits, " << c.bytes << " bytes";
        EXPECT_EQ(buffer, nullptr);
    }
    WAVEFORMATEX lying = Pcm(2, 44100);
    lying.nBlockAlign = 2;
    IDirectSoundBuffer* buffer = nullptr;
    EXPECT_TRUE(FAILED(Create(device, &lying, 4096, &buffer)));
}

TEST_F(DirectSoundTest, PrimaryFormatSetsTheDeviceOutputAndSecondDeviceIsRefused)
{
    DSBUFFERDESC desc;
    memset(&desc, 0, sizeof(desc));
    desc.dwSize = sizeof(desc);
    desc.dwFlags = DSBCAPS_PRIMARYBUFFER;
    IDirectSoundBuffer* primary = nullptr;
    ASSERT_EQ(device->CreateSoundBuffer(&desc, &primary, nullptr), DS_OK);
    void* asBuffer8 = nullptr;
    EXPECT_TRUE(FAILED(primary->QueryInterface(IID_IDirectSoundBuffer8, &asBuffer8)));

    WAVEFORMATEX mono = Pcm(1, 22050);
    ASSERT_EQ(primary->SetFormat(&mono), DS_OK);
    int rate = 0;
    int channels = 0;
    ASSERT_TRUE(TestGetDeviceFormat(&rate, &channels));
    EXPECT_EQ(rate, 22050);
    EXPECT_EQ(channels, 1);
    WAVEFORMATEX stereo = Pcm(2, 44100);
    ASSERT_EQ(primary->SetFormat(&stereo), DS_OK);
    TestGetDeviceFormat(&rate, &channels);
    EXPECT_EQ(rate, 44100);
    EXPECT_EQ(channels, 2);

    IDirectSound8* second = nullptr;
    EXPECT_EQ(DirectSoundCreate8(nullptr, &second, nullptr), DSERR_ALLOCATED);
    EXPECT_EQ(second, nullptr);

    // Buffers outlive their device without harm once it is released.
    WAVEFORMATEX format = Pcm(2, 44100);
    IDirectSoundBuffer* buffer = nullptr;
    ASSERT_EQ(Create(device, &format, 4096, &buffer), DS_OK);
    device->Release();
    device = nullptr;
    EXPECT_FALSE(TestGetDeviceFormat(&rate, &channels));
    EXPECT_EQ(buffer->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    buffer->Release();
    primary->Release();
}

TEST_F(AudioTest, NoAudioDriverMeansNoDevice)
{
    SetEnv("SDL_AUDIODRIVER", "no-such-driver");
    IDirectSound8* device = nullptr;
    EXPECT_EQ(DirectSoundCreate8(&DSDEVID_DefaultPlayback, &device, nullptr), DSERR_NODRIVER);
    EXPECT_EQ(device, nullptr);
    EXPECT_FALSE(TestGetDeviceFormat(nullptr, nullptr));
}
