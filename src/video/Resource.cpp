#include "video/Resource.h"

#include "video/ResourceManager.h"

Resource::Resource()
{
    name[0] = '\0';
}

Resource::~Resource()
{
    ResourceManager::Remove(this);
}

void Resource::SetName(const char* newName)
{
    int i = 0;
    for (; newName && newName[i] && i < kNameSize - 1; ++i)
    {
        char c = newName[i];
        name[i] = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    name[i] = '\0';
}
