// 3DS files of one mesh for the physics tests and benchmark: a box given by
// its corners in the engine's space, or any vertices and faces.
#pragma once

#include "math/Vector3.h"
#include "support/TdsSamples.h"

#include <string>
#include <vector>

// Writes one mesh of the file-space (z-up) vertices and faces to the path.
inline bool WriteMeshFile(const std::string& path, const std::vector<float>& positions,
                          const std::vector<uint16_t>& faces)
{
    return TdsWriter::Save(
        tds_samples::EditorFile([&](TdsWriter& w)
                                { tds_samples::WriteMesh(w, "Mesh", positions, faces, {}); }),
        path);
}

// Writes a closed box spanning min to max in the engine's y-up space.
inline bool WriteBoxFile(const std::string& path, const Vector3& min, const Vector3& max)
{
    tds_samples::Cube cube = tds_samples::MakeCube();
    std::vector<float> positions;
    for (size_t i = 0; i < cube.positions.size(); i += 3)
    {
        positions.push_back(cube.positions[i] ? max.x : min.x);
        positions.push_back(cube.positions[i + 1] ? max.z : min.z);
        positions.push_back(cube.positions[i + 2] ? max.y : min.y);
    }
    return WriteMeshFile(path, positions, cube.faces);
}
