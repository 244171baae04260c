// Base of every object that several owners share, with a reference count and
// deletion deferred to the end of the frame.
#pragma once

#include <cstdint>

class RefObject
{
public:
    RefObject() = default;
    RefObject(const RefObject&) : refCount(0), queued(false) {}
    RefObject& operator=(const RefObject&) { return *this; }
    virtual ~RefObject();

    void AddRef();
    // Lowers the count; at zero or below the object is queued on the dead list.
    // Never deletes.
    void Release();
    int32_t GetRefCount() const { return refCount; }

    // Deletes every queued object whose count is still zero or below, including
    // objects queued by destructors during the walk. Called last in every frame.
    static void CollectGarbage();
    // Same as CollectGarbage; called last at shut-down.
    static void DeleteAll();
    // Number of objects waiting on the dead list.
    static int PendingCount();

protected:
    int32_t refCount = 0;

private:
    // Set while the object sits on the dead list, so it is queued at most once.
    bool queued = false;
};
