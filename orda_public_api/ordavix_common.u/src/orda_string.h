#pragma once
// String with inline storage for short texts; always zero-terminated.

#include <cstddef>
#include <cstring>

#include "orda_array.h"

template <int N>
class ORDAStackedString {
    static_assert(N > 1, "inline storage needs room for the terminator");

public:
    // Buffer size for content of n bytes.
    static constexpr int CapacityFor(int n) { return n < N ? N : (n + 1) / N * N + N; }

    ORDAStackedString() { buf[0] = 0; }

    ORDAStackedString(const char* s)
    {
        buf[0] = 0;
        if (s) SetContent(s, static_cast<int>(std::strlen(s)));
    }

    // Room for n bytes; with setLength the length is n and the bytes are the
    // caller's to fill.
    ORDAStackedString(int n, bool setLength)
    {
        buf[0] = 0;
        if (n < 0) n = 0;
        Reserve(n);
        if (setLength) {
            l = n;
            str[n] = 0;
        }
    }

    ORDAStackedString(const ORDAStackedString& o)
    {
        buf[0] = 0;
        SetContent(o.str, o.l);
        tpos = o.tpos;
    }

    virtual ~ORDAStackedString()
    {
        if (str != buf) delete[] str;
    }

    ORDAStackedString& operator=(const ORDAStackedString& o)
    {
        if (this != &o) {
            SetContent(o.str, o.l);
            tpos = o.tpos;
        }
        return *this;
    }

    ORDAStackedString& operator=(const char* s)
    {
        if (s) SetContent(s, static_cast<int>(std::strlen(s)));
        else SetContent("", 0);
        tpos = 0;
        return *this;
    }

    ORDAStackedString& operator+=(const char* s)
    {
        if (s) Append(s, static_cast<int>(std::strlen(s)));
        return *this;
    }

    ORDAStackedString& operator+=(char c)
    {
        Append(&c, 1);
        return *this;
    }

    ORDAStackedString& operator+=(const ORDAStackedString& o)
    {
        Append(o.str, o.l);
        return *this;
    }

    friend ORDAStackedString operator+(const ORDAStackedString& a, const ORDAStackedString& b)
    {
        return Concat(a.str, a.l, b.str, b.l);
    }

    friend ORDAStackedString operator+(const ORDAStackedString& a, const char* b)
    {
        if (!b) return a;
        return Concat(a.str, a.l, b, static_cast<int>(std::strlen(b)));
    }

    friend ORDAStackedString operator+(const char* a, const ORDAStackedString& b)
    {
        if (!a) return b;
        return Concat(a, static_cast<int>(std::strlen(a)), b.str, b.l);
    }

    friend ORDAStackedString operator+(const ORDAStackedString& a, char c) { return Concat(a.str, a.l, &c, 1); }
    friend ORDAStackedString operator+(char c, const ORDAStackedString& b) { return Concat(&c, 1, b.str, b.l); }
    // Without these, adding a number would silently be pointer arithmetic on
    // the converted text.
    friend ORDAStackedString operator+(const ORDAStackedString&, int) = delete;
    friend ORDAStackedString operator+(int, const ORDAStackedString&) = delete;

    // The text must end exactly where this string does.
    bool operator==(const char* s) const
    {
        if (!s) return l == 0;
        // Reads no further than the text's own terminator.
        return strnlen(s, static_cast<size_t>(l) + 1) == static_cast<size_t>(l) &&
               std::memcmp(s, str, static_cast<size_t>(l)) == 0;
    }
    bool operator!=(const char* s) const { return !(*this == s); }

    bool operator==(const ORDAStackedString& o) const
    {
        return l == o.l && std::memcmp(str, o.str, static_cast<size_t>(l)) == 0;
    }
    bool operator!=(const ORDAStackedString& o) const { return !(*this == o); }

    char& operator[](int i)
    {
        if (i < 0 || i > l) throw "Index out of bounds";
        return str[i];
    }
    const char& operator[](int i) const
    {
        if (i < 0 || i > l) throw "Index out of bounds";
        return str[i];
    }

    int Length() const { return l; }
    const char* Beginning() const { return str; }
    operator const char*() const { return str; }

    // First index at or after start where s occurs, -1 when none or s is empty.
    int FindStr(const char* s, int start = 0) const
    {
        if (!s || !*s) return -1;
        int n = static_cast<int>(std::strlen(s));
        if (start < 0) start = 0;
        for (int i = start; i <= l - n; ++i)
            if (std::memcmp(str + i, s, static_cast<size_t>(n)) == 0) return i;
        return -1;
    }

    // Pieces between separators; empty pieces are kept, the empty string has none.
    ORDAArray<ORDAStackedString> Split(char c) const
    {
        ORDAArray<ORDAStackedString> out;
        if (l == 0) return out;
        int from = 0;
        for (int i = 0; i <= l; ++i) {
            if (i == l || str[i] == c) {
                out.Append().SetContent(str + from, i - from);
                from = i + 1;
            }
        }
        return out;
    }

    // Appends n bytes; grows only when the new length reaches the buffer size.
    void Append(const char* s, int n)
    {
        if (n <= 0) return;
        int nl = l + n;
        if (nl >= res) {
            int size = CapacityFor(nl);
            char* nb = new char[size];
            std::memcpy(nb, str, static_cast<size_t>(l));
            // s may point into our own buffer.
            std::memcpy(nb + l, s, static_cast<size_t>(n));
            if (str != buf) delete[] str;
            str = nb;
            res = size;
        } else {
            std::memmove(str + l, s, static_cast<size_t>(n));
        }
        l = nl;
        str[l] = 0;
    }

    // Layout is part of the contract: keep the fields in this order.
    int l = 0;
    int res = N;
    int tpos = 0;
    char* str = buf;
    char buf[N];

private:
    // Empty content in a buffer sized for n bytes.
    void Reserve(int n)
    {
        int size = CapacityFor(n);
        if (size > res) {
            char* nb = new char[size];
            if (str != buf) delete[] str;
            str = nb;
            res = size;
        }
        l = 0;
        str[0] = 0;
    }

    // Replaces the content, sizing the buffer for it; s may point into the
    // current content.
    void SetContent(const char* s, int n)
    {
        int size = CapacityFor(n);
        if (size == res) {
            std::memmove(str, s, static_cast<size_t>(n));
        } else {
            char* nb = size == N ? buf : new char[size];
            std::memmove(nb, s, static_cast<size_t>(n));
            if (str != buf) delete[] str;
            str = nb;
            res = size;
        }
        l = n;
        str[n] = 0;
    }

    static ORDAStackedString Concat(const char* a, int na, const char* b, int nb)
    {
        ORDAStackedString r(na + nb, true);
        std::memcpy(r.str, a, static_cast<size_t>(na));
        std::memcpy(r.str + na, b, static_cast<size_t>(nb));
        return r;
    }
};

typedef ORDAStackedString<40> ORDAString;

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
static_assert(sizeof(ORDAStackedString<40>) == 72);
static_assert(offsetof(ORDAStackedString<40>, l) == 8);
static_assert(offsetof(ORDAStackedString<40>, res) == 12);
static_assert(offsetof(ORDAStackedString<40>, tpos) == 16);
static_assert(offsetof(ORDAStackedString<40>, str) == 24);
static_assert(offsetof(ORDAStackedString<40>, buf) == 32);
#pragma GCC diagnostic pop
