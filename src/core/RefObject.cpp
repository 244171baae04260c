#include "core/RefObject.h"

#include <cstddef>
#include <vector>

namespace
{
// Constructed on first use so that releases from other static destructors at
// exit never touch a destroyed list.
std::vector<RefObject*>& DeadList()
{
    static std::vector<RefObject*>* list = new std::vector<RefObject*>();
    return *list;
}
} // namespace

RefObject::~RefObject() = default;

void RefObject::AddRef()
{
    ++refCount;
}

void RefObject::Release()
{
    --refCount;
    if (refCount <= 0 && !queued)
    {
        queued = true;
        DeadList().push_back(this);
    }
}

void RefObject::CollectGarbage()
{
    std::vector<RefObject*>& list = DeadList();
    // The size is read anew each step: destructors may queue further objects.
    for (size_t i = 0; i < list.size(); ++i)
    {
        RefObject* object = list[i];
        if (!object)
            continue;
        object->queued = false;
        // Taken again after it was queued: it lives on, and a later release
        // queues it afresh.
        if (object->refCount > 0)
            continue;
        delete object;
    }
    list.clear();
}

void RefObject::DeleteAll()
{
    CollectGarbage();
}

int RefObject::PendingCount()
{
    return static_cast<int>(DeadList().size());
}
