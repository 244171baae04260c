// The resource cache: each texture is loaded once per name (ignoring case) and
// shared. The cache holds plain pointers and no references: a resource lives
// while SmartPtrs hold it and leaves the cache when it is destroyed.
#pragma once

#include <vector>

class Model;
class Resource;
class Texture;

class ResourceManager
{
public:
    static ResourceManager& Instance();

    // The cached texture of that name, else a new one named and loaded from
    // the file. A failed load logs "Dummy texture created" and the empty
    // texture stays cached, so the file is tried once. Never null; callers
    // keep the result in a SmartPtr<Texture>. A texture released by its last
    // holder earlier in the frame is handed out again and lives on once the
    // caller holds it (deferred deletion spares re-referenced objects).
    Texture* GetTexture(const char* name);

    // The same for models: a model whose file cannot be imported logs "Dummy
    // model created." and stays cached empty, drawing nothing.
    Model* GetModel(const char* name);

    // Removes every entry equal to the pointer; called by Resource's destructor.
    static void Remove(Resource* resource);

    ~ResourceManager();

private:
    ResourceManager() = default;
    // First resource of the type whose stored name equals name ignoring ASCII
    // case, or null.
    Resource* Find(int type, const char* name) const;

    std::vector<Resource*> resources;
};
