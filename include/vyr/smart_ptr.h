// The reference-counting smart pointers through which every object of the library is handed
// out and held. Counts are plain integers: one thread at a time uses a pointer and its copies.
#pragma once

#include <cstdint>
#include <new>
#include <utility>

// g++ 12 cannot follow the count across inlined copies and warns that the block is used after
// the last release deleted it; the address sanitizer runs of the tests check the real thing.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuse-after-free"
#endif

// The count block shared by all copies of one smart pointer: the held object, its count and
// how to release the object when the last reference goes. The release function is chosen when
// the block is made, so code that only empties a pointer never needs the held type complete.
template <class T>
class CAddRefCount {
public:
    using ReleaseFunction = void (*)(T*);

    CAddRefCount(T* object, ReleaseFunction release) : m_object(object), m_release(release) {}
    CAddRefCount(const CAddRefCount&) = delete;
    CAddRefCount& operator=(const CAddRefCount&) = delete;

    virtual ~CAddRefCount() {
        if (m_object != nullptr) m_release(m_object);
    }

    int32_t AddRef() { return ++m_count; }
    int32_t ReleaseRef() { return --m_count; }
    int32_t Count() const { return m_count; }
    T* Get() const { return m_object; }

private:
    T* m_object;
    ReleaseFunction m_release;
    int32_t m_count = 0;
};

#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

namespace vyr_detail {

// Copying, assignment and release shared by both smart pointer kinds.
template <class T>
class SharedHandle {
public:
    SharedHandle() = default;
    SharedHandle(const SharedHandle& other) : m_block(other.m_block) {
        if (m_block != nullptr) m_block->AddRef();
    }
    SharedHandle(SharedHandle&& other) noexcept : m_block(std::exchange(other.m_block, nullptr)) {}
    SharedHandle& operator=(const SharedHandle& other) {
        // Taken and counted before the release, so assigning a pointer to itself keeps it.
        CAddRefCount<T>* incoming = other.m_block;
        if (incoming != nullptr) incoming->AddRef();
        ReleaseBlock();
        m_block = incoming;
        return *this;
    }
    SharedHandle& operator=(SharedHandle&& other) noexcept {
        if (this != &other) {
            ReleaseBlock();
            m_block = std::exchange(other.m_block, nullptr);
        }
        return *this;
    }
    virtual ~SharedHandle() { ReleaseBlock(); }

    T* operator->() const { return Get(); }
    T& operator*() const { return *Get(); }
    T* Get() const { return m_block != nullptr ? m_block->Get() : nullptr; }
    bool IsValid() const { return m_block != nullptr && m_block->Get() != nullptr; }
    void Reset() { ReleaseBlock(); }
    // References held by this pointer and its copies; 0 when empty.
    int32_t UseCount() const { return m_block != nullptr ? m_block->Count() : 0; }

protected:
    // A null object gives an empty pointer. When the block cannot be allocated the pointer stays
    // empty and the object is not released: its maker destroys it and reports the failure.
    void Adopt(T* object, typename CAddRefCount<T>::ReleaseFunction release) {
        ReleaseBlock();
        if (object == nullptr) return;
        m_block = new (std::nothrow) CAddRefCount<T>(object, release);
        if (m_block != nullptr) m_block->AddRef();
    }

private:
    void ReleaseBlock() {
        CAddRefCount<T>* block = std::exchange(m_block, nullptr);
        if (block != nullptr && block->ReleaseRef() < 1) delete block;
    }

    CAddRefCount<T>* m_block = nullptr;
};

}  // namespace vyr_detail

// Holds an interface of the library or a platform storage interface; the last reference calls
// the interface's Release.
template <class T>
class CVyrIPtrSmart : public vyr_detail::SharedHandle<T> {
public:
    CVyrIPtrSmart() = default;
    explicit CVyrIPtrSmart(T* object) { this->Adopt(object, &ReleaseInterface); }
    CVyrIPtrSmart& operator=(T* object) {
        this->Adopt(object, &ReleaseInterface);
        return *this;
    }

private:
    static void ReleaseInterface(T* object) { object->Release(); }
};

// Holds a plain object or record; the last reference deletes it.
template <class T>
class CVyrPtrSmart : public vyr_detail::SharedHandle<T> {
public:
    CVyrPtrSmart() = default;
    explicit CVyrPtrSmart(T* object) { this->Adopt(object, &DeleteObject); }
    CVyrPtrSmart& operator=(T* object) {
        this->Adopt(object, &DeleteObject);
        return *this;
    }

private:
    static void DeleteObject(T* object) { delete object; }
};
