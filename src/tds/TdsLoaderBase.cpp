#include "tds/TdsLoaderBase.h"

namespace
{
template <typename Record> Record* FindByName(std::vector<Record>& records, const char* name)
{
    for (Record& record : records)
    {
        if (record.HasName(name))
            return &record;
    }
    return nullptr;
}
} // namespace

TdsLoaderBase::TdsLoaderBase()
{
    // Not virtual dispatch here: a derived class is not built yet, and this
    // base's Clear is the one construction needs.
    TdsLoaderBase::Clear();
}

void TdsLoaderBase::Clear()
{
    meshes.clear();
    lights.clear();
    materials.clear();
    optimizationLevel = 2;
}

TdsMaterial* TdsLoaderBase::FindMaterial(const char* name)
{
    return FindByName(materials, name);
}

TdsMesh* TdsLoaderBase::FindMesh(const char* name)
{
    return FindByName(meshes, name);
}

TdsLight* TdsLoaderBase::FindLight(const char* name)
{
    return FindByName(lights, name);
}
