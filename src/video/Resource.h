// Base of the resources the cache shares by name: textures and models.
#pragma once

#include "core/RefObject.h"

// Resource types, as GetType reports them.
const int kResourceTexture = 0;
const int kResourceModel = 1;

class Resource : public RefObject
{
public:
    Resource();
    // Leaves the resource cache.
    ~Resource() override;

    virtual int GetType() = 0;
    // Loads from the named file as the caller gave it: 0 on success, any
    // other value on failure (after a log line of the resource's own).
    virtual int Load(const char* name) = 0;

    // Stores the name lower-cased (ASCII); names longer than 259 bytes are cut.
    void SetName(const char* newName);
    const char* GetName() const { return name; }

    static const int kNameSize = 260;

private:
    char name[kNameSize];
};
