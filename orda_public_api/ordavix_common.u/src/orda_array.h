#pragma once
// Growable array stored as a ring inside a power-of-two block.

#include <new>
#include <utility>

// 0 for 0, else the smallest power of two not below n.
inline int compute_array_size(int n)
{
    if (n <= 0) return 0;
    if (n > (1 << 30)) throw std::bad_alloc();
    int c = 1;
    while (c < n) c <<= 1;
    return c;
}

template <typename T>
class ORDAArray {
public:
    ORDAArray() = default;

    // Wraps an outside block of n elements without owning it; the first write
    // past its end moves the content into a block of our own.
    ORDAArray(T* external, int n) : capacity(n), size(n), first(0), data(external), owns(false) {}

    ORDAArray(const ORDAArray& o) { CopyFrom(o); }

    ORDAArray(ORDAArray&& o) noexcept
        : capacity(o.capacity), size(o.size), first(o.first), data(o.data), owns(o.owns)
    {
        o.capacity = o.size = o.first = 0;
        o.data = nullptr;
        o.owns = false;
    }

    ORDAArray& operator=(const ORDAArray& o)
    {
        if (this != &o) {
            ORDAArray tmp(o);
            Swap(tmp);
        }
        return *this;
    }

    ORDAArray& operator=(ORDAArray&& o) noexcept
    {
        if (this != &o) {
            ORDAArray tmp(std::move(o));
            Swap(tmp);
        }
        return *this;
    }

    virtual ~ORDAArray() { Free(); }

    int Size() const { return size; }

    // Element i, created (with every element before it) when not there yet.
    T& operator()(int i)
    {
        if (i < 0) throw "Index out of bounds";
        if (owns && i < capacity) {
            if (i >= size) size = i + 1;
            return data[(i + first) & (capacity - 1)];
        }
        if (owns || i >= size) {
            int n = compute_array_size(i + 1);
            T* block = new T[n]();
            try {
                for (int k = 0; k < size; ++k) block[k] = At(k);
            } catch (...) {
                delete[] block;
                throw;
            }
            Free();
            data = block;
            capacity = n;
            first = 0;
            owns = true;
            size = i + 1;
            return data[i];
        }
        return data[i];
    }

    // Read access to an existing element; never creates one.
    const T& operator()(int i) const
    {
        if (i < 0 || i >= size) throw "Index out of bounds";
        return At(i);
    }

    T& Append() { return (*this)(size); }

    // Sets the number of elements in use; dropped elements are reset so that
    // they release what they hold.
    void Resize(int n)
    {
        if (n < 0) n = 0;
        if (n > size) {
            (*this)(n - 1);
            return;
        }
        if (owns)
            for (int k = n; k < size; ++k) At(k) = T();
        size = n;
    }

    // Layout is part of the contract: keep the fields in this order.
    int capacity = 0;
    int size = 0;
    int first = 0;
    T* data = nullptr;
    bool owns = false;

private:
    T& At(int i) const { return owns ? data[(i + first) & (capacity - 1)] : data[i]; }

    void Free()
    {
        if (owns) delete[] data;
        data = nullptr;
        owns = false;
        capacity = size = first = 0;
    }

    void CopyFrom(const ORDAArray& o)
    {
        int n = compute_array_size(o.size);
        if (n == 0) return;
        T* block = new T[n]();
        try {
            for (int k = 0; k < o.size; ++k) block[k] = o.At(k);
        } catch (...) {
            delete[] block;
            throw;
        }
        data = block;
        capacity = n;
        size = o.size;
        first = 0;
        owns = true;
    }

    void Swap(ORDAArray& o) noexcept
    {
        std::swap(capacity, o.capacity);
        std::swap(size, o.size);
        std::swap(first, o.first);
        std::swap(data, o.data);
        std::swap(owns, o.owns);
    }
};

#include <cstddef>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
static_assert(offsetof(ORDAArray<int>, capacity) == 8);
static_assert(offsetof(ORDAArray<int>, size) == 12);
static_assert(offsetof(ORDAArray<int>, first) == 16);
static_assert(offsetof(ORDAArray<int>, data) == 24);
static_assert(offsetof(ORDAArray<int>, owns) == 32);
static_assert(sizeof(ORDAArray<int>) == 40);
#pragma GCC diagnostic pop
