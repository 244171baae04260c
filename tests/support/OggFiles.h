// Ogg Vorbis files made in the test from a known signal (libvorbisenc), the
// reference decode of a file (vorbisfile, as the stream decodes it), and a
// watchdog that ends the test process rather than let a test hang.
#pragma once

#include <ogg/ogg.h>
#include <vorbis/vorbisenc.h>
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
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

inline void AppendPage(std::string& out, const ogg_page& page)
{
    out.append(reinterpret_cast<const char*>(page.header), static_cast<size_t>(page.header_len));
    out.append(reinterpret_cast<const char*>(page.body), static_cast<size_t>(page.body_len));
}

// Encodes the interleaved signal; with headersOnly the file ends after the
// three header packets.
inline std::string Encode(const std::vector<float>& signal, int channels, int rate,
                          bool headersOnly = false)
{
    std::string out;
    vorbis_info info;
    vorbis_info_init(&info);
    if (vorbis_encode_init_vbr(&info, channels, rate, 0.5f) != 0)
    {
        vorbis_info_clear(&info);
        return out;
    }
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_dsp_state dsp;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block block;
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    ogg_stream_init(&stream, 0x746f6c76);

    ogg_packet header, headerComment, headerCode;
    vorbis_analysis_headerout(&dsp, &comment, &header, &headerComment, &headerCode);
    ogg_stream_packetin(&stream, &header);
    ogg_stream_packetin(&stream, &headerComment);
    ogg_stream_packetin(&stream, &headerCode);
    ogg_page page;
    while (ogg_stream_flush(&stream, &page) != 0)
        AppendPage(out, page);

    if (!headersOnly)
    {
        auto drain = [&]
        {
            while (vorbis_analysis_blockout(&dsp, &block) == 1)
            {
                vorbis_analysis(&block, nullptr);
                vorbis_bitrate_addblock(&block);
                ogg_packet packet;
                while (vorbis_bitrate_flushpacket(&dsp, &packet))
                {
                    ogg_stream_packetin(&stream, &packet);
                    while (ogg_stream_pageout(&stream, &page) != 0)
                        AppendPage(out, page);
                }
            }
        };
        const int frames = static_cast<int>(signal.size() / static_cast<size_t>(channels));
        const int chunk = 1024;
        for (int start = 0; start < frames; start += chunk)
        {
            int n = std::min(chunk, frames - start);
            float** buffer = vorbis_analysis_buffer(&dsp, n);
            for (int i = 0; i < n; i++)
            {
                for (int c = 0; c < channels; c++)
                    buffer[c][i] = signal[static_cast<size_t>(start + i) * channels + c];
            }
            vorbis_analysis_wrote(&dsp, n);
            drain();
        }
        vorbis_analysis_wrote(&dsp, 0);
        drain();
        while (ogg_stream_flush(&stream, &page) != 0)
            AppendPage(out, page);
    }

    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return out;
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
    std::ofstream(path, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Decodes the whole file as the stream does (16-bit signed little-endian).
inline std::vector<int16_t> Decode(const std::string& path, int* channels = nullptr,
                                   long* rate = nullptr)
{
    std::vector<int16_t> pcm;
    FILE* file = fopen(path.c_str(), "rb");
    if (!file)
        return pcm;
    OggVorbis_File decoder;
    if (ov_open(file, &decoder, nullptr, 0) < 0)
    {
        fclose(file);
        return pcm;
    }
    vorbis_info* info = ov_info(&decoder, -1);
    if (channels)
        *channels = info->channels;
    if (rate)
        *rate = info->rate;
    char chunk[4096];
    int section = 0;
    long r;
    while ((r = ov_read(&decoder, chunk, sizeof(chunk), 0, 2, 1, &section)) > 0)
    {
        const int16_t* samples = reinterpret_cast<const int16_t*>(chunk);
        pcm.insert(pcm.end(), samples, samples + r / 2);
    }
    ov_clear(&decoder);
    return pcm;
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
