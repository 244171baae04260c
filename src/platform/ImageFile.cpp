// PNG through libpng, JPEG through libjpeg and BMP through SDL's reader, all
// from bytes already in memory so that no decoder reads past the file.
#include "platform/ImageFile.h"

#include <SDL.h>
#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include <jpeglib.h>

namespace
{
// Decoded pixels may not exceed this many bytes, whatever the sides allow.
const size_t kMaxImageBytes = size_t(256) << 20;

bool SidesFit(long width, long height, int maxSide)
{
    return width > 0 && height > 0 && width <= maxSide && height <= maxSide &&
           static_cast<size_t>(width) * static_cast<size_t>(height) * 4 <= kMaxImageBytes;
}

uint32_t ReadLe32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

uint16_t ReadLe16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

// ---- PNG ----------------------------------------------------------------

struct PngSource
{
    const uint8_t* data;
    size_t size;
    size_t offset;
    int maxSide;
    DecodedImage* image;
    std::vector<png_bytep> rows;
};

void PngRead(png_structp png, png_bytep out, png_size_t length)
{
    PngSource* source = static_cast<PngSource*>(png_get_io_ptr(png));
    if (length > source->size - source->offset)
        png_error(png, "truncated");
    memcpy(out, source->data + source->offset, length);
    source->offset += length;
}

void PngFail(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

void PngWarn(png_structp, png_const_charp) {}

// Everything that must survive a long jump lives in *source, outside this
// frame; the frame holds only plain pointers and integers.
bool DecodePngInto(PngSource* source)
{
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngFail, PngWarn);
    if (!png)
        return false;
    png_infop info = png_create_info_struct(png);
    if (!info)
    {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png)))
    {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_set_read_fn(png, source, PngRead);
    png_set_user_limits(png, static_cast<png_uint_32>(source->maxSide),
                        static_cast<png_uint_32>(source->maxSide));
    png_read_info(png, info);

    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int bitDepth = 0;
    int colorType = 0;
    png_get_IHDR(png, info, &width, &height, &bitDepth, &colorType, nullptr, nullptr, nullptr);
    if (!SidesFit(static_cast<long>(width), static_cast<long>(height), source->maxSide))
        png_error(png, "size");
    source->image->hasAlpha =
        (colorType & PNG_COLOR_MASK_ALPHA) != 0 || png_get_valid(png, info, PNG_INFO_tRNS) != 0;

    png_set_expand(png);
    if (bitDepth == 16)
        png_set_strip_16(png);
    if (!(colorType & PNG_COLOR_MASK_COLOR))
        png_set_gray_to_rgb(png);
    png_set_bgr(png);
    png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != static_cast<size_t>(width) * 4)
        png_error(png, "layout");

    source->image->width = static_cast<int>(width);
    source->image->height = static_cast<int>(height);
    source->image->bgra.resize(static_cast<size_t>(width) * height * 4);
    source->rows.resize(height);
    for (png_uint_32 y = 0; y < height; ++y)
        source->rows[y] = source->image->bgra.data() + static_cast<size_t>(y) * width * 4;
    png_read_image(png, source->rows.data());
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

bool DecodePng(const uint8_t* data, size_t size, int maxSide, DecodedImage& image)
{
    PngSource source{data, size, 0, maxSide, &image, {}};
    return DecodePngInto(&source);
}

// ---- JPEG ---------------------------------------------------------------

struct JpegError
{
    jpeg_error_mgr manager;
    jmp_buf jump;
    int warnings;
};

void JpegFail(j_common_ptr common)
{
    JpegError* error = reinterpret_cast<JpegError*>(common->err);
    longjmp(error->jump, 1);
}

// Warnings (corrupt or missing data that libjpeg would paper over) count as
// failures; nothing is printed.
void JpegMessage(j_common_ptr common, int level)
{
    if (level < 0)
        ++reinterpret_cast<JpegError*>(common->err)->warnings;
}

struct JpegTarget
{
    int maxSide;
    DecodedImage* image;
    std::vector<uint8_t> row;
    jpeg_decompress_struct info;
    JpegError error;
};

bool DecodeJpegInto(const uint8_t* data, size_t size, JpegTarget* target)
{
    target->info.err = jpeg_std_error(&target->error.manager);
    target->error.manager.error_exit = JpegFail;
    target->error.manager.emit_message = JpegMessage;
    target->error.warnings = 0;
    if (setjmp(target->error.jump))
    {
        jpeg_destroy_decompress(&target->info);
        return false;
    }
    jpeg_create_decompress(&target->info);
    jpeg_mem_src(&target->info, const_cast<unsigned char*>(data), static_cast<unsigned long>(size));
    jpeg_read_header(&target->info, TRUE);
    if (!SidesFit(static_cast<long>(target->info.image_width),
                  static_cast<long>(target->info.image_height), target->maxSide))
    {
        jpeg_destroy_decompress(&target->info);
        return false;
    }
    bool gray = target->info.jpeg_color_space == JCS_GRAYSCALE;
    target->info.out_color_space = gray ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_start_decompress(&target->info);
    int components = target->info.output_components;
    if (components != (gray ? 1 : 3))
    {
        jpeg_destroy_decompress(&target->info);
        return false;
    }
    size_t width = target->info.output_width;
    size_t height = target->info.output_height;
    target->image->width = static_cast<int>(width);
    target->image->height = static_cast<int>(height);
    target->image->hasAlpha = false;
    target->image->bgra.resize(width * height * 4);
    target->row.resize(width * static_cast<size_t>(components));
    while (target->info.output_scanline < target->info.output_height)
    {
        size_t y = target->info.output_scanline;
        JSAMPROW row = target->row.data();
        if (jpeg_read_scanlines(&target->info, &row, 1) != 1)
            break;
        uint8_t* out = target->image->bgra.data() + y * width * 4;
        for (size_t x = 0; x < width; ++x, out += 4)
        {
            const uint8_t* in = target->row.data() + x * static_cast<size_t>(components);
            out[0] = gray ? in[0] : in[2];
            out[1] = gray ? in[0] : in[1];
            out[2] = in[0];
            out[3] = 0xFF;
        }
    }
    jpeg_finish_decompress(&target->info);
    jpeg_destroy_decompress(&target->info);
    return target->error.warnings == 0;
}

bool DecodeJpeg(const uint8_t* data, size_t size, int maxSide, DecodedImage& image)
{
    JpegTarget* target = new JpegTarget();
    target->maxSide = maxSide;
    target->image = &image;
    bool ok = DecodeJpegInto(data, size, target);
    delete target;
    return ok;
}

// ---- BMP ----------------------------------------------------------------

bool DecodeBmp(const uint8_t* data, size_t size, int maxSide, DecodedImage& image)
{
    // Check the sides before SDL allocates the surface they ask for.
    if (size < 26)
        return false;
    uint32_t headerSize = ReadLe32(data + 14);
    long width = 0;
    long height = 0;
    if (headerSize == 12)
    {
        width = ReadLe16(data + 18);
        height = ReadLe16(data + 20);
    }
    else if (headerSize >= 40 && size >= 30)
    {
        width = static_cast<int32_t>(ReadLe32(data + 18));
        height = static_cast<int32_t>(ReadLe32(data + 22));
        if (height < 0)
            height = -height;
    }
    if (!SidesFit(width, height, maxSide))
        return false;

    SDL_RWops* stream = SDL_RWFromConstMem(data, static_cast<int>(size));
    if (!stream)
        return false;
    SDL_Surface* loaded = SDL_LoadBMP_RW(stream, 1);
    if (!loaded)
        return false;
    SDL_Surface* converted = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_ARGB8888, 0);
    SDL_FreeSurface(loaded);
    if (!converted)
        return false;
    bool ok = converted->w == width && converted->h == height;
    if (ok && SDL_LockSurface(converted) == 0)
    {
        // BMP files give no usable alpha; the pixels are opaque.
        image.width = converted->w;
        image.height = converted->h;
        image.hasAlpha = false;
        image.bgra.resize(static_cast<size_t>(image.width) * image.height * 4);
        for (int y = 0; y < image.height; ++y)
        {
            const uint8_t* row = static_cast<const uint8_t*>(converted->pixels) +
                                 static_cast<size_t>(y) * converted->pitch;
            uint8_t* out = image.bgra.data() + static_cast<size_t>(y) * image.width * 4;
            for (int x = 0; x < image.width; ++x)
            {
                uint32_t argb;
                memcpy(&argb, row + x * 4, 4);
                out[x * 4 + 0] = static_cast<uint8_t>(argb);
                out[x * 4 + 1] = static_cast<uint8_t>(argb >> 8);
                out[x * 4 + 2] = static_cast<uint8_t>(argb >> 16);
                out[x * 4 + 3] = 0xFF;
            }
        }
        SDL_UnlockSurface(converted);
    }
    else
        ok = false;
    SDL_FreeSurface(converted);
    return ok;
}

// The two source pixels (first, second) either side of target pixel i's
// centre along one axis of a source size pixels long, and the weight of the
// second.
void SourceSpan(int i, float scale, int size, int& first, int& second, float& weight)
{
    float at = (static_cast<float>(i) + 0.5f) * scale - 0.5f;
    if (at < 0.0f)
        at = 0.0f;
    first = static_cast<int>(at);
    if (first > size - 1)
        first = size - 1;
    second = first + 1 < size ? first + 1 : first;
    weight = at - static_cast<float>(first);
}
} // namespace

bool DecodeImage(const uint8_t* data, size_t size, int maxSide, DecodedImage& image)
{
    image = DecodedImage();
    bool ok = false;
    if (data && size >= 8 && png_sig_cmp(data, 0, 8) == 0)
        ok = DecodePng(data, size, maxSide, image);
    else if (data && size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF)
        ok = DecodeJpeg(data, size, maxSide, image);
    else if (data && size >= 2 && data[0] == 'B' && data[1] == 'M')
        ok = DecodeBmp(data, size, maxSide, image);
    if (!ok)
        image = DecodedImage();
    return ok;
}

void ResizeImage(const DecodedImage& source, int width, int height, DecodedImage& out)
{
    out.width = width;
    out.height = height;
    out.hasAlpha = source.hasAlpha;
    out.bgra.resize(static_cast<size_t>(width) * height * 4);
    float scaleX = static_cast<float>(source.width) / static_cast<float>(width);
    float scaleY = static_cast<float>(source.height) / static_cast<float>(height);
    // The columns' spans once for every row.
    std::vector<size_t> left(static_cast<size_t>(width));
    std::vector<size_t> right(static_cast<size_t>(width));
    std::vector<float> weights(static_cast<size_t>(width));
    for (int x = 0; x < width; ++x)
    {
        int x0, x1;
        SourceSpan(x, scaleX, source.width, x0, x1, weights[static_cast<size_t>(x)]);
        left[static_cast<size_t>(x)] = static_cast<size_t>(x0) * 4;
        right[static_cast<size_t>(x)] = static_cast<size_t>(x1) * 4;
    }
    // A source row blended across, once for all the target rows that read it.
    auto across = [&](int row, std::vector<float>& blended)
    {
        blended.resize(static_cast<size_t>(width) * 4);
        const uint8_t* pixels = &source.bgra[static_cast<size_t>(row) * source.width * 4];
        for (size_t x = 0; x < static_cast<size_t>(width); ++x)
        {
            const uint8_t* p0 = pixels + left[x];
            const uint8_t* p1 = pixels + right[x];
            for (int c = 0; c < 4; ++c)
                blended[x * 4 + c] = p0[c] + (p1[c] - p0[c]) * weights[x];
        }
    };
    std::vector<float> top;
    std::vector<float> bottom;
    int topRow = -1;
    int bottomRow = -1;
    for (int y = 0; y < height; ++y)
    {
        int y0, y1;
        float fy;
        SourceSpan(y, scaleY, source.height, y0, y1, fy);
        if (y0 != topRow)
        {
            if (y0 == bottomRow)
                top.swap(bottom);
            else
                across(y0, top);
            topRow = y0;
            bottomRow = -1;
        }
        if (y1 != bottomRow)
        {
            across(y1, bottom);
            bottomRow = y1;
        }
        uint8_t* target = &out.bgra[static_cast<size_t>(y) * width * 4];
        for (size_t i = 0; i < static_cast<size_t>(width) * 4; ++i)
        {
            float value = top[i] + (bottom[i] - top[i]) * fy;
            target[i] = static_cast<uint8_t>(value + 0.5f);
        }
    }
}
