// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A large array that reads as all zeros from the start but takes memory only
// where it has been written: a mapping of its own hands out fresh pages, which
// the system fills with zeros the first time each one is touched. (calloc
// does so only while the allocator maps large blocks anew; once a large
// block has been freed it may serve the next one from the heap and clear it
// all.) The game's record of every position holds 501 boards, of which a
// game uses one per stone.

#include <sys/mman.h>

#include <cstring>
#include <new>

namespace quintora {

template <class Array>
class ZeroedArray {
public:
    ZeroedArray() {
        void* p = ::mmap(nullptr, sizeof(Array), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED) throw std::bad_alloc();
        a_ = static_cast<Array*>(p);
    }
    ZeroedArray(const ZeroedArray& other) : ZeroedArray() { std::memcpy(a_, other.a_, sizeof(Array)); }
    ZeroedArray& operator=(const ZeroedArray& other) {
        if (this != &other) std::memcpy(a_, other.a_, sizeof(Array));
        return *this;
    }
    ~ZeroedArray() { ::munmap(a_, sizeof(Array)); }

    auto& operator[](std::size_t i) { return (*a_)[i]; }
    const auto& operator[](std::size_t i) const { return (*a_)[i]; }

private:
    Array* a_;
};

}  // namespace quintora
