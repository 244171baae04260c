#include "core/IdPool.h"

IdPool* IdPool::Instance()
{
    static IdPool pool;
    return &pool;
}

int32_t IdPool::Allocate()
{
    if (freeIds.empty())
        return nextId++;
    int32_t id = freeIds.front();
    freeIds.pop_front();
    return id;
}

void IdPool::Release(int32_t id)
{
    freeIds.push_back(id);
}
