#include "video/ResourceManager.h"

#include "core/Log.h"
#include "video/Model.h"
#include "video/Resource.h"
#include "video/Texture.h"

#include <algorithm>

namespace
{
// Resources destroyed after the cache itself (at exit) find no list to leave.
bool g_cacheAlive = false;

char Lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Equal ignoring ASCII case, over the part of the request that a stored name
// can hold.
bool SameName(const char* stored, const char* requested)
{
    int i = 0;
    for (; i < Resource::kNameSize - 1 && requested[i]; ++i)
    {
        if (Lower(stored[i]) != Lower(requested[i]))
            return false;
    }
    return stored[i] == '\0';
}
} // namespace

ResourceManager& ResourceManager::Instance()
{
    static ResourceManager instance;
    g_cacheAlive = true;
    return instance;
}

ResourceManager::~ResourceManager()
{
    g_cacheAlive = false;
}

Resource* ResourceManager::Find(int type, const char* name) const
{
    for (Resource* resource : resources)
    {
        if (resource->GetType() == type && SameName(resource->GetName(), name))
            return resource;
    }
    return nullptr;
}

Texture* ResourceManager::GetTexture(const char* name)
{
    if (!name)
        name = "";
    if (Resource* found = Find(kResourceTexture, name))
        return static_cast<Texture*>(found);
    Texture* texture = new Texture();
    texture->SetName(name);
    if (texture->Load(name) != 0)
        Log::Printf(Log::Instance(), "Dummy texture created\n");
    resources.push_back(texture);
    return texture;
}

Model* ResourceManager::GetModel(const char* name)
{
    if (!name)
        name = "";
    if (Resource* found = Find(kResourceModel, name))
        return static_cast<Model*>(found);
    Model* model = new Model();
    model->SetName(name);
    if (model->Load(name) != 0)
        Log::Printf(Log::Instance(), "Dummy model created.\n");
    resources.push_back(model);
    return model;
}

void ResourceManager::Remove(Resource* resource)
{
    if (!g_cacheAlive)
        return;
    std::vector<Resource*>& list = Instance().resources;
    list.erase(std::remove(list.begin(), list.end(), resource), list.end());
}
