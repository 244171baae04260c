// The music: Beethoven's "Ode to Joy" melody (public domain) played by three
// synthesised voices, encoded as Ogg Vorbis. It lasts exactly 16 bars and its
// last note has died away before the end, so it loops without a click.
#include "MakeData.h"
#include "TdsWriter.h"

#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace
{
constexpr int kRate = 22050;
constexpr int kChannels = 2;
constexpr double kBeatsPerMinute = 132.0;
constexpr double kPi = 3.14159265358979;
constexpr int kBeats = 64;

struct Note
{
    int pitch; // MIDI note number
    double beats;
};

// Four phrases of four bars in C major, one octave above the usual notation.
// clang-format off
const Note kMelody[] = {
    // A
    {76, 1}, {76, 1}, {77, 1}, {79, 1}, {79, 1}, {77, 1}, {76, 1}, {74, 1},
    {72, 1}, {72, 1}, {74, 1}, {76, 1}, {76, 1.5}, {74, 0.5}, {74, 2},
    // A'
    {76, 1}, {76, 1}, {77, 1}, {79, 1}, {79, 1}, {77, 1}, {76, 1}, {74, 1},
    {72, 1}, {72, 1}, {74, 1}, {76, 1}, {74, 1.5}, {72, 0.5}, {72, 2},
    // B
    {74, 1}, {74, 1}, {76, 1}, {72, 1}, {74, 1}, {76, 0.5}, {77, 0.5}, {76, 1}, {72, 1},
    {74, 1}, {76, 0.5}, {77, 0.5}, {76, 1}, {74, 1}, {72, 1}, {74, 1}, {67, 2},
    // A'
    {76, 1}, {76, 1}, {77, 1}, {79, 1}, {79, 1}, {77, 1}, {76, 1}, {74, 1},
    {72, 1}, {72, 1}, {74, 1}, {76, 1}, {74, 1.5}, {72, 0.5}, {72, 2},
};
// clang-format on

// One chord per half bar: 'C' for C major, 'G' for G major.
const char kChords[] = "CCGGCCGG"
                       "CCGGCCGC"
                       "GCGCGCCG"
                       "CCGGCCGC";

double Frequency(int pitch)
{
    return 440.0 * std::pow(2.0, (pitch - 69) / 12.0);
}

size_t SampleAt(double beat)
{
    return static_cast<size_t>(std::llround(beat * 60.0 / kBeatsPerMinute * kRate));
}

// Adds one note to both channels: a sum of harmonics under an envelope with a
// short attack, an exponential decay towards `sustain` and a release that
// ends at `length` samples.
void AddNote(std::vector<float>& left, std::vector<float>& right, size_t start, size_t length,
             double frequency, const double* harmonics, int harmonicCount, double gain,
             double sustain, double decaySeconds, double pan)
{
    const size_t attack = kRate / 100;
    const size_t release = kRate / 25;
    for (size_t i = 0; i < length && start + i < left.size(); ++i)
    {
        const double t = static_cast<double>(i) / kRate;
        double envelope = sustain + (1.0 - sustain) * std::exp(-t / decaySeconds);
        if (i < attack)
            envelope *= static_cast<double>(i) / attack;
        if (length - i < release)
            envelope *= static_cast<double>(length - i) / release;
        double wave = 0.0;
        for (int h = 0; h < harmonicCount; ++h)
            wave += harmonics[h] * std::sin(2.0 * kPi * frequency * (h + 1) * t);
        const double sample = wave * envelope * gain;
        left[start + i] += static_cast<float>(sample * (1.0 - pan));
        right[start + i] += static_cast<float>(sample * (1.0 + pan));
    }
}

void Synthesise(std::vector<float>& left, std::vector<float>& right)
{
    const size_t total = SampleAt(kBeats);
    left.assign(total, 0.0f);
    right.assign(total, 0.0f);

    const double flute[] = {1.0, 0.45, 0.2, 0.08};
    double beat = 0.0;
    for (const Note& note : kMelody)
    {
        const size_t start = SampleAt(beat);
        const size_t length = SampleAt(beat + note.beats * 0.9) - start;
        AddNote(left, right, start, length, Frequency(note.pitch), flute, 4, 0.34, 0.6, 0.25, 0.0);
        beat += note.beats;
    }

    const double bass[] = {1.0, 0.5, 0.3};
    const double pad[] = {1.0, 0.2};
    for (int half = 0; half < kBeats / 2; ++half)
    {
        const bool c = kChords[half] == 'C';
        const int root = c ? 48 : 43;
        const int chord[3] = {c ? 60 : 59, c ? 64 : 62, c ? 67 : 67};
        const size_t start = SampleAt(half * 2.0);
        const size_t length = SampleAt(half * 2.0 + 1.9) - start;
        AddNote(left, right, start, length, Frequency(root), bass, 3, 0.3, 0.15, 0.3, 0.0);
        const size_t second = SampleAt(half * 2.0 + 1.0);
        AddNote(left, right, second, SampleAt(half * 2.0 + 1.9) - second, Frequency(root + 7), bass,
                3, 0.18, 0.1, 0.25, 0.0);
        for (int k = 0; k < 3; ++k)
            AddNote(left, right, start, length, Frequency(chord[k]), pad, 2, 0.07, 0.8, 1.0,
                    (k - 1) * 0.5);
    }

    float peak = 0.0f;
    for (size_t i = 0; i < total; ++i)
        peak = std::max({peak, std::fabs(left[i]), std::fabs(right[i])});
    const float scale = peak > 0.0f ? 0.8f / peak : 1.0f;
    for (size_t i = 0; i < total; ++i)
    {
        left[i] *= scale;
        right[i] *= scale;
    }
}

void AppendPage(std::vector<uint8_t>& out, const ogg_page& page)
{
    out.insert(out.end(), page.header, page.header + page.header_len);
    out.insert(out.end(), page.body, page.body + page.body_len);
}

bool Encode(const std::vector<float>& left, const std::vector<float>& right,
            std::vector<uint8_t>& out)
{
    vorbis_info info;
    vorbis_info_init(&info);
    if (vorbis_encode_init_vbr(&info, kChannels, kRate, 0.1f) != 0)
    {
        std::fprintf(stderr, "tolvi_makedata: the Vorbis encoder refused its settings\n");
        vorbis_info_clear(&info);
        return false;
    }
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_comment_add_tag(&comment, "TITLE", "Ode to Joy");
    vorbis_comment_add_tag(&comment, "ARTIST", "Ludwig van Beethoven (melody)");
    vorbis_dsp_state dsp;
    vorbis_block block;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    // A fixed serial number keeps the file the same from run to run.
    ogg_stream_init(&stream, 0x546F6C76);

    ogg_packet header, headerComment, headerCode;
    vorbis_analysis_headerout(&dsp, &comment, &header, &headerComment, &headerCode);
    ogg_stream_packetin(&stream, &header);
    ogg_stream_packetin(&stream, &headerComment);
    ogg_stream_packetin(&stream, &headerCode);
    ogg_page page;
    while (ogg_stream_flush(&stream, &page) != 0)
        AppendPage(out, page);

    const size_t chunk = 1024;
    size_t done = 0;
    bool finished = false;
    while (!finished)
    {
        const size_t count = std::min(chunk, left.size() - done);
        if (count == 0)
            vorbis_analysis_wrote(&dsp, 0);
        else
        {
            float** buffer = vorbis_analysis_buffer(&dsp, static_cast<int>(count));
            std::copy(left.begin() + done, left.begin() + done + count, buffer[0]);
            std::copy(right.begin() + done, right.begin() + done + count, buffer[1]);
            vorbis_analysis_wrote(&dsp, static_cast<int>(count));
            done += count;
        }
        while (vorbis_analysis_blockout(&dsp, &block) == 1)
        {
            vorbis_analysis(&block, nullptr);
            vorbis_bitrate_addblock(&block);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&dsp, &packet) == 1)
            {
                ogg_stream_packetin(&stream, &packet);
                while (ogg_stream_pageout(&stream, &page) != 0)
                {
                    AppendPage(out, page);
                    if (ogg_page_eos(&page))
                        finished = true;
                }
            }
        }
        if (count == 0)
            finished = true;
    }

    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return true;
}
} // namespace

bool WriteMusic(const std::string& folder)
{
    std::vector<float> left;
    std::vector<float> right;
    Synthesise(left, right);
    std::vector<uint8_t> bytes;
    if (!Encode(left, right, bytes))
        return false;
    return WriteFileBytes(folder + "/data/music/freude.ogg", bytes);
}
