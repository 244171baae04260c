// The data set maker: every file the game loads is written, the same bytes on
// every run, pictures decode at their designed sizes, level.txt scans line by
// line and the music decodes as a loopable Ogg Vorbis stream.
#include "DataSetDesign.h"
#include "MakerRun.h"
#include "support/ImageFiles.h"
#include "support/OggFiles.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>

namespace
{
// Every file the game loads, and the record of the made level.txt.
std::vector<std::string> ExpectedFiles()
{
    std::vector<std::string> files = {"level.txt", "level.default.txt", "data/terrain.raw",
                                      "data/music/freude.ogg"};
    for (const ModelDesign& model : kModels)
        files.push_back(model.file);
    for (const PictureDesign& picture : kPictures)
        files.push_back(std::string("data/textures/") + picture.name);
    return files;
}

uint32_t Le32(const std::vector<uint8_t>& b, size_t at)
{
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

// The header of an uncompressed 24-bit BMP whose size field is the file's
// size and whose pixel rows lie inside the file.
bool IsPlainBmp(const std::vector<uint8_t>& b)
{
    if (b.size() < 54 || b[0] != 'B' || b[1] != 'M' || Le32(b, 2) != b.size())
        return false;
    const uint32_t offset = Le32(b, 10);
    const int32_t width = static_cast<int32_t>(Le32(b, 18));
    const int32_t height = static_cast<int32_t>(Le32(b, 22));
    const int bits = b[28] | (b[29] << 8);
    if (bits != 24 || Le32(b, 30) != 0 || width <= 0 || height <= 0)
        return false;
    const size_t rowBytes = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
    return offset + rowBytes * height <= b.size();
}

// Reads a picture with the engine's decoder; BMP files must be plain ones.
bool ReadPicture(const std::string& path, DecodedImage& out)
{
    if (path.substr(path.size() - 3) == "bmp" && !IsPlainBmp(ReadBytes(path)))
        return false;
    return ReadImage(path, out);
}
// The tests that only read the data set read the one made for the process.
class MakeDataTest : public testing::Test
{
protected:
    void SetUp() override
    {
        TOLVI_REQUIRE_MAKER();
        ASSERT_NE(SharedDataSet(), nullptr);
    }
    const MakerRun* run = SharedDataSet();
};
} // namespace

TEST_F(MakeDataTest, WritesEveryFileTheSameOnEveryRun)
{
    // Two fresh runs: the shared one may hold what other tests wrote.
    MakerRun first;
    MakerRun second;
    ASSERT_TRUE(first.Make());
    ASSERT_TRUE(second.Make());

    std::set<std::string> written;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(first.path))
    {
        if (entry.is_regular_file())
            written.insert(std::filesystem::relative(entry.path(), first.path).string());
    }
    for (const std::string& name : ExpectedFiles())
        EXPECT_EQ(written.count(name), 1u) << name << " is missing";

    for (const std::string& name : written)
    {
        const std::vector<uint8_t> a = ReadBytes(first.File(name));
        EXPECT_FALSE(a.empty()) << name;
        EXPECT_TRUE(a == ReadBytes(second.File(name))) << name << " differs between two runs";
    }
}

TEST_F(MakeDataTest, RefusesAMissingFolderArgumentAndAnUnwritableFolder)
{
#ifdef TOLVI_MAKEDATA
    const std::string bare = std::string("\"") + TOLVI_MAKEDATA + "\" 2>/dev/null";
    EXPECT_NE(std::system(bare.c_str()), 0);
    ScratchFolder folder;
    // A plain file where the folder should be: nothing can be created below it.
    std::ofstream(folder.File("blocked")) << "x";
    const std::string blocked =
        std::string("\"") + TOLVI_MAKEDATA + "\" \"" + folder.File("blocked") + "\" 2>/dev/null";
    EXPECT_NE(std::system(blocked.c_str()), 0);
#endif
}

TEST_F(MakeDataTest, KeepsALevelFileThePlayerChangedAndRenewsOneLeftAsMade)
{
    MakerRun folder;
    ASSERT_TRUE(folder.Make());
    const std::vector<uint8_t> made = ReadBytes(folder.File("level.txt"));
    EXPECT_TRUE(made == ReadBytes(folder.File("level.default.txt")));

    auto bytes = [](const std::string& text)
    { return std::vector<uint8_t>(text.begin(), text.end()); };
    const std::vector<uint8_t> edited = bytes("crate.3ds 0 0 0 1\n");
    const std::vector<uint8_t> older = bytes("wall.3ds 5 5 0 0\n");
    struct Case
    {
        const char* what;
        std::vector<uint8_t> level;
        std::vector<uint8_t> record; // empty: no record of the last made file
        std::vector<uint8_t> expected;
    } cases[] = {
        {"edited after the last run", edited, made, edited},
        {"as an older run made it", older, older, made},
        {"changed before any record was kept", edited, {}, edited},
    };
    for (const Case& c : cases)
    {
        std::filesystem::remove(folder.File("level.txt"));
        std::filesystem::remove(folder.File("level.default.txt"));
        if (!c.level.empty())
        {
            ASSERT_TRUE(WriteBytes(folder.File("level.txt"), c.level));
        }
        if (!c.record.empty())
        {
            ASSERT_TRUE(WriteBytes(folder.File("level.default.txt"), c.record));
        }
        ASSERT_TRUE(folder.Make()) << c.what;
        EXPECT_TRUE(ReadBytes(folder.File("level.txt")) == c.expected) << c.what;
        EXPECT_TRUE(ReadBytes(folder.File("level.default.txt")) == made) << c.what;
    }
}

TEST_F(MakeDataTest, PicturesDecodeAtTheirDesignedSizes)
{
    for (const PictureDesign& e : kPictures)
    {
        DecodedImage picture;
        ASSERT_TRUE(ReadPicture(run->File(std::string("data/textures/") + e.name), picture))
            << e.name;
        EXPECT_EQ(picture.width, e.width) << e.name;
        EXPECT_EQ(picture.height, e.height) << e.name;
        EXPECT_EQ(picture.hasAlpha, e.alpha) << e.name;
    }

    // The smoke puff fades out before the border; the cursor's hot point is
    // its top-left pixel.
    DecodedImage smoke;
    ASSERT_TRUE(ReadImage(run->File("data/textures/smoke.png"), smoke));
    EXPECT_EQ(smoke.bgra[3], 0);
    EXPECT_GT(smoke.bgra[(32 * 64 + 32) * 4 + 3], 100);
    DecodedImage cursor;
    ASSERT_TRUE(ReadImage(run->File("data/textures/cursor.png"), cursor));
    EXPECT_EQ(cursor.bgra[3], 255);
    EXPECT_EQ(cursor.bgra[(31 * 32 + 31) * 4 + 3], 0);
}

TEST_F(MakeDataTest, FontHasADistinctGlyphForEveryPrintableCharacter)
{
    DecodedImage font;
    ASSERT_TRUE(ReadImage(run->File("data/textures/font.png"), font));
    ASSERT_EQ(font.width, 128);
    // Glyph of byte c: column c mod 16, row c / 16, 8 by 8 pixels, ink in alpha.
    auto glyph = [&](int c)
    {
        std::vector<bool> ink;
        for (int y = 0; y < 8; ++y)
        {
            for (int x = 0; x < 8; ++x)
            {
                const size_t at = ((c / 16 * 8 + y) * 128 + c % 16 * 8 + x) * 4;
                ink.push_back(font.bgra[at + 3] > 127);
            }
        }
        return ink;
    };
    auto inked = [](const std::vector<bool>& g) { return std::count(g.begin(), g.end(), true); };
    EXPECT_EQ(inked(glyph(' ')), 0);
    EXPECT_GT(inked(glyph(1)), 0) << "the edit box caret is glyph 1";
    std::set<std::vector<bool>> seen;
    for (int c = 33; c < 127; ++c)
    {
        const std::vector<bool> g = glyph(c);
        EXPECT_GT(inked(g), 0) << "no glyph for '" << static_cast<char>(c) << "'";
        EXPECT_TRUE(seen.insert(g).second) << "'" << static_cast<char>(c) << "' repeats a glyph";
    }
    for (size_t i = 0; i < font.bgra.size(); i += 4)
    {
        ASSERT_EQ(font.bgra[i], 255);
        ASSERT_EQ(font.bgra[i + 1], 255);
        ASSERT_EQ(font.bgra[i + 2], 255);
    }
}

TEST_F(MakeDataTest, LevelListsObstaclesAheadOfTheTankBesideItsWayInTheScannedFormat)
{
    const std::vector<uint8_t> bytes = ReadBytes(run->File("level.txt"));
    ASSERT_FALSE(bytes.empty());
    EXPECT_EQ(bytes.back(), '\n');
    const std::string text(bytes.begin(), bytes.end());
    int lines = 0;
    int dynamic = 0;
    size_t start = 0;
    while (start < text.size())
    {
        const size_t end = text.find('\n', start);
        ASSERT_NE(end, std::string::npos);
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        ++lines;
        char model[200] = {};
        float x = 0, z = 0, turns = 0;
        int flag = 0;
        ASSERT_EQ(std::sscanf(line.c_str(), "%199s %f %f %f %d", model, &x, &z, &turns, &flag), 5)
            << line;
        EXPECT_TRUE(std::filesystem::exists(run->File(model))) << model;
        // The tank starts at (-37, -191), 6.4 long, facing +z: each obstacle
        // lies ahead of it, beside the way it drives straight ahead, which
        // its wheels span 2.3 to either side of x = -37, with 2 to spare.
        EXPECT_GT(z, -191.0f + 3.2f + 4.0f) << line;
        EXPECT_LT(std::fabs(x + 37.0f), 40.0f) << line;
        const auto design =
            std::find_if(std::begin(kModels), std::end(kModels),
                         [&](const ModelDesign& d) { return d.file == std::string(model); });
        ASSERT_NE(design, std::end(kModels)) << model;
        // The game centres the model's box on the line's x and z, whatever
        // the model's origin: the footprint reaches half the box's size to
        // either side, across the way as the box is turned.
        const float turn = turns * 1.5707964f;
        const Vector3 half = (design->box.max - design->box.min) / 2.0f;
        const float across =
            std::fabs(std::cos(turn)) * half.x + std::fabs(std::sin(turn)) * half.z;
        EXPECT_GE(std::fabs(x + 37.0f) - across, 2.3f + 2.0f) << line;
        dynamic += flag != 0;
    }
    EXPECT_EQ(lines, 12);
    EXPECT_GT(dynamic, 0);
    EXPECT_LT(dynamic, lines);

    const std::vector<uint8_t> heights = ReadBytes(run->File("data/terrain.raw"));
    ASSERT_EQ(heights.size(), 513u * 513u);
    const auto [low, high] = std::minmax_element(heights.begin(), heights.end());
    EXPECT_GT(*high - *low, 100) << "the terrain is nearly flat";
}

TEST_F(MakeDataTest, MusicDecodesAndLoopsWithoutAClick)
{
    const oggfiles::Decoded music = oggfiles::DecodeFile(run->File("data/music/freude.ogg"));
    EXPECT_EQ(music.channels, 2);
    EXPECT_EQ(music.rate, 22050);
    ASSERT_GT(music.rate, 0);
    const double seconds = static_cast<double>(music.declaredFrames) / music.rate;
    EXPECT_GE(seconds, 20.0);
    EXPECT_LE(seconds, 60.0);
    EXPECT_TRUE(music.complete) << "decoding error";
    const std::vector<int16_t>& samples = music.pcm;
    EXPECT_EQ(static_cast<long long>(samples.size()) / 2, music.declaredFrames);

    int peak = 0;
    for (int16_t s : samples)
        peak = std::max(peak, std::abs(static_cast<int>(s)));
    EXPECT_GT(peak, 16000) << "the music is too quiet";
    // The last note has died away at the end and the first starts from
    // silence, so the wrap from end to start is smooth.
    int tail = 0;
    for (size_t i = samples.size() - 2 * 200; i < samples.size(); ++i)
        tail = std::max(tail, std::abs(static_cast<int>(samples[i])));
    int head = 0;
    for (size_t i = 0; i < 2 * 20; ++i)
        head = std::max(head, std::abs(static_cast<int>(samples[i])));
    EXPECT_LT(tail, 300);
    EXPECT_LT(head, 1500);
}

TEST_F(MakeDataTest, SkyBoxFacesMeetWithoutSeams)
{
    // The game's sky cube: per face its corners (x, y, z) and the (u, v) each
    // carries, u and v being 1/512 or 1 - 1/512: exactly the centres of the
    // first and last texel of a 256 texel side.
    struct Corner
    {
        float x, y, z, u, v;
    };
    const float lo = 0.001953125f;
    const float hi = 0.998046875f;
    const char* suffix[6] = {"ft", "bk", "lf", "rt", "up", "dn"};
    const Corner faces[6][4] = {
        {{-1, 1, 1, lo, lo}, {1, 1, 1, hi, lo}, {1, -1, 1, hi, hi}, {-1, -1, 1, lo, hi}},
        {{1, 1, -1, lo, lo}, {-1, 1, -1, hi, lo}, {-1, -1, -1, hi, hi}, {1, -1, -1, lo, hi}},
        {{1, 1, 1, lo, lo}, {1, 1, -1, hi, lo}, {1, -1, -1, hi, hi}, {1, -1, 1, lo, hi}},
        {{-1, 1, -1, lo, lo}, {-1, 1, 1, hi, lo}, {-1, -1, 1, hi, hi}, {-1, -1, -1, lo, hi}},
        {{-1, 1, -1, lo, hi}, {1, 1, -1, lo, lo}, {1, 1, 1, hi, lo}, {-1, 1, 1, hi, hi}},
        {{-1, -1, 1, hi, lo}, {1, -1, 1, hi, hi}, {1, -1, -1, lo, hi}, {-1, -1, -1, lo, lo}},
    };
    DecodedImage pictures[6];
    for (int f = 0; f < 6; ++f)
    {
        ASSERT_TRUE(ReadPicture(run->File(std::string("data/textures/cliff") + suffix[f] + ".bmp"),
                                pictures[f]));
        ASSERT_EQ(pictures[f].width, 256);
        ASSERT_EQ(pictures[f].height, 256);
    }
    // Corner of face f whose texture coordinate is (a ? hi : lo, b ? hi : lo).
    auto corner = [&](int f, int a, int b)
    {
        for (const Corner& c : faces[f])
        {
            if ((c.u > 0.5f) == (a == 1) && (c.v > 0.5f) == (b == 1))
                return c;
        }
        return faces[f][0];
    };
    auto texel = [&](int f, int tx, int ty)
    {
        const size_t at = (static_cast<size_t>(ty) * 256 + tx) * 4;
        return &pictures[f].bgra[at];
    };

    long long sum = 0;
    int count = 0;
    int worst = 0;
    for (int f = 0; f < 6; ++f)
    {
        const Corner c00 = corner(f, 0, 0), c10 = corner(f, 1, 0), c01 = corner(f, 0, 1);
        for (int edge = 0; edge < 4; ++edge)
        {
            for (int i = 0; i < 256; ++i)
            {
                const int tx = edge == 0 ? 0 : edge == 1 ? 255 : i;
                const int ty = edge == 2 ? 0 : edge == 3 ? 255 : i;
                const float s = tx / 255.0f;
                const float t = ty / 255.0f;
                const float p[3] = {c00.x + (c10.x - c00.x) * s + (c01.x - c00.x) * t,
                                    c00.y + (c10.y - c00.y) * s + (c01.y - c00.y) * t,
                                    c00.z + (c10.z - c00.z) * s + (c01.z - c00.z) * t};
                // Every other face whose plane holds this edge point shows it too.
                for (int g = 0; g < 6; ++g)
                {
                    if (g == f)
                        continue;
                    const Corner d00 = corner(g, 0, 0), d10 = corner(g, 1, 0),
                                 d01 = corner(g, 0, 1);
                    const float eu[3] = {d10.x - d00.x, d10.y - d00.y, d10.z - d00.z};
                    const float ev[3] = {d01.x - d00.x, d01.y - d00.y, d01.z - d00.z};
                    const float rel[3] = {p[0] - d00.x, p[1] - d00.y, p[2] - d00.z};
                    const float n[3] = {eu[1] * ev[2] - eu[2] * ev[1],
                                        eu[2] * ev[0] - eu[0] * ev[2],
                                        eu[0] * ev[1] - eu[1] * ev[0]};
                    if (std::fabs(rel[0] * n[0] + rel[1] * n[1] + rel[2] * n[2]) > 1e-3f)
                        continue;
                    const float gs = (rel[0] * eu[0] + rel[1] * eu[1] + rel[2] * eu[2]) / 4.0f;
                    const float gt = (rel[0] * ev[0] + rel[1] * ev[1] + rel[2] * ev[2]) / 4.0f;
                    const uint8_t* a = texel(f, tx, ty);
                    const uint8_t* b = texel(g, static_cast<int>(std::lround(gs * 255.0f)),
                                             static_cast<int>(std::lround(gt * 255.0f)));
                    int diff = 0;
                    for (int k = 0; k < 3; ++k)
                        diff = std::max(diff, std::abs(a[k] - b[k]));
                    sum += diff;
                    ++count;
                    worst = std::max(worst, diff);
                }
            }
        }
    }
    ASSERT_GT(count, 6 * 4 * 256 - 1);
    // A face turned or mirrored against the cube shows means of several levels
    // and single texels off by dozens; matching faces differ by rounding only.
    EXPECT_LT(static_cast<double>(sum) / count, 1.0);
    EXPECT_LT(worst, 24);
}
