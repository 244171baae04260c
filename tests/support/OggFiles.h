// Ogg Vorbis files made in the test from a known signal (the asset library's
// encoder), the reference decode of a file (vorbisfile, as the stream decodes
// it), and a watchdog that ends the test process rather than let a test hang.
#pragma once

#include "assets/Files.h"
#include "assets/VorbisEncoder.h"

#include <ogg/ogg.h>
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace oggfiles
{
// A sweep with a little harmonic content, so that any dropped or repeated
// sample shows; interleaved, frames * channels values.
inline std::vector<float> Sweep(int frames, int channels, int rate, double fromHz = 220.0,
                                double toHz = 880.0)
{
    std::vector<float> signal(static_cast<size_t>(frames) * channels);
    double phase = 0.0;
    for (int i = 0; i < frames; i++)
    {
        double hz = fromHz + (toHz - fromHz) * i / frames;
        phase += 2.0 * M_PI * hz / rate;
        for (int c = 0; c < channels; c++)
        {
            double v = 0.5 * std::sin(phase + c) + 0.1 * std::sin(3.0 * phase);
            signal[static_cast<size_t>(i) * channels + c] = static_cast<float>(v);
        }
    }
    return signal;
}

// A pure tone.
inline std::vector<float> Tone(int frames, int channels, int rate, double hz)
{
    std::vector<float> signal(static_cast<size_t>(frames) * channels);
    for (int i = 0; i < frames; i++)
    {
        for (int c = 0; c < channels; c++)
            signal[static_cast<size_t>(i) * channels + c] =
                static_cast<float>(0.6 * std::sin(2.0 * M_PI * hz * i / rate));
    }
    return signal;
}

// Encodes the interleaved signal at quality 0.5; with headersOnly the file
// ends after the three header packets.
inline std::string Encode(const std::vector<float>& signal, int channels, int rate,
                          bool headersOnly = false)
{
    assets::VorbisSettings settings;
    settings.quality = 0.5f;
    settings.serial = 0x746f6c76;
    settings.headersOnly = headersOnly;
    const std::vector<uint8_t> bytes = assets::EncodeVorbis(signal, channels, rate, settings);
    return std::string(bytes.begin(), bytes.end());
}

// Rewrites the sample rate in the identification header (the first page)
// and fixes that page's checksum, as a hostile file would carry it.
inline std::string WithRate(std::string file, uint32_t rate)
{
    unsigned char* data = reinterpret_cast<unsigned char*>(&file[0]);
    int segments = data[26];
    int headerLength = 27 + segments;
    int bodyLength = 0;
    for (int i = 0; i < segments; i++)
        bodyLength += data[27 + i];
    unsigned char* packet = data + headerLength;
    for (int i = 0; i < 4; i++)
        packet[12 + i] = static_cast<unsigned char>(rate >> (8 * i));
    ogg_page page;
    page.header = data;
    page.header_len = headerLength;
    page.body = packet;
    page.body_len = bodyLength;
    ogg_page_checksum_set(&page);
    return file;
}

inline void Write(const std::string& path, const std::string& bytes)
{
    assets::SaveFile(path, bytes.data(), bytes.size());
}

// A whole file decoded as the stream decodes it (16-bit signed
// little-endian, interleaved).
struct Decoded
{
    std::vector<int16_t> pcm;
    int channels = 0;
    long rate = 0;
    // Frames the file's last granule position declares; -1 when unknown.
    long long declaredFrames = -1;
    // The file opened and decoded to its end without an error.
    bool complete = false;
};

inline Decoded DecodeFile(const std::string& path)
{
    Decoded out;
    FILE* file = fopen(path.c_str(), "rb");
    if (!file)
        return out;
    OggVorbis_File decoder;
    if (ov_open(file, &decoder, nullptr, 0) < 0)
    {
        fclose(file);
        return out;
    }
    vorbis_info* info = ov_info(&decoder, -1);
    out.channels = info->channels;
    out.rate = info->rate;
    out.declaredFrames = ov_pcm_total(&decoder, -1);
    char chunk[4096];
    int section = 0;
    long r;
    while ((r = ov_read(&decoder, chunk, sizeof(chunk), 0, 2, 1, &section)) > 0)
    {
        const int16_t* samples = reinterpret_cast<const int16_t*>(chunk);
        out.pcm.insert(out.pcm.end(), samples, samples + r / 2);
    }
    out.complete = r == 0;
    ov_clear(&decoder);
    return out;
}

// The samples of DecodeFile, with the channel count and rate when asked for.
inline std::vector<int16_t> Decode(const std::string& path, int* channels = nullptr,
                                   long* rate = nullptr)
{
    Decoded decoded = DecodeFile(path);
    if (channels && decoded.channels)
        *channels = decoded.channels;
    if (rate && decoded.rate)
        *rate = decoded.rate;
    return std::move(decoded.pcm);
}

// Ends the process with a failure if not destroyed within the time limit, so
// a test that would hang fails instead.
class Watchdog
{
public:
    explicit Watchdog(int seconds, const char* what)
        : thread(
              [this, seconds, what]
              {
                  std::unique_lock<std::mutex> lock(mutex);
                  if (!done.wait_for(lock, std::chrono::seconds(seconds),
                                     [this] { return finished; }))
                  {
                      std::fprintf(stderr, "Watchdog: %s did not finish within %d s\n", what,
                                   seconds);
                      std::fflush(stderr);
                      std::_Exit(1);
                  }
              })
    {
    }
    ~Watchdog()
    {
        {
            std::lock_guard<std::mutex> lock(mutex);
            finished = true;
        }
        done.notify_all();
        thread.join();
    }

private:
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    std::thread thread;
};
} // namespace oggfiles
