// The maker's .3ds files, read chunk by chunk by a small checker of our own:
// well-formed chunk tree, one mesh per file, every face in exactly one
// face-material chunk, smoothing groups and mapping coordinates present, faces
// wound outwards, and the tank, ground and obstacles sized as the game uses them.
#include "MakerRun.h"

#include <cmath>
#include <cstring>
#include <set>

namespace
{
struct Vec
{
    float x, y, z;
};

struct Mesh
{
    std::vector<std::string> materials;
    std::vector<std::string> maps;
    std::string objectName;
    std::vector<Vec> vertices; // as stored: z up
    size_t uvCount = 0;
    std::vector<uint16_t> faces; // three indices per face
    std::vector<std::string> faceMaterialNames;
    std::vector<int> faceUse; // per face: how many face-material chunks list it
    size_t smoothingCount = 0;
    int objects = 0;
};

class ChunkReader
{
public:
    explicit ChunkReader(std::vector<uint8_t> bytes) : b(std::move(bytes)) {}

    // Reads the whole file; false with a reason when the chunk tree is broken.
    bool Read(Mesh& mesh, std::string& error)
    {
        if (b.size() < 6 || U16(0) != 0x4D4D || U32(2) != b.size())
            return Fail(error, "the main chunk does not span the file");
        return Walk(6, b.size(), mesh, error, 0x4D4D);
    }

private:
    uint16_t U16(size_t at) const { return static_cast<uint16_t>(b[at] | (b[at + 1] << 8)); }
    uint32_t U32(size_t at) const
    {
        return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) |
               (static_cast<uint32_t>(b[at + 3]) << 24);
    }
    float F32(size_t at) const
    {
        uint32_t bits = U32(at);
        float f;
        std::memcpy(&f, &bits, 4);
        return f;
    }
    std::string Text(size_t at, size_t end, size_t& next) const
    {
        std::string s;
        while (at < end && b[at] != 0)
            s += static_cast<char>(b[at++]);
        next = at + 1;
        return s;
    }
    static bool Fail(std::string& error, const std::string& why)
    {
        error = why;
        return false;
    }

    // Walks the child chunks in [at, end) of a chunk of id `parent`.
    bool Walk(size_t at, size_t end, Mesh& mesh, std::string& error, uint16_t parent)
    {
        while (at < end)
        {
            if (at + 6 > end)
                return Fail(error, "a chunk header crosses its parent's end");
            const uint16_t id = U16(at);
            const uint32_t length = U32(at + 2);
            if (length < 6 || at + length > end)
                return Fail(error, "a chunk crosses its parent's end");
            if (!Handle(id, at + 6, at + length, mesh, error, parent))
                return false;
            at += length;
        }
        return true;
    }

    bool Handle(uint16_t id, size_t start, size_t end, Mesh& mesh, std::string& error,
                uint16_t parent)
    {
        size_t next = start;
        switch (id)
        {
        case 0x3D3D:
        case 0xAFFF:
        case 0x4100:
        case 0xA010:
        case 0xA020:
        case 0xA030:
        case 0xA040:
        case 0xA050:
        case 0xA200:
            return Walk(start, end, mesh, error, id);
        case 0xA000:
            mesh.materials.push_back(Text(start, end, next));
            return true;
        case 0xA300:
            if (parent == 0xA200)
                mesh.maps.push_back(Text(start, end, next));
            return true;
        case 0x4000:
            ++mesh.objects;
            mesh.objectName = Text(start, end, next);
            return Walk(next, end, mesh, error, id);
        case 0x4110:
        {
            const uint16_t n = U16(start);
            if (start + 2 + n * 12u != end)
                return Fail(error, "vertex chunk length");
            for (uint16_t i = 0; i < n; ++i)
            {
                const size_t at = start + 2 + i * 12u;
                mesh.vertices.push_back(Vec{F32(at), F32(at + 4), F32(at + 8)});
            }
            return true;
        }
        case 0x4140:
            mesh.uvCount = U16(start);
            if (start + 2 + mesh.uvCount * 8 != end)
                return Fail(error, "mapping chunk length");
            return true;
        case 0x4120:
        {
            const uint16_t n = U16(start);
            if (start + 2 + n * 8u > end)
                return Fail(error, "face chunk length");
            for (uint16_t i = 0; i < n; ++i)
            {
                for (int k = 0; k < 3; ++k)
                    mesh.faces.push_back(U16(start + 2 + i * 8u + k * 2u));
            }
            mesh.faceUse.assign(n, 0);
            return Walk(start + 2 + n * 8u, end, mesh, error, id);
        }
        case 0x4130:
        {
            mesh.faceMaterialNames.push_back(Text(start, end, next));
            const uint16_t n = U16(next);
            if (next + 2 + n * 2u != end)
                return Fail(error, "face-material chunk length");
            for (uint16_t i = 0; i < n; ++i)
            {
                const uint16_t face = U16(next + 2 + i * 2u);
                if (face >= mesh.faceUse.size())
                    return Fail(error, "face-material index out of range");
                ++mesh.faceUse[face];
            }
            return true;
        }
        case 0x4150:
            mesh.smoothingCount = (end - start) / 4;
            return true;
        default:
            return true;
        }
    }

    std::vector<uint8_t> b;
};

// Bounding box in the game's space (the importer swaps y and z).
struct Box
{
    Vec min{1e9f, 1e9f, 1e9f};
    Vec max{-1e9f, -1e9f, -1e9f};
};

Box GameBox(const Mesh& mesh)
{
    Box box;
    for (const Vec& v : mesh.vertices)
    {
        const Vec g{v.x, v.z, v.y};
        box.min = Vec{std::min(box.min.x, g.x), std::min(box.min.y, g.y), std::min(box.min.z, g.z)};
        box.max = Vec{std::max(box.max.x, g.x), std::max(box.max.y, g.y), std::max(box.max.z, g.z)};
    }
    return box;
}

// The face normal as the reader computes it, in the file's space.
Vec FaceNormal(const Mesh& mesh, size_t face)
{
    const Vec a = mesh.vertices[mesh.faces[face * 3]];
    const Vec b = mesh.vertices[mesh.faces[face * 3 + 1]];
    const Vec c = mesh.vertices[mesh.faces[face * 3 + 2]];
    const Vec e1{c.x - b.x, c.y - b.y, c.z - b.z};
    const Vec e2{a.x - b.x, a.y - b.y, a.z - b.z};
    return Vec{e1.y * e2.z - e1.z * e2.y, e1.z * e2.x - e1.x * e2.z, e1.x * e2.y - e1.y * e2.x};
}

class ModelFilesTest : public testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        run = new MakerRun;
        made = run->Make();
    }
    static void TearDownTestSuite()
    {
        delete run;
        run = nullptr;
    }
    void SetUp() override
    {
        TOLVI_REQUIRE_MAKER();
        ASSERT_TRUE(made);
    }

    // Reads and checks the structure every model shares.
    static Mesh Load(const std::string& name)
    {
        Mesh mesh;
        std::string error;
        ChunkReader reader(ReadBytes(run->File(name)));
        EXPECT_TRUE(reader.Read(mesh, error)) << name << ": " << error;
        EXPECT_EQ(mesh.objects, 1) << name;
        EXPECT_FALSE(mesh.objectName.empty()) << name;
        EXPECT_LE(mesh.objectName.size(), 10u) << name;
        EXPECT_FALSE(mesh.vertices.empty()) << name;
        EXPECT_EQ(mesh.uvCount, mesh.vertices.size()) << name;
        EXPECT_EQ(mesh.smoothingCount, mesh.faces.size() / 3) << name;
        for (uint16_t index : mesh.faces)
            EXPECT_LT(index, mesh.vertices.size()) << name;
        // One face-material chunk per material, in material order, and each
        // face in exactly one of them.
        EXPECT_EQ(mesh.faceMaterialNames, mesh.materials) << name;
        for (size_t i = 0; i < mesh.faceUse.size(); ++i)
            EXPECT_EQ(mesh.faceUse[i], 1) << name << " face " << i;
        EXPECT_EQ(mesh.maps.size(), mesh.materials.size()) << name;
        for (const std::string& material : mesh.materials)
            EXPECT_LE(material.size(), 19u) << name;
        for (const std::string& map : mesh.maps)
        {
            EXPECT_LE(map.size(), 19u) << name;
            EXPECT_TRUE(std::filesystem::exists(run->File("data/textures/" + map)))
                << name << " names a missing texture " << map;
        }
        return mesh;
    }

    // Every face of a box-shaped model points away from the box's centre.
    static void ExpectOutwardFaces(const Mesh& mesh, const std::string& name)
    {
        Vec centre{0, 0, 0};
        for (const Vec& v : mesh.vertices)
            centre = Vec{centre.x + v.x, centre.y + v.y, centre.z + v.z};
        const float n = static_cast<float>(mesh.vertices.size());
        centre = Vec{centre.x / n, centre.y / n, centre.z / n};
        for (size_t f = 0; f < mesh.faces.size() / 3; ++f)
        {
            const Vec normal = FaceNormal(mesh, f);
            const Vec a = mesh.vertices[mesh.faces[f * 3]];
            const float away = normal.x * (a.x - centre.x) + normal.y * (a.y - centre.y) +
                               normal.z * (a.z - centre.z);
            EXPECT_GT(away, 0.0f) << name << " face " << f << " is wound inwards";
        }
    }

    static MakerRun* run;
    static bool made;
};

MakerRun* ModelFilesTest::run = nullptr;
bool ModelFilesTest::made = false;

void ExpectNear(Vec actual, Vec expected, const char* what)
{
    EXPECT_NEAR(actual.x, expected.x, 1e-4f) << what;
    EXPECT_NEAR(actual.y, expected.y, 1e-4f) << what;
    EXPECT_NEAR(actual.z, expected.z, 1e-4f) << what;
}
} // namespace

TEST_F(ModelFilesTest, TankHullCarriesTheWheelLayoutAndTheTurretRing)
{
    const Mesh body = Load("tank_body.3ds");
    const Box box = GameBox(body);
    // Origin at the bottom centre; the turret sits at height 2.239 on it.
    ExpectNear(box.min, Vec{-1.8f, 0.0f, -3.2f}, "hull min");
    ExpectNear(box.max, Vec{1.8f, 2.239f, 3.2f}, "hull max");
    // The chassis box is (size.x - 1, size.y - 1, size.z): it must not vanish.
    EXPECT_GT(box.max.x - box.min.x - 1.0f, 1.0f);
    EXPECT_GT(box.max.y - box.min.y - 1.0f, 1.0f);
    EXPECT_EQ(body.materials.size(), 2u);
}

TEST_F(ModelFilesTest, TurretPivotsAtItsBaseAndHoldsTheGunTrunnion)
{
    const Box box = GameBox(Load("tank_torso.3ds"));
    EXPECT_NEAR(box.min.y, 0.0f, 1e-5f);
    EXPECT_NEAR(box.min.x + box.max.x, 0.0f, 1e-4f);
    const Vec trunnion{0.0f, 0.263f, 1.687f};
    EXPECT_LT(box.min.z, trunnion.z);
    EXPECT_GT(box.max.z, trunnion.z);
    EXPECT_LT(box.min.y, trunnion.y);
    EXPECT_GT(box.max.y, trunnion.y);
}

TEST_F(ModelFilesTest, GunRunsAlongPlusZToTheMuzzle)
{
    const Box box = GameBox(Load("tank_gun.3ds"));
    EXPECT_NEAR(box.max.z, 5.5f, 1e-5f);
    EXPECT_LT(box.min.z, 0.0f);
    EXPECT_NEAR(box.min.x + box.max.x, 0.0f, 1e-4f);
    EXPECT_NEAR(box.min.y + box.max.y, 0.0f, 1e-4f);
    EXPECT_LT(box.max.y, 0.263f) << "the barrel would reach below the turret's base";
}

TEST_F(ModelFilesTest, GroundIsThePlaneYZeroFacingUpUnderTheWholeDriveArea)
{
    const Mesh ground = Load("level_boden.3ds");
    const Box box = GameBox(ground);
    EXPECT_EQ(box.min.y, 0.0f);
    EXPECT_EQ(box.max.y, 0.0f);
    // The tank starts at (-37, -191); the camera sees 1000 units far.
    EXPECT_LE(box.min.x, -37.0f - 500.0f);
    EXPECT_GE(box.max.x, -37.0f + 500.0f);
    EXPECT_LE(box.min.z, -191.0f - 400.0f);
    EXPECT_GE(box.max.z, -191.0f + 700.0f);
    for (size_t f = 0; f < ground.faces.size() / 3; ++f)
        EXPECT_GT(FaceNormal(ground, f).z, 0.0f) << "face " << f << " faces down";
}

TEST_F(ModelFilesTest, ObstaclesAreBoxesThatFillTheirBoundsWithOutwardFaces)
{
    const Mesh crate = Load("crate.3ds");
    ExpectNear(GameBox(crate).min, Vec{-1.0f, 0.0f, -1.0f}, "crate min");
    ExpectNear(GameBox(crate).max, Vec{1.0f, 2.0f, 1.0f}, "crate max");
    EXPECT_EQ(crate.faces.size(), 12u * 3u);
    ExpectOutwardFaces(crate, "crate.3ds");

    const Mesh wall = Load("wall.3ds");
    ExpectNear(GameBox(wall).min, Vec{-4.0f, 0.0f, -0.5f}, "wall min");
    ExpectNear(GameBox(wall).max, Vec{4.0f, 3.0f, 0.5f}, "wall max");
    EXPECT_EQ(wall.faces.size(), 12u * 3u);
    ExpectOutwardFaces(wall, "wall.3ds");
}
