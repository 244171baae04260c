// CPU cost of music: decoding the Ogg Vorbis stream into its buffer and
// mixing it to the device format, per second of music. The mixer is driven
// through its test hook on this thread, one device period at a time, with the
// stream's per-frame update after each period as the frame loop would call it.
// "cpu_per_music_second" is the fraction of one core the music takes.
#include "audio/DirectSoundSystem.h"
#include "audio/OggStream.h"
#include "platform/SoundTestHooks.h"

#include "support/OggFiles.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <unistd.h>

namespace
{
void BM_MusicDecodeAndMix(benchmark::State& state)
{
    const int rate = static_cast<int>(state.range(0));
    const int channels = static_cast<int>(state.range(1));
    if (!getenv("SDL_AUDIODRIVER"))
        setenv("SDL_AUDIODRIVER", "dummy", 1);
    TestSetManualMixing(true);

    // Ten seconds of a sweep with harmonics: the decoder works as on music.
    char path[] = "/tmp/tolvi-bench-XXXXXX.ogg";
    int fd = mkstemps(path, 4);
    close(fd);
    oggfiles::Write(path,
                    oggfiles::Encode(oggfiles::Sweep(rate * 10, channels, rate), channels, rate));

    DirectSoundSystem system;
    if (system.Init() != 0)
    {
        state.SkipWithError("no audio device");
        return;
    }
    OggStream stream;
    if (stream.Open(path) != 0)
    {
        state.SkipWithError("stream did not open");
        system.Shutdown();
        return;
    }
    system.PlayMusic(&stream);

    int16_t out[512 * 2];
    for (auto _ : state)
    {
        for (int done = 0; done < 44100; done += 512)
        {
            TestMixFrames(out, 512);
            system.Update();
            benchmark::DoNotOptimize(out);
        }
    }
    // Each iteration is one second of music (86 periods of 512 frames).
    state.counters["cpu_per_music_second"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * 86 * 512 / 44100.0,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);

    stream.Stop();
    system.Shutdown();
    TestSetManualMixing(false);
    unlink(path);
}
BENCHMARK(BM_MusicDecodeAndMix)->Args({44100, 2})->Args({22050, 1})->Unit(benchmark::kMillisecond);
} // namespace
