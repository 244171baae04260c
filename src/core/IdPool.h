// Integer ids counting up from 1; released ids are handed out again first,
// oldest release first.
#pragma once

#include <cstdint>
#include <deque>

class IdPool
{
public:
    // The game's pool. Tests make their own.
    static IdPool* Instance();
    IdPool() = default;
    IdPool(const IdPool&) = delete;
    IdPool& operator=(const IdPool&) = delete;

    int32_t Allocate();
    // The id goes to the back of the reuse queue.
    void Release(int32_t id);
    // The id Allocate hands out next once no released id waits.
    void SetNext(int32_t id) { nextId = id; }

private:
    int32_t nextId = 1;
    std::deque<int32_t> freeIds;
};
