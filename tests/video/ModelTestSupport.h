// 3DS files for the model tests, and a fixture that runs each test in a fresh
// folder (textures are named relative to the working directory) with the video
// device up.
#pragma once

#include "core/RefObject.h"
#include "support/ScratchFolder.h"
#include "support/TdsSamples.h"
#include "support/TdsWriter.h"
#include "video/VideoTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace model_files
{
// One material chunk named `name` whose first texture map is `texture` (none
// when empty).
inline void WriteMaterial(TdsWriter& w, const std::string& name, const std::string& texture)
{
    w.Begin(0xAFFF).StringChunk(0xA000, name);
    if (!texture.empty())
        w.Begin(0xA200).StringChunk(0xA300, texture).End();
    w.End();
}

// A keyframe node naming a mesh, with its parent key and, when given, the
// first key of its position and rotation (angle, then axis) tracks.
inline void WriteNode(TdsWriter& w, const std::string& name, int16_t parent,
                      const std::vector<float>& position = {},
                      const std::vector<float>& rotation = {})
{
    w.Begin(0xB002);
    w.Begin(0xB010).String(name).U16(0).U16(0).I16(parent).End();
    if (!position.empty())
    {
        w.Begin(0xB020).U16(0).U32(0).U32(0).U32(1).U32(0).U16(0);
        for (float v : position)
            w.Float(v);
        w.End();
    }
    if (!rotation.empty())
    {
        w.Begin(0xB021).U16(0).U32(0).U32(0).U32(1).U32(0).U16(0);
        for (float v : rotation)
            w.Float(v);
        w.End();
    }
    w.End();
}

// A mesh of one triangle, for bone meshes.
inline void WriteTriangle(TdsWriter& w, const std::string& name)
{
    tds_samples::MeshOptions options;
    tds_samples::WriteMesh(w, name, {0, 0, 0, 1, 0, 0, 0, 1, 0}, {0, 1, 2}, options);
}
} // namespace model_files

class ModelFileTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(VideoTestSupport::Start());
        ASSERT_TRUE(std::filesystem::create_directories("data/textures"));
    }

    void TearDown() override { RefObject::CollectGarbage(); }

    // Writes the bytes under the test folder; returns the name.
    std::string Save(const std::string& name, const std::vector<uint8_t>& bytes)
    {
        EXPECT_TRUE(TdsWriter::Save(bytes, name));
        return name;
    }

    ScratchFolder folder{"model"};
    WorkingFolder inFolder{folder.path};
};
