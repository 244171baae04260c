#include "assets/VorbisEncoder.h"

#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cstdio>

namespace assets
{
namespace
{
// Frames handed to the encoder at a time.
constexpr int kChunkFrames = 1024;

void AppendPage(std::vector<uint8_t>& out, const ogg_page& page)
{
    out.insert(out.end(), page.header, page.header + page.header_len);
    out.insert(out.end(), page.body, page.body + page.body_len);
}

// Takes every block the encoder has ready and appends the full pages.
void Drain(vorbis_dsp_state& dsp, vorbis_block& block, ogg_stream_state& stream,
           std::vector<uint8_t>& out)
{
    while (vorbis_analysis_blockout(&dsp, &block) == 1)
    {
        vorbis_analysis(&block, nullptr);
        vorbis_bitrate_addblock(&block);
        ogg_packet packet;
        while (vorbis_bitrate_flushpacket(&dsp, &packet) == 1)
        {
            ogg_stream_packetin(&stream, &packet);
            ogg_page page;
            while (ogg_stream_pageout(&stream, &page) != 0)
                AppendPage(out, page);
        }
    }
}
} // namespace

std::vector<uint8_t> EncodeVorbis(const std::vector<float>& interleaved, int channels, int rate,
                                  const VorbisSettings& settings)
{
    std::vector<uint8_t> out;
    vorbis_info info;
    vorbis_info_init(&info);
    if (channels <= 0 || vorbis_encode_init_vbr(&info, channels, rate, settings.quality) != 0)
    {
        std::fprintf(stderr, "the Vorbis encoder refused %d channels at %d Hz, quality %g\n",
                     channels, rate, static_cast<double>(settings.quality));
        vorbis_info_clear(&info);
        return out;
    }
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    for (const auto& tag : settings.tags)
        vorbis_comment_add_tag(&comment, tag.first.c_str(), tag.second.c_str());
    vorbis_dsp_state dsp;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block block;
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    ogg_stream_init(&stream, settings.serial);

    // The three header packets go on pages of their own, as decoders expect.
    ogg_packet header, headerComment, headerCode;
    vorbis_analysis_headerout(&dsp, &comment, &header, &headerComment, &headerCode);
    ogg_stream_packetin(&stream, &header);
    ogg_stream_packetin(&stream, &headerComment);
    ogg_stream_packetin(&stream, &headerCode);
    ogg_page page;
    while (ogg_stream_flush(&stream, &page) != 0)
        AppendPage(out, page);

    if (!settings.headersOnly)
    {
        const size_t frames = interleaved.size() / static_cast<size_t>(channels);
        for (size_t start = 0; start < frames; start += kChunkFrames)
        {
            const int n = static_cast<int>(std::min<size_t>(kChunkFrames, frames - start));
            float** buffer = vorbis_analysis_buffer(&dsp, n);
            for (int i = 0; i < n; ++i)
            {
                for (int c = 0; c < channels; ++c)
                    buffer[c][i] = interleaved[(start + i) * channels + c];
            }
            vorbis_analysis_wrote(&dsp, n);
            Drain(dsp, block, stream, out);
        }
        // Marks the end of the stream: the last packet carries end-of-stream.
        vorbis_analysis_wrote(&dsp, 0);
        Drain(dsp, block, stream, out);
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
} // namespace assets
