// The reader on cut, oversized and inconsistent files, and the mended faults:
// seeking to the end, long names, self-parented keyframe nodes.
#include "tds/TdsReader.h"

#include "support/LogCapture.h"
#include "support/TdsSamples.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>

namespace
{
using tds_samples::MeshOptions;

using tds_samples::Load;

// Every corner inside the vertex arrays and no mesh its own ancestor.
void ExpectSound(TdsReader& reader)
{
    for (uint32_t i = 0; i < reader.GetMeshCount(); ++i)
    {
        TdsMesh* mesh = reader.GetMesh(i);
        for (uint32_t f = 0; f < mesh->GetTriangleCount(); ++f)
        {
            const TdsTriangleEx& face = mesh->GetTriangleEx(f);
            ASSERT_LT(face.a, mesh->GetVertexCount());
            ASSERT_LT(face.b, mesh->GetVertexCount());
            ASSERT_LT(face.c, mesh->GetVertexCount());
        }
        uint32_t depth = 0;
        for (TdsMesh* up = mesh->GetParent(); up; up = up->GetParent())
        {
            ASSERT_NE(up, mesh);
            ASSERT_LE(++depth, reader.GetMeshCount());
        }
    }
}
} // namespace

TEST(TdsBufferReader, ReadsStopAtTheEndOfTheBuffer)
{
    TdsReader reader;
    const uint8_t bytes[] = {0x34, 0x12, 0x78, 0x56, 0x34};
    reader.SetBuffer(bytes, sizeof(bytes));
    reader.Seek(1, kTdsSeekStart);
    EXPECT_EQ(reader.ReadInt(), 0x34567812u); // ends exactly at the end
    EXPECT_FALSE(reader.HasError());
    reader.Seek(2, kTdsSeekStart);
    EXPECT_EQ(reader.ReadInt(), 0u); // would cross the end
    EXPECT_TRUE(reader.HasError());
    EXPECT_EQ(reader.GetPosition(), 2u);
}

// Seeking at or past the end lands on the end, not on the last byte.
TEST(TdsBufferReader, SeekClampsToTheSize)
{
    TdsReader reader;
    std::vector<uint8_t> bytes(100, 0);
    reader.SetBuffer(bytes.data(), 100);
    reader.Seek(5000, kTdsSeekStart);
    EXPECT_EQ(reader.GetPosition(), 100u);
    EXPECT_EQ(reader.ReadByte(), 0u);
    EXPECT_TRUE(reader.HasError());
    reader.Seek(0, kTdsSeekCurrent);
    EXPECT_FALSE(reader.HasError());
}

// A long string is consumed through its terminator; only its head is kept.
TEST(TdsBufferReader, LongStringIsConsumedWhole)
{
    TdsReader reader;
    std::string text = "abcdefghijklmnopqrstuvwxy";
    std::vector<uint8_t> bytes(text.begin(), text.end());
    bytes.push_back(0);
    bytes.push_back('Z');
    reader.SetBuffer(bytes.data(), static_cast<uint32_t>(bytes.size()));
    char name[20];
    EXPECT_EQ(reader.ReadASCIIZ(name, 20), 19u);
    EXPECT_STREQ(name, "abcdefghijklmnopqrs");
    EXPECT_EQ(reader.GetPosition(), 26u);
    EXPECT_EQ(reader.ReadChar(), 'Z');
}

// Files that end in a chunk whose last bytes are zero: the walk past that
// chunk stops at the end of the file instead of reading a header there.
TEST(TdsRobustness, ChunkEndingAtTheEndOfTheFileEndsTheWalk)
{
    TdsWriter w;
    w.Begin(0x4D4D).Begin(0x3D3D);
    w.Begin(0xAFFF).StringChunk(0xA000, "First").Begin(0xA100).I16(0).End().End();
    w.Begin(0xAFFF).Begin(0xA100).I16(0).End().End();
    w.End().End();
    TdsReader reader;
    ASSERT_TRUE(Load(reader, w.Bytes()));
    ASSERT_EQ(reader.GetMaterialCount(), 2u);
    EXPECT_EQ(reader.GetMaterial(1)->GetShading(), 0);

    // A mesh as the last chunk, its smoothing masks (zeros) the last bytes.
    std::vector<uint8_t> file = tds_samples::EditorFile(
        [](TdsWriter& w)
        {
            MeshOptions options;
            options.smoothing = std::vector<uint32_t>(12, 0);
            tds_samples::WriteCube(w, "Last", options);
        });
    ASSERT_TRUE(Load(reader, file));
    ASSERT_EQ(reader.GetMeshCount(), 1u);
    EXPECT_EQ(reader.GetMesh(0)->GetTriangleCount(), 12u);
    EXPECT_EQ(reader.GetMesh(0)->GetTriangleEx(11).smoothing, 0u);
}

TEST(TdsRobustness, ChunkThatDoesNotAdvanceEndsTheWalk)
{
    TdsWriter w;
    w.Begin(0x4D4D).Begin(0x3D3D);
    w.Begin(0xAFFF).StringChunk(0xA000, "Kept").End();
    w.Header(0xAFFF, 0); // a length shorter than its own header
    w.Begin(0xAFFF).StringChunk(0xA000, "Unreached").End();
    w.End().End();
    TdsReader reader;
    ASSERT_TRUE(Load(reader, w.Bytes()));
    ASSERT_EQ(reader.GetMaterialCount(), 1u);
    EXPECT_STREQ(reader.GetMaterial(0)->GetName(), "Kept");
}

TEST(TdsRobustness, ChunkLongerThanItsParentIsNotRead)
{
    TdsWriter w;
    w.Begin(0x4D4D).Begin(0x3D3D);
    w.Begin(0xAFFF).StringChunk(0xA000, "Kept").End();
    w.Begin(0xAFFF).Header(0xA000, 0xFFFFFFF0u).String("Huge").End();
    w.End().End();
    TdsReader reader;
    ASSERT_TRUE(Load(reader, w.Bytes()));
    ASSERT_EQ(reader.GetMaterialCount(), 2u);
    EXPECT_STREQ(reader.GetMaterial(1)->GetName(), "");
}

// Counts larger than their chunk read what is there; faces naming missing
// vertices are dropped.
TEST(TdsRobustness, CountsAndIndicesAreCheckedAgainstTheChunk)
{
    std::vector<uint8_t> file = tds_samples::EditorFile(
        [](TdsWriter& w)
        {
            w.Begin(0xAFFF).StringChunk(0xA000, "Paint").End();
            w.Begin(0x4000).String("Broken").Begin(0x4100);
            w.Begin(0x4110).U16(1000).Floats({0, 0, 0, 1, 0, 0, 0, 1, 0}).End();
            w.Begin(0x4140).U16(500).Floats({0.5f, 0.5f}).End();
            w.Begin(0x4120).U16(3);
            w.U16(0).U16(1).U16(2).U16(0);
            w.U16(0).U16(1).U16(7).U16(0); // vertex 7 does not exist
            w.U16(2).U16(1).U16(0).U16(0);
            w.Begin(0x4130).String("Paint").U16(900).U16(2).U16(40000).End();
            w.Begin(0x4150).U32(4).End(); // one mask for three faces
            w.End();
            w.End().End();
        });
    TdsReader reader;
    ASSERT_TRUE(Load(reader, file));
    TdsMesh* mesh = reader.GetMesh(0);
    // Three vertices read, each split once: the two faces left differ in mask.
    EXPECT_EQ(mesh->GetVertexCount(), 6u);
    EXPECT_EQ(mesh->GetUV(0).u, 0.5f);
    ASSERT_EQ(mesh->GetTriangleCount(), 2u);
    EXPECT_EQ(mesh->GetTriangle2(1).vertexA.y, 1.0f);
    EXPECT_EQ(mesh->GetTriangleEx(0).smoothing, 4u);
    EXPECT_EQ(mesh->GetTriangleEx(1).smoothing, 1u);
    EXPECT_EQ(mesh->GetTriangleEx(1).materialId, 0u);
    ExpectSound(reader);
}

// Cut after every byte: the reader ends, never reads outside the file, keeps
// its promises about what it returns, and keeps every material, mesh and
// keyframe node whose chunk lies wholly before the cut, as the whole file has
// them.
TEST(TdsRobustness, FileCutAnywhereIsReadSafelyAndKeepsItsWholeRecords)
{
    std::vector<uint8_t> file = tds_samples::SceneFile();
    LogCapture log;
    TdsReader whole;
    ASSERT_TRUE(Load(whole, file));

    // Where each material chunk and each mesh object ends, found with the
    // reader's own chunk walk.
    std::vector<uint32_t> materialEnds;
    std::vector<uint32_t> meshEnds;
    TdsReader walker;
    walker.SetBuffer(file.data(), static_cast<uint32_t>(file.size()));
    TdsChunk main = walker.ReadChunk();
    TdsChunk editor;
    ASSERT_TRUE(walker.FindChunk(0x3D3D, main, editor));
    for (uint16_t id : {0xAFFF, 0x4000})
    {
        walker.GotoChunk(editor);
        TdsChunk chunk;
        while (walker.FindChunk(id, editor, chunk))
        {
            char name[100];
            walker.ReadASCIIZ(name, sizeof name);
            if (id == 0xAFFF)
                materialEnds.push_back(chunk.end);
            else if (whole.FindMesh(name))
                meshEnds.push_back(chunk.end);
            walker.SkipChunk(chunk);
        }
    }
    ASSERT_EQ(meshEnds.size(), whole.GetMeshCount());
    // Where the keyframe node of each mesh ends.
    std::map<std::string, uint32_t> nodeEnds;
    walker.GotoChunk(main);
    TdsChunk keyframer;
    ASSERT_TRUE(walker.FindChunk(0xB000, main, keyframer));
    TdsChunk node;
    while (walker.FindChunk(0xB002, keyframer, node))
    {
        TdsChunk header;
        ASSERT_TRUE(walker.FindChunk(0xB010, node, header));
        char name[100];
        walker.ReadASCIIZ(name, sizeof name);
        if (whole.FindMesh(name))
            nodeEnds[name] = node.end;
        walker.SkipChunk(node);
    }
    ASSERT_EQ(nodeEnds.size(), whole.GetMeshCount());

    for (size_t length = 0; length < file.size(); ++length)
    {
        SCOPED_TRACE(testing::Message() << "cut at " << length);
        std::vector<uint8_t> cut(file.begin(), file.begin() + length);
        TdsReader reader;
        Load(reader, cut);
        ExpectSound(reader);
        if (::testing::Test::HasFatalFailure())
            return;
        auto before = [length](const std::vector<uint32_t>& ends)
        {
            return static_cast<uint32_t>(std::count_if(
                ends.begin(), ends.end(), [length](uint32_t end) { return end <= length; }));
        };
        ASSERT_EQ(reader.GetMaterialCount(), before(materialEnds));
        ASSERT_EQ(reader.GetMeshCount(), before(meshEnds));
        for (uint32_t i = 0; i < reader.GetMeshCount(); ++i)
        {
            ASSERT_STREQ(reader.GetMesh(i)->GetName(), whole.GetMesh(i)->GetName());
            ASSERT_EQ(reader.GetMesh(i)->GetTriangleCount(), whole.GetMesh(i)->GetTriangleCount());
            ASSERT_EQ(reader.GetMesh(i)->GetVertexCount(), whole.GetMesh(i)->GetVertexCount());
            // A whole node places its mesh as in the whole file; a cut one is
            // not read.
            const TdsMesh* mesh = reader.GetMesh(i);
            const TdsMesh* model = whole.GetMesh(i);
            const bool placed = nodeEnds[mesh->GetName()] <= length;
            const TdsMesh* parent = placed ? model->GetParent() : nullptr;
            ASSERT_STREQ(mesh->GetParent() ? mesh->GetParent()->GetName() : "none",
                         parent ? parent->GetName() : "none");
            const TdsVector position = placed ? model->GetPosition() : TdsVector();
            ASSERT_TRUE(mesh->GetPosition().x == position.x &&
                        mesh->GetPosition().y == position.y && mesh->GetPosition().z == position.z);
        }
    }
}

// A name longer than its limit no longer shifts the fields after it, and
// references keep as many characters as the name they refer to.
TEST(TdsRobustness, LongNamesAndTheirReferencesAgree)
{
    const std::string longMaterial = "Material_with_a_very_long_name_0001";
    const std::string longObject(120, 'o');
    std::vector<uint8_t> file = [&]
    {
        TdsWriter w;
        w.Begin(0x4D4D).Begin(0x3D3D);
        w.Begin(0xAFFF).StringChunk(0xA000, "Other").End();
        w.Begin(0xAFFF).StringChunk(0xA000, longMaterial).End();
        MeshOptions options;
        options.faceMaterials = {{longMaterial, {0, 1}}};
        tds_samples::WriteCube(w, longObject, options);
        tds_samples::WriteCube(w, "Kid_with_a_long_name", MeshOptions());
        w.End();
        w.Begin(0xB000);
        w.Begin(0xB002).Begin(0xB010).String(longObject).U16(0).U16(0).I16(-1).End().End();
        w.Begin(0xB002).Begin(0xB010).String("Kid_with_a_long_name").U16(0).U16(0).I16(0);
        w.End().End();
        w.End().End();
        return w.Bytes();
    }();
    TdsReader reader;
    ASSERT_TRUE(Load(reader, file));
    EXPECT_EQ(std::string(reader.GetMaterial(1)->GetName()), longMaterial.substr(0, 29));
    ASSERT_EQ(reader.GetMeshCount(), 2u);
    TdsMesh* parent = reader.GetMesh(0);
    EXPECT_EQ(std::string(parent->GetName()), longObject.substr(0, 98));
    EXPECT_EQ(parent->GetVertexCount(), 8u);
    ASSERT_EQ(parent->GetMaterialCount(), 1u);
    EXPECT_EQ(parent->GetMaterial(0), 1u);
    EXPECT_EQ(parent->GetTriangleEx(1).materialId, 1u);
    EXPECT_EQ(reader.GetMesh(1)->GetParent(), parent);
}

// Two nodes naming one mesh never make it its own parent or ancestor.
TEST(TdsRobustness, KeyframeNodesNeverMakeACycle)
{
    std::vector<uint8_t> file = []
    {
        TdsWriter w;
        w.Begin(0x4D4D).Begin(0x3D3D);
        tds_samples::WriteCube(w, "A", MeshOptions());
        tds_samples::WriteCube(w, "B", MeshOptions());
        w.End();
        w.Begin(0xB000);
        auto node = [&](const char* name, int16_t key)
        { w.Begin(0xB002).Begin(0xB010).String(name).U16(0).U16(0).I16(key).End().End(); };
        node("A", -1);
        node("A", 0); // would make A its own child
        node("B", 1);
        node("A", 2); // would make A a child of its own child B
        w.End().End();
        return w.Bytes();
    }();
    TdsReader reader;
    ASSERT_TRUE(Load(reader, file));
    TdsMesh* a = reader.FindMesh("A");
    TdsMesh* b = reader.FindMesh("B");
    EXPECT_EQ(a->GetParent(), nullptr);
    ASSERT_EQ(a->GetChildCount(), 1u);
    EXPECT_EQ(a->GetChild(0), b);
    EXPECT_EQ(b->GetParent(), a);
    EXPECT_EQ(b->GetChildCount(), 0u);
    ExpectSound(reader);
}
