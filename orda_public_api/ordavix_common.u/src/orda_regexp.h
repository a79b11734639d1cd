#pragma once
// Regular expression on PCRE; copies share one compiled pattern.

#include "orda_array.h"
#include "orda_string.h"

struct ORDARegExpRecord;

class ORDARegExp {
public:
    // PCRE's own caseless bit.
    static constexpr int OptCaseless = 1;

    ORDARegExp();
    ORDARegExp(const char* pattern, int options = 0);
    ORDARegExp(const ORDARegExp& o);
    ORDARegExp& operator=(const ORDARegExp& o);
    virtual ~ORDARegExp();

    // Starts a record of its own with option bits 0 and compiles the text.
    void SetPattern(const char* pattern);
    // Stores the option bits; a pattern already compiled is compiled again
    // with them, so that the bits take effect.
    void SetOptions(int options);
    int Options() const;
    // Extra analysis of the compiled pattern for faster matching.
    bool Study();

    bool Ok() const;
    const char* LastError() const;
    int ErrorOffset() const;

    // True when the pattern matches anywhere in the subject; a negative
    // length means the subject is zero-terminated.
    bool exec(const char* subject, int length);
    bool exec(const char* subject);

    const ORDAArray<ORDAStackedString<40>>& Substrings() const;
    // Start of captured substring i in the last subject, -1 when unknown.
    int Position(int i) const;

private:
    void Release();
    void Compile();

    ORDARegExpRecord* m_rec;
};
