#pragma once
// A large array that reads as all zeros from the start but takes memory only
// where it has been written: calloc hands out fresh pages, which the system
// fills with zeros the first time each one is touched. The game's record of
// every position holds 501 boards, of which a game uses one per stone.

#include <cstdlib>
#include <cstring>
#include <new>

namespace quintora {

template <class Array>
class ZeroedArray {
public:
    ZeroedArray() : a_(static_cast<Array*>(std::calloc(1, sizeof(Array)))) {
        if (a_ == nullptr) throw std::bad_alloc();
    }
    ZeroedArray(const ZeroedArray& other) : ZeroedArray() { std::memcpy(a_, other.a_, sizeof(Array)); }
    ZeroedArray& operator=(const ZeroedArray& other) {
        if (this != &other) std::memcpy(a_, other.a_, sizeof(Array));
        return *this;
    }
    ~ZeroedArray() { std::free(a_); }

    auto& operator[](std::size_t i) { return (*a_)[i]; }
    const auto& operator[](std::size_t i) const { return (*a_)[i]; }

private:
    Array* a_;
};

}  // namespace quintora
