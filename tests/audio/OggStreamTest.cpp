#include "audio/OggStream.h"
#include "audio/DirectSoundSystem.h"

#include "support/AudioFixture.h"
#include "support/LogCapture.h"
#include "support/OggFiles.h"

namespace
{
using oggfiles::Decode;
using oggfiles::Encode;
using oggfiles::Watchdog;

// The first sample of out that is not the reference decode played as an
// endless loop from its sample `from` on; -1 when all are.
long Mismatch(const std::vector<int16_t>& out, const std::vector<int16_t>& ref, size_t from = 0)
{
    for (size_t k = 0; k < out.size(); ++k)
        if (out[k] != ref[(from + k) % ref.size()])
            return static_cast<long>(k);
    return -1;
}

// The bytes with every 997th one flipped between the two fractions of the size.
std::string Spoilt(std::string bytes, double from, double to)
{
    for (size_t i = size_t(bytes.size() * from); i < size_t(bytes.size() * to); i += 997)
        bytes[i] = static_cast<char>(bytes[i] ^ 0x5A);
    return bytes;
}

class OggStreamTest : public AudioTest
{
protected:
    void SetUp() override
    {
        AudioTest::SetUp();
        ASSERT_EQ(system.Init(), 0);
    }
    void TearDown() override
    {
        system.Shutdown();
        AudioTest::TearDown();
    }

    std::string MakeOgg(const char* name, const std::vector<float>& signal, int channels, int rate)
    {
        std::string path = Path(name);
        oggfiles::Write(path, Encode(signal, channels, rate));
        return path;
    }

    // Writes the file, opens it in the stream and plays it as the music;
    // returns its reference decode.
    std::vector<int16_t> Start(OggStream& stream, const char* name,
                               const std::vector<float>& signal, int channels = 2, int rate = 44100)
    {
        std::string path = MakeOgg(name, signal, channels, rate);
        EXPECT_EQ(stream.Open(path.c_str()), 0);
        system.PlayMusic(&stream);
        return Decode(path);
    }

    std::vector<int16_t> Play(int frames)
    {
        return Run(frames, [this] { system.Update(); });
    }

    DirectSoundSystem system;
};
} // namespace

TEST_F(OggStreamTest, HalfIsAQuarterSecondOfTheFilesFormat)
{
    OggStream stereo;
    ASSERT_EQ(stereo.Open(MakeOgg("s.ogg", oggfiles::Sweep(4000, 2, 44100), 2, 44100).c_str()), 0);
    EXPECT_EQ(stereo.GetHalfSize(), 44100u);
    OggStream mono;
    ASSERT_EQ(mono.Open(MakeOgg("m.ogg", oggfiles::Sweep(4000, 1, 22050), 1, 22050).c_str()), 0);
    EXPECT_EQ(mono.GetHalfSize(), 11024u);
}

TEST_F(OggStreamTest, LoopsBitExactWithoutGapOrRepeatedSample)
{
    // 30001 frames: neither a multiple of the half nor of the device period.
    std::string path = MakeOgg("loop.ogg", oggfiles::Sweep(30001, 2, 44100), 2, 44100);
    std::vector<int16_t> ref = Decode(path);
    ASSERT_EQ(ref.size(), 30001u * 2);

    SoundStream* stream = system.CreateStream();
    ASSERT_NE(stream, nullptr);
    ASSERT_EQ(stream->Open(path.c_str()), 0);
    system.PlayMusic(stream);
    std::vector<int16_t> out = Play(75000); // two and a half times through the file
    EXPECT_EQ(Mismatch(out, ref), -1);

    // A stream deleted while it plays takes its buffer with it.
    system.PlayMusic(nullptr);
    delete stream;
    std::vector<int16_t> after = Run(2000, [] {});
    EXPECT_EQ(std::count(after.begin(), after.end(), 0), 4000);
}

TEST_F(OggStreamTest, RefillsOnlyOnceTheCursorIsPastTheHalfAndBackAtItsStart)
{
    // 44100 Hz stereo: halves of 11025 frames. The cursor is placed by mixing
    // exact frame counts without an update in between.
    OggStream stream;
    std::vector<int16_t> ref = Start(stream, "half.ogg", oggfiles::Sweep(60001, 2, 44100));
    struct Step
    {
        int frames;     // mixed before the update
        uint32_t state; // refill state after it
    } steps[] = {
        {11025, 0}, // the cursor on the half's first byte has not left the first half
        {1, 1},     // one frame on it has: the first half is refilled
        {22049, 0}, // round to exactly the half again: now the second half is refilled
        {1, 1},
    };
    std::vector<int16_t> out;
    for (const Step& step : steps)
    {
        std::vector<int16_t> mixed = Run(step.frames, [] {});
        out.insert(out.end(), mixed.begin(), mixed.end());
        system.Update();
        EXPECT_EQ(stream.GetRefillState(), step.state) << "after " << out.size() / 2 << " frames";
    }
    std::vector<int16_t> rest = Run(30000, [this] { system.Update(); });
    out.insert(out.end(), rest.begin(), rest.end());
    EXPECT_EQ(Mismatch(out, ref), -1);
}

TEST_F(OggStreamTest, FileShorterThanAHalfRepeatsWithinEachFill)
{
    OggStream stream;
    std::vector<int16_t> ref = Start(stream, "short.ogg", oggfiles::Sweep(3001, 2, 44100));
    ASSERT_EQ(ref.size(), 3001u * 2);
    std::vector<int16_t> out = Play(50000);
    EXPECT_EQ(Mismatch(out, ref), -1);
}

TEST_F(OggStreamTest, MonoAt22050KeepsPitchAndLength)
{
    const int frames = 15435; // 0.7 s
    OggStream stream;
    std::vector<int16_t> ref =
        Start(stream, "tone.ogg", oggfiles::Tone(frames, 1, 22050, 441.0), 1, 22050);
    ASSERT_EQ(ref.size(), static_cast<size_t>(frames));
    std::vector<int16_t> out = Play(2 * 44100);

    // Source sample n plays at output frame 2n, on both channels: the loop
    // takes exactly twice as many frames at 44100 Hz.
    for (size_t j = 0; j < out.size() / 2; j += 2)
    {
        ASSERT_EQ(out[2 * j], ref[j / 2 % ref.size()]) << "frame " << j;
        ASSERT_EQ(out[2 * j + 1], out[2 * j]) << "frame " << j;
    }
    // And the tone is still 441 Hz: count rising zero crossings over 1 s.
    int rising = 0;
    for (size_t j = 1; j < 44100; j++)
    {
        if (out[2 * (j - 1)] < 0 && out[2 * j] >= 0)
            rising++;
    }
    EXPECT_NEAR(rising, 441, 2);
}

TEST_F(OggStreamTest, StopThenPlayFinishesTheBufferThenStartsTheFileAgain)
{
    OggStream stream;
    std::vector<int16_t> ref = Start(stream, "stop.ogg", oggfiles::Sweep(30001, 2, 44100));
    std::vector<int16_t> before = Play(20000);
    ASSERT_EQ(Mismatch(before, ref), -1);

    stream.Stop();
    std::vector<int16_t> stopped = Play(3000);
    EXPECT_EQ(std::count(stopped.begin(), stopped.end(), 0), 6000);

    stream.Play();
    std::vector<int16_t> after = Play(60000);
    // What was decoded before the stop still plays (the rest of the second
    // half and the refilled first half: up to frame 33075 of the loop), then
    // the decoder, rewound by Stop, starts the file again.
    const auto resumed = after.begin() + 2 * (33075 - 20000);
    EXPECT_EQ(Mismatch(std::vector<int16_t>(after.begin(), resumed), ref, 2 * 20000), -1);
    EXPECT_EQ(Mismatch(std::vector<int16_t>(resumed, after.end()), ref), -1);
}

TEST_F(OggStreamTest, PauseKeepsTheDecodersPlaceAndUpdateDoesNothing)
{
    OggStream stream;
    std::vector<int16_t> ref = Start(stream, "pause.ogg", oggfiles::Sweep(30001, 2, 44100));
    std::vector<int16_t> out = Play(20000);
    stream.Pause();
    std::vector<int16_t> paused = Play(30000);
    EXPECT_EQ(std::count(paused.begin(), paused.end(), 0), 60000);
    stream.Play();
    std::vector<int16_t> rest = Play(40000);
    out.insert(out.end(), rest.begin(), rest.end());
    EXPECT_EQ(Mismatch(out, ref), -1);
}

TEST_F(OggStreamTest, FilesWithoutSoundPlaySilenceInsteadOfHanging)
{
    // Rewinding a file with no audio gives no audio again: the fill must
    // notice that and not read forever.
    struct Case
    {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"headers-only.ogg", Encode(oggfiles::Sweep(4000, 2, 44100), 2, 44100, true)},
        {"empty-song.ogg", Encode({}, 2, 44100)},
        // The decoder finds no end in it, and so no sound at all.
        {"spoilt-to-the-end.ogg",
         Spoilt(Encode(oggfiles::Sweep(150000, 2, 44100), 2, 44100), 1.0 / 3, 1.0)},
    };
    for (Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        oggfiles::Write(Path(c.name), c.bytes);
        LogCapture log;
        OggStream stream;
        int result;
        {
            Watchdog watchdog(5, c.name);
            result = stream.Open(Path(c.name).c_str());
            if (result == 0)
            {
                system.PlayMusic(&stream);
                std::vector<int16_t> out = Play(30000);
                EXPECT_EQ(std::count(out.begin(), out.end(), 0), 60000);
            }
        }
        if (result != 0)
        {
            EXPECT_EQ(result, -1);
            EXPECT_TRUE(log.Contains("is not an ogg/vorbis stream."));
        }
        system.PlayMusic(nullptr);
    }
}

TEST_F(OggStreamTest, CorruptAndTruncatedFilesNeverHang)
{
    // Long enough for many pages, so every cut keeps some sound.
    std::string good = Encode(oggfiles::Sweep(150000, 2, 44100), 2, 44100);
    // The middle third spoilt; the end stays whole, so the decoder still
    // finds where the stream ends.
    std::string corrupt = Spoilt(good, 1.0 / 3, 2.0 / 3);
    struct Case
    {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"cut-half.ogg", good.substr(0, good.size() / 2)},
        {"cut-in-page.ogg", good.substr(0, good.size() - 37)},
        {"corrupt.ogg", corrupt},
        {"garbage-tail.ogg", good.substr(0, good.size() / 2) + std::string(5000, '\x4f')},
    };
    for (Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        oggfiles::Write(Path(c.name), c.bytes);
        OggStream stream;
        Watchdog watchdog(5, c.name);
        if (stream.Open(Path(c.name).c_str()) == 0)
        {
            system.PlayMusic(&stream);
            std::vector<int16_t> out = Play(70000);
            EXPECT_GT(std::count_if(out.begin(), out.end(), [](int16_t s) { return s != 0; }), 0);
        }
        system.PlayMusic(nullptr);
    }
}

TEST_F(OggStreamTest, FilesThatAreNotOggVorbisFailWithTheirLogLine)
{
    oggfiles::Write(Path("text.ogg"), "this is not an ogg file at all\n");
    oggfiles::Write(Path("empty.ogg"), "");
    std::string good = Encode(oggfiles::Sweep(4000, 2, 44100), 2, 44100);
    oggfiles::Write(Path("cut-header.ogg"), good.substr(0, 40));

    int descriptors = CountOpenDescriptors();
    for (const char* name : {"text.ogg", "empty.ogg", "cut-header.ogg"})
    {
        LogCapture log;
        OggStream stream;
        Watchdog watchdog(5, name);
        EXPECT_EQ(stream.Open(Path(name).c_str()), -1) << name;
        EXPECT_EQ(log.Text(), "Error: File \"" + Path(name) + "\" is not an ogg/vorbis stream.\n");
        stream.Play();
        stream.Update();
    }
    {
        LogCapture log;
        OggStream stream;
        EXPECT_EQ(stream.Open(Path("missing.ogg").c_str()), -1);
        EXPECT_EQ(log.Text(), "Error: File \"" + Path("missing.ogg") + "\" not found.\n");
    }
    EXPECT_EQ(CountOpenDescriptors(), descriptors);
}

TEST_F(OggStreamTest, ChannelCountOrRateTheDeviceCannotTakeFailsOpen)
{
    std::string stereo = Encode(oggfiles::Sweep(4000, 2, 44100), 2, 44100);
    oggfiles::Write(Path("three.ogg"), Encode(oggfiles::Sweep(4000, 3, 44100), 3, 44100));
    oggfiles::Write(Path("fast.ogg"), oggfiles::WithRate(stereo, 3000000));
    oggfiles::Write(Path("slow.ogg"), oggfiles::WithRate(stereo, 7));
    oggfiles::Write(Path("huge.ogg"), oggfiles::WithRate(stereo, 0x7FFFFFFF));

    int descriptors = CountOpenDescriptors();
    for (const char* name : {"three.ogg", "fast.ogg", "slow.ogg", "huge.ogg"})
    {
        LogCapture log;
        OggStream stream;
        EXPECT_EQ(stream.Open(Path(name).c_str()), -1) << name;
        ASSERT_EQ(log.Lines().size(), 1u) << name;
        EXPECT_NE(log.Text().find("cannot be played"), std::string::npos) << log.Text();
        system.PlayMusic(&stream);
        std::vector<int16_t> out = Play(2000);
        EXPECT_EQ(std::count(out.begin(), out.end(), 0), 4000);
        system.PlayMusic(nullptr);
    }
    EXPECT_EQ(CountOpenDescriptors(), descriptors);
}

TEST_F(OggStreamTest, OpenAgainReplacesTheEarlierSong)
{
    std::string first = MakeOgg("a.ogg", oggfiles::Tone(8000, 2, 44100, 300.0), 2, 44100);
    std::string second = MakeOgg("b.ogg", oggfiles::Sweep(9001, 2, 44100), 2, 44100);
    std::vector<int16_t> ref = Decode(second);
    OggStream stream;
    ASSERT_EQ(stream.Open(first.c_str()), 0);
    system.PlayMusic(&stream);
    Play(5000);
    ASSERT_EQ(stream.Open(second.c_str()), 0);
    stream.Play();
    std::vector<int16_t> out = Play(30000);
    EXPECT_EQ(Mismatch(out, ref), -1);
}
