#include "video/Model.h"

#include "math/D3DXMath.h"
#include "support/LogCapture.h"
#include "tds/TdsReader.h"
#include "video/ModelTestSupport.h"
#include "video/ResourceManager.h"
#include "video/TdsImport.h"

#include <cmath>
#include <fstream>

using model_files::WriteMaterial;
using model_files::WriteNode;
using model_files::WriteTriangle;
using tds_samples::EditorFile;
using tds_samples::MeshOptions;
using tds_samples::WriteMesh;

namespace
{
// Four triangles over six vertices; face k uses vertices k, k + 1, k + 2.
const std::vector<float> kStrip = {0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 0, 0, 2, 0, 1, 2, 0};
const std::vector<uint16_t> kStripFaces = {0, 1, 2, 1, 3, 2, 2, 3, 4, 3, 5, 4};

// A keyframe node: the mesh it names, its parent key and the first keys of
// its position and rotation tracks, when given.
struct Node
{
    Node(const char* name, int16_t parent, std::vector<float> position = {},
         std::vector<float> rotation = {})
        : name(name), parent(parent), position(std::move(position)), rotation(std::move(rotation))
    {
    }
    const char* name;
    int16_t parent;
    std::vector<float> position, rotation;
};

// A file whose first mesh is `body`, then a one-triangle mesh for each bone
// name, then the keyframe nodes.
std::vector<uint8_t> BonedFile(const std::vector<const char*>& bones,
                               const std::vector<Node>& nodes,
                               const std::vector<float>& body = kStrip,
                               const std::vector<uint16_t>& faces = kStripFaces)
{
    TdsWriter w;
    w.Begin(0x4D4D).Begin(0x3D3D);
    WriteMesh(w, "Body", body, faces, MeshOptions());
    for (const char* bone : bones)
        WriteTriangle(w, bone);
    w.End().Begin(0xB000);
    for (const Node& node : nodes)
        WriteNode(w, node.name, node.parent, node.position, node.rotation);
    w.End().End();
    return w.Bytes();
}
} // namespace

TEST_F(ModelFileTest, ImportSwapsYAndZFlipsVReversesWindingAndTakesTheFirstMeshOnly)
{
    std::string file =
        Save("two.3ds",
             EditorFile(
                 [](TdsWriter& w)
                 {
                     WriteMesh(w, "First", {1, 2, 3, 0, 0, 0, -4, 5, -6}, {0, 1, 2}, MeshOptions());
                     WriteMesh(w, "Second", kStrip, kStripFaces, MeshOptions());
                 }));
    LogCapture log;
    SmartPtr<Model> model = new Model();
    ASSERT_EQ(model->Import3DS(file.c_str()), 0);
    EXPECT_EQ(model->meshCount, 1);
    ModelMesh& mesh = model->meshes[0];
    ASSERT_EQ(mesh.vertexCount, 3);
    const ModelVertex& v = mesh.vertices[0];
    EXPECT_EQ(v.x, 1.0f);
    EXPECT_EQ(v.y, 3.0f);
    EXPECT_EQ(v.z, 2.0f);
    EXPECT_EQ(v.diffuse, 0xFFFFFFFFu);
    // The sample writer maps (x + z / 2, y + z / 4); v is flipped.
    EXPECT_FLOAT_EQ(v.u, 2.5f);
    EXPECT_FLOAT_EQ(v.v, 1.0f - 2.75f);
    EXPECT_TRUE(model->boxMin == Vector3(-4, -6, 0));
    EXPECT_TRUE(model->boxMax == Vector3(1, 3, 5));
    ASSERT_EQ(mesh.groupCount, 1);
    EXPECT_EQ(mesh.groups[0].indices, (std::vector<uint16_t>{2, 1, 0}));
    EXPECT_EQ(mesh.groups[0].minIndex, 0);
    EXPECT_EQ(mesh.groups[0].maxIndex, 2);
    EXPECT_NE(mesh.groups[0].indexBuffer, nullptr);
    EXPECT_TRUE(log.Contains("Importing 3DS File 'two.3ds'"));
    EXPECT_TRUE(log.Contains("'two.3ds' imported successfully"));
    EXPECT_TRUE(log.Contains("3 Vertices"));
    EXPECT_TRUE(log.Contains("1 Faces"));
}

// Mended: groups used to be numbered by the file's material index, so a mesh
// of materials {1, 2} lost its material-2 faces.
TEST_F(ModelFileTest, GroupsFollowTheMeshsOwnMaterials)
{
    std::string file =
        Save("groups.3ds", EditorFile(
                               [](TdsWriter& w)
                               {
                                   WriteMaterial(w, "Red", "red.bmp");
                                   WriteMaterial(w, "Green", "green.bmp");
                                   WriteMaterial(w, "Blue", "blue.bmp");
                                   MeshOptions options;
                                   options.faceMaterials = {{"Green", {0, 2}}, {"Blue", {1, 3}}};
                                   WriteMesh(w, "Strip", kStrip, kStripFaces, options);
                               }));
    SmartPtr<Model> model = new Model();
    ASSERT_EQ(model->Import3DS(file.c_str()), 0);
    EXPECT_EQ(model->materialCount, 3);
    ModelMesh& mesh = model->meshes[0];
    ASSERT_EQ(mesh.groupCount, 2);
    EXPECT_EQ(mesh.groups[0].material, &model->materials[1]);
    EXPECT_EQ(mesh.groups[0].indices, (std::vector<uint16_t>{2, 1, 0, 4, 3, 2}));
    EXPECT_EQ(mesh.groups[1].material, &model->materials[2]);
    EXPECT_EQ(mesh.groups[1].indices, (std::vector<uint16_t>{2, 3, 1, 4, 5, 3}));
    EXPECT_EQ(mesh.groups[1].minIndex, 1);
    EXPECT_EQ(mesh.groups[1].maxIndex, 5);
    EXPECT_STREQ(model->materials[2].textures[0]->GetName(), "data\\textures\\blue.bmp");
}

// Mended: a mesh with no face-material chunk drew nothing.
TEST_F(ModelFileTest, MeshWithoutFaceMaterialsDrawsAllFacesInOneGroup)
{
    std::string file =
        Save("plain.3ds", EditorFile(
                              [](TdsWriter& w)
                              {
                                  WriteMaterial(w, "Red", "red.bmp");
                                  WriteMesh(w, "Strip", kStrip, kStripFaces, MeshOptions());
                              }));
    SmartPtr<Model> model = new Model();
    ASSERT_EQ(model->Import3DS(file.c_str()), 0);
    ASSERT_EQ(model->meshes[0].groupCount, 1);
    EXPECT_EQ(model->meshes[0].groups[0].faceCount, 4);
    EXPECT_EQ(model->meshes[0].groups[0].material, nullptr);
}

// The conversion the model import and the level loader share: the strip lies
// in the file's ground plane, so every face looks up the engine's y axis.
TEST(TdsImportTest, SwapsYAndZFlipsVReversesCornersAndKeepsEachFacesMaterial)
{
    std::vector<uint8_t> file = EditorFile(
        [](TdsWriter& w)
        {
            WriteMaterial(w, "Green", "green.bmp");
            WriteMaterial(w, "Bare", "");
            MeshOptions options;
            options.faceMaterials = {{"Bare", {3}}, {"Missing", {1}}, {"Green", {0}}};
            WriteMesh(w, "Strip", kStrip, kStripFaces, options);
        });
    TdsReader reader;
    ASSERT_TRUE(tds_samples::Load(reader, file));
    const TdsMesh& source = *reader.GetMesh(0);
    ImportedMesh mesh = ImportTdsMesh(reader, source);

    EXPECT_EQ(mesh.textureNames,
              (std::vector<std::string>{"data\\textures\\green.bmp", "data\\textures\\"}));
    ASSERT_EQ(mesh.vertices.size(), source.GetVertexCount());
    for (uint32_t i = 0; i < source.GetVertexCount(); ++i)
    {
        const TdsVertex& p = source.GetVertex(i);
        const TdsVector& n = source.GetNormal(i);
        const ImportedVertex& v = mesh.vertices[i];
        EXPECT_TRUE(v.position == Vector3(p.x, p.z, p.y)) << i;
        EXPECT_TRUE(v.normal == Vector3(n.x, n.z, n.y)) << i;
        EXPECT_EQ(v.u, source.GetUV(i).u) << i;
        EXPECT_EQ(v.v, 1.0f - source.GetUV(i).v) << i;
    }
    struct Expected
    {
        std::vector<uint16_t> indices;
        int32_t material;
    } expected[] = {
        {{2, 1, 0}, 0},
        {{2, 3, 1}, kNoImportedMaterial}, // a name no material carries
        {{4, 3, 2}, kNoImportedMaterial}, // listed by no chunk
        {{4, 5, 3}, 1},
    };
    ASSERT_EQ(mesh.triangles.size(), 4u);
    for (size_t t = 0; t < 4; ++t)
    {
        const ImportedTriangle& triangle = mesh.triangles[t];
        EXPECT_EQ(std::vector<uint16_t>(triangle.indices, triangle.indices + 3),
                  expected[t].indices)
            << t;
        EXPECT_EQ(triangle.material, expected[t].material) << t;
        EXPECT_TRUE(triangle.normal == Vector3(0, 1, 0)) << t;
    }
}

// Mended: faces that no face-material chunk listed vanished once the mesh
// listed any other face.
TEST_F(ModelFileTest, FacesWithoutAMaterialDrawInAnUntexturedGroupAfterTheOthers)
{
    std::string file = Save("some.3ds", EditorFile(
                                            [](TdsWriter& w)
                                            {
                                                WriteMaterial(w, "Red", "red.bmp");
                                                MeshOptions options;
                                                options.faceMaterials = {{"Red", {0, 2}}};
                                                WriteMesh(w, "Strip", kStrip, kStripFaces, options);
                                            }));
    SmartPtr<Model> model = new Model();
    ASSERT_EQ(model->Import3DS(file.c_str()), 0);
    ModelMesh& mesh = model->meshes[0];
    ASSERT_EQ(mesh.groupCount, 2);
    EXPECT_EQ(mesh.groups[0].material, &model->materials[0]);
    EXPECT_EQ(mesh.groups[0].indices, (std::vector<uint16_t>{2, 1, 0, 4, 3, 2}));
    EXPECT_EQ(mesh.groups[1].material, nullptr);
    EXPECT_EQ(mesh.groups[1].indices, (std::vector<uint16_t>{2, 3, 1, 4, 5, 3}));
    EXPECT_NE(mesh.groups[1].indexBuffer, nullptr);
}

// Mended: an empty group asked for a zero-byte index buffer, the import failed
// half-way and the half-built model stayed cached and drawable.
TEST_F(ModelFileTest, EmptyGroupsAreSkippedAndAFailedImportLeavesAnEmptyModel)
{
    std::string file =
        Save("empty.3ds", EditorFile(
                              [](TdsWriter& w)
                              {
                                  WriteMaterial(w, "Unused", "red.bmp");
                                  WriteMaterial(w, "Used", "green.bmp");
                                  MeshOptions options;
                                  options.faceMaterials = {{"Unused", {}}, {"Used", {0, 1, 2, 3}}};
                                  WriteMesh(w, "Strip", kStrip, kStripFaces, options);
                              }));
    SmartPtr<Model> model = new Model();
    ASSERT_EQ(model->Import3DS(file.c_str()), 0);
    ASSERT_EQ(model->meshes[0].groupCount, 1);
    EXPECT_EQ(model->meshes[0].groups[0].material, &model->materials[1]);

    // No vertices: the vertex buffer cannot be made.
    std::string bad =
        Save("novertices.3ds",
             EditorFile([](TdsWriter& w) { WriteMesh(w, "Nothing", {}, {}, MeshOptions()); }));
    LogCapture log;
    SmartPtr<Model> cached = ResourceManager::Instance().GetModel(bad.c_str());
    EXPECT_TRUE(log.Contains("Dummy model created."));
    EXPECT_EQ(cached->meshCount, 0);
    EXPECT_EQ(cached->meshes, nullptr);
    cached->Render(VideoTestSupport::Device()); // draws nothing, touches no buffer
}

// Mended: "CRATE.3DS" loaded as an invisible model with no message.
TEST_F(ModelFileTest, LoadComparesTheExtensionIgnoringCase)
{
    Save("CRATE.3DS", EditorFile([](TdsWriter& w)
                                 { WriteMesh(w, "Crate", kStrip, kStripFaces, MeshOptions()); }));
    LogCapture log;
    SmartPtr<Model> crate = ResourceManager::Instance().GetModel("CRATE.3DS");
    EXPECT_EQ(crate->meshCount, 1);
    EXPECT_FALSE(log.Contains("Dummy model created."));

    log.Clear();
    SmartPtr<Model> other = ResourceManager::Instance().GetModel("crate.txt");
    EXPECT_EQ(other->meshCount, 0);
    EXPECT_TRUE(log.Contains("Model::Load - 'crate.txt' is not a 3DS file"));
    EXPECT_TRUE(log.Contains("Dummy model created."));
}

TEST_F(ModelFileTest, MeshesNamedWithBoneBecomeBonesLinkedByTheKeyframeTree)
{
    std::string file =
        Save("bones.3ds", BonedFile({"BoneHip", "bonelower", "BoneKnee"},
                                    {{"BoneHip", -1, {0, 0, 1}}, {"BoneKnee", 0, {0, 0, 2}}}));
    SmartPtr<Model> model = new Model();
    ASSERT_EQ(model->Import3DS(file.c_str()), 0);
    ASSERT_EQ(model->boneCount, 2);
    EXPECT_EQ(model->bones[0].name, "BoneHip");
    EXPECT_EQ(model->bones[1].name, "BoneKnee");
    EXPECT_EQ(model->rootBone, 0);
    ASSERT_EQ(model->bones[0].childCount, 1);
    EXPECT_EQ(model->bones[0].children[0], &model->bones[1]);
    // The knee's bind world is both translations; its inverse undoes them.
    EXPECT_TRUE(model->bones[1].bindWorldMatrix.GetTranslation() == Vector3(0, 0, 3));
    Vector3 back = Vector3(0, 0, 3).TransformCoord(model->bones[1].inverseBindMatrix);
    EXPECT_TRUE(back == Vector3(0, 0, 0));
}

// Mended: the bind pose read the track's angle and axis as a quaternion.
TEST_F(ModelFileTest, BindPoseRotatesByTheKeyframesAxisAndAngle)
{
    std::string file =
        Save("turned.3ds",
             BonedFile({"BoneRoot"}, {{"BoneRoot", -1, {1, 2, 3}, {1.5707964f, 0, 0, 1}}}));
    SmartPtr<Model> model = new Model();
    ASSERT_EQ(model->Import3DS(file.c_str()), 0);
    ASSERT_EQ(model->boneCount, 1);
    // A quarter turn about z takes x to y, then the translation.
    Vector3 p = Vector3(1, 0, 0).TransformCoord(model->bones[0].bindLocalMatrix);
    EXPECT_TRUE(p == Vector3(1, 3, 3)) << p.x << " " << p.y << " " << p.z;
    Vector3 q = Vector3(0, 0, 5).TransformCoord(model->bones[0].localMatrix);
    EXPECT_TRUE(q == Vector3(1, 2, 8));
}

// A keyframe node that names a mesh a second time cannot hang it under its own
// descendant: the file still gives a tree.
TEST_F(ModelFileTest, RepeatedKeyframeNodesStillGiveABoneTree)
{
    std::string file =
        Save("again.3ds", BonedFile({"BoneC", "BoneA", "BoneB"},
                                    {{"BoneC", -1}, {"BoneA", 0}, {"BoneB", 1}, {"BoneA", 2}}));
    SmartPtr<Model> model = new Model();
    ASSERT_EQ(model->Import3DS(file.c_str()), 0);
    EXPECT_EQ(model->boneCount, 3);
    model->Render(VideoTestSupport::Device());
}

// Mended: bone links that close a loop sent the recursive walks on until the
// stack ran out. The import must not trust the reader's tree.
TEST_F(ModelFileTest, BoneLinksThatCloseALoopAreRejected)
{
    const std::vector<uint8_t> file = BonedFile({"BoneRoot", "BoneA", "BoneB"}, {});
    TdsReader reader;
    ASSERT_TRUE(tds_samples::Load(reader, file));
    TdsMesh* root = reader.GetMesh(1);
    TdsMesh* a = reader.GetMesh(2);
    TdsMesh* b = reader.GetMesh(3);
    root->AddChild(a);
    a->SetParent(root);
    a->AddChild(b);
    b->SetParent(a);
    b->AddChild(a); // the loop: root -> A -> B -> A -> ...

    LogCapture log;
    SmartPtr<Model> model = new Model();
    ASSERT_EQ(model->ImportFrom(reader, "loop.3ds"), 0);
    EXPECT_EQ(model->boneCount, 0);
    EXPECT_EQ(model->rootBone, -1);
    EXPECT_TRUE(log.Contains("do not form a tree; bones dropped"));
    EXPECT_EQ(model->meshes[0].groupCount, 1) << "the mesh itself still imports";
    model->Render(VideoTestSupport::Device());

    // A child shared by two bones is refused the same way.
    b->RemoveChild(a);
    root->AddChild(b);
    SmartPtr<Model> shared = new Model();
    ASSERT_EQ(shared->ImportFrom(reader, "shared.3ds"), 0);
    EXPECT_EQ(shared->boneCount, 0);

    root->RemoveChild(b);
    SmartPtr<Model> tree = new Model();
    ASSERT_EQ(tree->ImportFrom(reader, "tree.3ds"), 0);
    EXPECT_EQ(tree->boneCount, 3);
    EXPECT_EQ(tree->rootBone, 0);
}

TEST_F(ModelFileTest, WeightFileFillsFourSlotsOnEveryVertexOfTheSharedPosition)
{
    // Vertices 0 and 3 share a position, as do 1 and 4.
    std::string file =
        Save("skin.3ds",
             BonedFile({"BoneA", "BoneB"}, {{"BoneA", -1}, {"BoneB", 0}},
                       {0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 1, 1}, {0, 1, 2, 3, 4, 5}));
    SmartPtr<Model> model = new Model();
    ASSERT_EQ(model->Import3DS(file.c_str()), 0);
    ASSERT_EQ(model->boneCount, 2);

    {
        std::ofstream out("wrong.txt");
        out << "\"VuZ_WeightList\" 1 3\n1 x 1 0 \"BoneA\" 0.5\n";
    }
    EXPECT_EQ(model->LoadWeights("wrong.txt"), -1);
    EXPECT_TRUE(model->meshes[0].weights.empty());
    EXPECT_EQ(model->LoadWeights("missing.txt"), -1);

    {
        std::ofstream out("weights.txt");
        out << "\"VuZ_WeightList\" 3 2\n"
            << "1 v 5 0 \"BoneA\" 0.1 0 \"BoneB\" 0.2 0 \"BoneNone\" 0.3 0 \"BoneA\" 0 "
               "0 \"BoneB\" 0.5\n"
            << "2 v 1 0 \"BoneB\" 1.0\n"
            << "99 v 1 0 \"BoneA\" 1.0\n";
    }
    ASSERT_EQ(model->LoadWeights("weights.txt"), 0);
    const auto& weights = model->meshes[0].weights;
    ASSERT_EQ(weights.size(), 6u);
    for (size_t v : {size_t(0), size_t(3)})
    {
        EXPECT_EQ(weights[v][0].bone, &model->bones[0]);
        EXPECT_FLOAT_EQ(weights[v][0].weight, 0.1f);
        EXPECT_EQ(weights[v][1].bone, &model->bones[1]);
        // An unknown bone and a zero weight leave their slots empty; the
        // fifth pair is read and dropped.
        EXPECT_EQ(weights[v][2].bone, nullptr);
        EXPECT_EQ(weights[v][3].bone, nullptr);
    }
    EXPECT_EQ(weights[1][0].bone, &model->bones[1]);
    EXPECT_EQ(weights[4][0].bone, &model->bones[1]);
    EXPECT_EQ(weights[2][0].bone, nullptr);
    EXPECT_EQ(model->rootBone, 0);
}
