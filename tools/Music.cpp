// The music: Beethoven's "Ode to Joy" melody (public domain) played by three
// synthesised voices, encoded as Ogg Vorbis. It lasts exactly 16 bars and its
// last note has died away before the end, so it loops without a click.
#include "MakeData.h"

#include "assets/VorbisEncoder.h"

#include <algorithm>
#include <cmath>
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

// Interleaves the two channels for the encoder.
std::vector<float> Interleave(const std::vector<float>& left, const std::vector<float>& right)
{
    std::vector<float> frames(left.size() * 2);
    for (size_t i = 0; i < left.size(); ++i)
    {
        frames[i * 2] = left[i];
        frames[i * 2 + 1] = right[i];
    }
    return frames;
}
} // namespace

bool WriteMusic(const std::string& folder)
{
    std::vector<float> left;
    std::vector<float> right;
    Synthesise(left, right);
    VorbisSettings settings;
    settings.quality = 0.1f;
    // A fixed serial number keeps the file the same from run to run.
    settings.serial = 0x546F6C76;
    settings.tags = {{"TITLE", "Ode to Joy"}, {"ARTIST", "Ludwig van Beethoven (melody)"}};
    const std::vector<uint8_t> bytes =
        EncodeVorbis(Interleave(left, right), kChannels, kRate, settings);
    return !bytes.empty() && SaveFile(folder + "/data/music/freude.ogg", bytes);
}
