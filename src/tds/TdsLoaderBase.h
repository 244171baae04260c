// Owner of the four lists a 3DS load fills: cameras, lights, meshes and
// materials, with the optimisation level applied to every mesh after a load.
#pragma once

#include "tds/TdsMesh.h"
#include "tds/TdsRecords.h"

#include <cstdint>
#include <vector>

class TdsLoaderBase
{
public:
    TdsLoaderBase();
    virtual ~TdsLoaderBase() = default;
    // Meshes point at each other inside the mesh list, so a loader is never copied.
    TdsLoaderBase(const TdsLoaderBase&) = delete;
    TdsLoaderBase& operator=(const TdsLoaderBase&) = delete;

    // Reads the file into the lists; false on failure (with a log line).
    virtual bool LoadFile(const char* path) = 0;
    // Empties the mesh, light and material lists and sets the level to 2.
    // Cameras are kept: a later load appends its cameras after them.
    virtual void Clear();

    // Indices must be below the matching count; they are not checked. The
    // pointers stay valid until the list changes.
    uint32_t GetCameraCount() const { return static_cast<uint32_t>(cameras.size()); }
    uint32_t GetLightCount() const { return static_cast<uint32_t>(lights.size()); }
    uint32_t GetMeshCount() const { return static_cast<uint32_t>(meshes.size()); }
    uint32_t GetMaterialCount() const { return static_cast<uint32_t>(materials.size()); }
    TdsCamera* GetCamera(uint32_t i) { return &cameras[i]; }
    TdsLight* GetLight(uint32_t i) { return &lights[i]; }
    TdsMesh* GetMesh(uint32_t i) { return &meshes[i]; }
    TdsMaterial* GetMaterial(uint32_t i) { return &materials[i]; }
    const TdsMesh* GetMesh(uint32_t i) const { return &meshes[i]; }
    const TdsMaterial* GetMaterial(uint32_t i) const { return &materials[i]; }

    // The first record in list order whose name equals name exactly; null if none.
    TdsMaterial* FindMaterial(const char* name);
    TdsMesh* FindMesh(const char* name);
    TdsLight* FindLight(const char* name);

    void SetOptimizationLevel(int32_t level) { optimizationLevel = level; }
    int32_t GetOptimizationLevel() const { return optimizationLevel; }

protected:
    std::vector<TdsCamera> cameras;
    std::vector<TdsLight> lights;
    std::vector<TdsMesh> meshes;
    std::vector<TdsMaterial> materials;
    int32_t optimizationLevel = 2;
};
