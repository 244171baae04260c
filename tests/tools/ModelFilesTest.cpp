// The maker's .3ds files read back with the engine's 3DS reader: one mesh per
// file, each material naming a texture of the data set, faces wound outwards,
// and the tank, ground and obstacles sized as the game uses them. What the
// reader forgives but the maker must not write is checked with the reader's
// own chunk calls: a well-formed chunk tree, mapping coordinates and smoothing
// groups for every vertex and face, and every face in exactly one
// face-material chunk.
#include "DataSetDesign.h"
#include "MakerRun.h"

#include "support/LogCapture.h"

#include <cmath>
#include <filesystem>
#include <memory>

namespace
{
// What the chunk walk found; error is empty while the tree is well-formed.
struct ChunkTree
{
    std::string error;
    uint32_t vertices = 0;
    uint32_t uvs = 0;
    uint32_t faces = 0;
    uint32_t smoothing = 0;
    std::vector<std::string> faceMaterials; // in file order
    std::vector<int> faceUse;               // per face: how many face-material chunks list it
};

uint32_t Count(TdsReader& reader)
{
    return static_cast<uint16_t>(reader.ReadShort());
}

// Walks the chunks in [from, end) and every container among them.
void Walk(TdsReader& reader, uint32_t from, uint32_t end, ChunkTree& tree)
{
    reader.Seek(from, kTdsSeekStart);
    while (tree.error.empty() && reader.GetPosition() < end)
    {
        if (end - reader.GetPosition() < 6)
        {
            tree.error = "a chunk header crosses its parent's end";
            return;
        }
        const TdsChunk chunk = reader.ReadChunk();
        if (chunk.end < chunk.start || chunk.end > end)
        {
            tree.error = "a chunk crosses its parent's end";
            return;
        }
        const uint32_t length = chunk.end - chunk.start;
        char name[100];
        switch (chunk.id)
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
            Walk(reader, chunk.start, chunk.end, tree);
            break;
        case 0x4000:
            reader.ReadASCIIZ(name, sizeof name);
            Walk(reader, reader.GetPosition(), chunk.end, tree);
            break;
        case 0x4110:
            tree.vertices = Count(reader);
            if (length != 2 + tree.vertices * 12)
                tree.error = "vertex chunk length";
            break;
        case 0x4140:
            tree.uvs = Count(reader);
            if (length != 2 + tree.uvs * 8)
                tree.error = "mapping chunk length";
            break;
        case 0x4120:
            tree.faces = Count(reader);
            if (length < 2 + tree.faces * 8)
            {
                tree.error = "face chunk length";
                break;
            }
            for (uint32_t i = 0; i < tree.faces * 4; ++i)
            {
                // Three corners, then the edge flags.
                const uint32_t value = Count(reader);
                if (i % 4 != 3 && value >= tree.vertices)
                    tree.error = "a face's corner is no vertex";
            }
            tree.faceUse.assign(tree.faces, 0);
            Walk(reader, reader.GetPosition(), chunk.end, tree);
            break;
        case 0x4130:
        {
            reader.ReadASCIIZ(name, sizeof name);
            tree.faceMaterials.push_back(name);
            const uint32_t listed = Count(reader);
            if (reader.GetPosition() + listed * 2 != chunk.end)
                tree.error = "face-material chunk length";
            for (uint32_t i = 0; i < listed && tree.error.empty(); ++i)
            {
                const uint32_t face = Count(reader);
                if (face >= tree.faceUse.size())
                    tree.error = "face-material index out of range";
                else
                    ++tree.faceUse[face];
            }
            break;
        }
        case 0x4150:
            tree.smoothing = length / 4;
            break;
        default:
            break;
        }
        reader.Seek(chunk.end, kTdsSeekStart);
    }
}

class ModelFilesTest : public testing::Test
{
protected:
    void SetUp() override
    {
        TOLVI_REQUIRE_MAKER();
        ASSERT_NE(run, nullptr);
    }

    // Reads the file into mesh and box, and checks the structure every model
    // shares; a fatal failure when the reader finds no mesh.
    void Load(const std::string& name)
    {
        const std::vector<uint8_t> bytes = ReadBytes(run->File(name));
        ASSERT_FALSE(bytes.empty()) << name;
        const uint32_t size = static_cast<uint32_t>(bytes.size());
        reader = std::make_unique<TdsReader>();

        ChunkTree tree;
        reader->SetBuffer(bytes.data(), size);
        const TdsChunk main = reader->ReadChunk();
        if (main.id != 0x4D4D || main.end != size)
            tree.error = "the main chunk does not span the file";
        else
            Walk(*reader, main.start, main.end, tree);
        EXPECT_EQ(tree.error, "") << name;
        EXPECT_GT(tree.vertices, 0u) << name;
        EXPECT_EQ(tree.uvs, tree.vertices) << name;
        EXPECT_EQ(tree.smoothing, tree.faces) << name;
        for (size_t i = 0; i < tree.faceUse.size(); ++i)
            EXPECT_EQ(tree.faceUse[i], 1) << name << " face " << i;

        LogCapture log;
        ASSERT_TRUE(reader->LoadMemory(bytes.data(), size)) << name << log.Text();
        ASSERT_EQ(reader->GetMeshCount(), 1u) << name;
        EXPECT_EQ(reader->GetLightCount() + reader->GetCameraCount(), 0u) << name;
        mesh = reader->GetMesh(0);
        box = GameBox(*mesh);
        const std::string objectName = mesh->GetName();
        EXPECT_FALSE(objectName.empty()) << name;
        EXPECT_LE(objectName.size(), 10u) << name;
        EXPECT_EQ(mesh->GetTriangleCount(), tree.faces) << name;
        // One face-material chunk per material, in material order, and each
        // material with a texture of the data set.
        std::vector<std::string> materials;
        for (uint32_t m = 0; m < reader->GetMaterialCount(); ++m)
        {
            const TdsMaterial* material = reader->GetMaterial(m);
            materials.push_back(material->GetName());
            EXPECT_LE(materials.back().size(), 19u) << name;
            const std::string map = material->GetTextureMap1().fileName;
            EXPECT_FALSE(map.empty()) << name << " material " << m << " names no texture";
            EXPECT_LE(map.size(), 19u) << name;
            EXPECT_TRUE(std::filesystem::exists(run->File("data/textures/" + map)))
                << name << " names a missing texture " << map;
        }
        EXPECT_EQ(tree.faceMaterials, materials) << name;
    }

    // Every face of a box-shaped model points away from the box's centre.
    void ExpectOutwardFaces(const std::string& name) const
    {
        // Back in the file's space, where the reader computes face normals.
        const TdsVector centre((box.min.x + box.max.x) / 2, (box.min.z + box.max.z) / 2,
                               (box.min.y + box.max.y) / 2);
        for (uint32_t f = 0; f < mesh->GetTriangleCount(); ++f)
        {
            const TdsTriangle2 face = mesh->GetTriangle2(f);
            const TdsVector out = face.vertexA.Position() - centre;
            const TdsVector& n = face.faceNormal;
            EXPECT_GT(n.x * out.x + n.y * out.y + n.z * out.z, 0.0f)
                << name << " face " << f << " is wound inwards";
        }
    }

    const MakerRun* run = SharedDataSet();
    std::unique_ptr<TdsReader> reader;
    TdsMesh* mesh = nullptr;
    Box box;
};
} // namespace

TEST_F(ModelFilesTest, TankHullCarriesTheWheelLayoutAndTheTurretRing)
{
    ASSERT_NO_FATAL_FAILURE(Load("tank_body.3ds"));
    // Origin at the bottom centre; the turret sits at height 2.239 on it.
    EXPECT_TRUE(VectorNear(box.min, Vector3(-1.8f, 0.0f, -3.2f)));
    EXPECT_TRUE(VectorNear(box.max, Vector3(1.8f, 2.239f, 3.2f)));
    // The chassis box is (size.x - 1, size.y - 1, size.z): it must not vanish.
    EXPECT_GT(box.max.x - box.min.x - 1.0f, 1.0f);
    EXPECT_GT(box.max.y - box.min.y - 1.0f, 1.0f);
    EXPECT_EQ(reader->GetMaterialCount(), 2u);
}

TEST_F(ModelFilesTest, TurretPivotsAtItsBaseAndHoldsTheGunTrunnion)
{
    ASSERT_NO_FATAL_FAILURE(Load("tank_torso.3ds"));
    EXPECT_NEAR(box.min.y, 0.0f, 1e-5f);
    EXPECT_NEAR(box.min.x + box.max.x, 0.0f, 1e-4f);
    const Vector3 trunnion(0.0f, 0.263f, 1.687f);
    EXPECT_LT(box.min.z, trunnion.z);
    EXPECT_GT(box.max.z, trunnion.z);
    EXPECT_LT(box.min.y, trunnion.y);
    EXPECT_GT(box.max.y, trunnion.y);
}

TEST_F(ModelFilesTest, GunRunsAlongPlusZToTheMuzzle)
{
    ASSERT_NO_FATAL_FAILURE(Load("tank_gun.3ds"));
    EXPECT_NEAR(box.max.z, 5.5f, 1e-5f);
    EXPECT_LT(box.min.z, 0.0f);
    EXPECT_NEAR(box.min.x + box.max.x, 0.0f, 1e-4f);
    EXPECT_NEAR(box.min.y + box.max.y, 0.0f, 1e-4f);
    EXPECT_LT(box.max.y, 0.263f) << "the barrel would reach below the turret's base";
}

TEST_F(ModelFilesTest, GroundIsThePlaneYZeroFacingUpUnderTheWholeDriveArea)
{
    ASSERT_NO_FATAL_FAILURE(Load("level_boden.3ds"));
    EXPECT_EQ(box.min.y, 0.0f);
    EXPECT_EQ(box.max.y, 0.0f);
    // The tank starts at (-37, -191); the camera sees 1000 units far.
    EXPECT_LE(box.min.x, -37.0f - 500.0f);
    EXPECT_GE(box.max.x, -37.0f + 500.0f);
    EXPECT_LE(box.min.z, -191.0f - 400.0f);
    EXPECT_GE(box.max.z, -191.0f + 700.0f);
    // Up is +z in the file's space.
    for (uint32_t f = 0; f < mesh->GetTriangleCount(); ++f)
        EXPECT_GT(mesh->GetTriangle2(f).faceNormal.z, 0.0f) << "face " << f << " faces down";
}

TEST_F(ModelFilesTest, ObstaclesAreBoxesThatFillTheirBoundsWithOutwardFaces)
{
    for (const ModelDesign& obstacle : {kModels[4], kModels[5]})
    {
        ASSERT_NO_FATAL_FAILURE(Load(obstacle.file));
        ExpectBox(box.min, box.max, obstacle.box, obstacle.file);
        EXPECT_EQ(mesh->GetTriangleCount(), 12u) << obstacle.file;
        ExpectOutwardFaces(obstacle.file);
    }
}

TEST_F(ModelFilesTest, EveryModelReadsAsOneMeshWithTheDesignedFacesMaterialsAndBounds)
{
    for (const ModelDesign& design : kModels)
    {
        ASSERT_NO_FATAL_FAILURE(Load(design.file));
        EXPECT_EQ(reader->GetMaterialCount(), design.materials) << design.file;
        EXPECT_EQ(mesh->GetTriangleCount(), design.faces) << design.file;
        EXPECT_EQ(mesh->GetMaterialCount(), design.materials) << design.file;
        ExpectBox(box.min, box.max, design.box, design.file);
        // Every face belongs to one of the mesh's materials.
        for (uint32_t t = 0; t < mesh->GetTriangleCount(); ++t)
        {
            bool known = false;
            for (uint32_t k = 0; k < mesh->GetMaterialCount(); ++k)
                known = known || mesh->GetTriangleEx(t).materialId == mesh->GetMaterial(k);
            EXPECT_TRUE(known) << design.file << " face " << t;
        }
        EXPECT_EQ(mesh->RemoveBrokenTriangles(), 0u) << design.file;
    }
}
