// Ogg Vorbis files encoded from float samples with libvorbisenc: the same
// bytes for the same samples and settings on every run.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace assets
{
struct VorbisSettings
{
    // Variable bit rate quality, -0.1 (smallest) to 1.0 (best).
    float quality = 0.5f;
    // The logical stream's serial number; a fixed one keeps the bytes stable.
    int serial = 0x546F6C76;
    // Tags of the comment header, as (name, value).
    std::vector<std::pair<std::string, std::string>> tags;
    // Ends the file after the three header packets, with no audio.
    bool headersOnly = false;
};

// Encodes interleaved samples (frames * channels values, -1..1) at the rate
// given. Empty (after a line on stderr) when the encoder refuses the channel
// count, rate or quality.
std::vector<uint8_t> EncodeVorbis(const std::vector<float>& interleaved, int channels, int rate,
                                  const VorbisSettings& settings);
} // namespace assets
