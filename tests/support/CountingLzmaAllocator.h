#pragma once

// An lzma_allocator that counts what liblzma holds: the bytes in use now, the most at any one
// time, and the number of allocations. Hand `allocator()` to the overloads of
// device/ProjectPackingAllocator.h.

#include <cstddef>
#include <cstdlib>
#include <lzma.h>

namespace quillan::test {

class CountingLzmaAllocator {
public:
    CountingLzmaAllocator() = default;
    CountingLzmaAllocator(const CountingLzmaAllocator&) = delete;
    CountingLzmaAllocator& operator=(const CountingLzmaAllocator&) = delete;

    [[nodiscard]] const lzma_allocator* allocator() const { return &m_allocator; }
    [[nodiscard]] size_t current() const { return m_current; }
    [[nodiscard]] size_t peak() const { return m_peak; }
    [[nodiscard]] size_t allocations() const { return m_allocations; }

private:
    // Each block carries its size in front of it, as liblzma's free does not pass one; the
    // header keeps the block aligned as malloc's is.
    static constexpr size_t HEADER = alignof(std::max_align_t);

    static void* allocate(void* opaque, size_t count, size_t size)
    {
        auto* self = static_cast<CountingLzmaAllocator*>(opaque);
        if (size != 0 && count > (SIZE_MAX - HEADER) / size) {
            return nullptr;
        }
        const size_t bytes = count * size;
        auto* block = static_cast<unsigned char*>(std::malloc(HEADER + bytes));
        if (block == nullptr) {
            return nullptr;
        }
        *reinterpret_cast<size_t*>(block) = bytes;
        self->m_current += bytes;
        self->m_peak = self->m_current > self->m_peak ? self->m_current : self->m_peak;
        ++self->m_allocations;
        return block + HEADER;
    }

    static void release(void* opaque, void* pointer)
    {
        if (pointer == nullptr) {
            return;
        }
        auto* self = static_cast<CountingLzmaAllocator*>(opaque);
        unsigned char* block = static_cast<unsigned char*>(pointer) - HEADER;
        self->m_current -= *reinterpret_cast<size_t*>(block);
        std::free(block);
    }

    lzma_allocator m_allocator{&allocate, &release, this};
    size_t m_current = 0;
    size_t m_peak = 0;
    size_t m_allocations = 0;
};

} // namespace quillan::test
