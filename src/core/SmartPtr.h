// A one-pointer handle that holds one reference to a RefObject.
#pragma once

#include <cstddef>

template <class T> class SmartPtr
{
public:
    SmartPtr() = default;
    SmartPtr(T* object) { *this = object; }
    SmartPtr(const SmartPtr& other) { *this = other.ptr; }
    template <class U> SmartPtr(const SmartPtr<U>& other) { *this = other.Get(); }
    ~SmartPtr()
    {
        if (ptr)
            ptr->Release();
    }

    // The new object is referenced before the old one is released, so assigning
    // the object a handle already holds never lets its count touch zero.
    SmartPtr& operator=(T* object)
    {
        if (object)
            object->AddRef();
        T* old = ptr;
        ptr = object;
        if (old)
            old->Release();
        return *this;
    }
    SmartPtr& operator=(const SmartPtr& other) { return *this = other.ptr; }
    template <class U> SmartPtr& operator=(const SmartPtr<U>& other) { return *this = other.Get(); }

    T* Get() const { return ptr; }
    T* operator->() const { return ptr; }
    T& operator*() const { return *ptr; }
    bool operator!() const { return ptr == nullptr; }
    explicit operator bool() const { return ptr != nullptr; }
    bool operator==(const T* other) const { return ptr == other; }
    bool operator!=(const T* other) const { return ptr != other; }

private:
    T* ptr = nullptr;
};
