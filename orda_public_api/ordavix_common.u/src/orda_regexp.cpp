#include "orda_regexp.h"

#include <pcre.h>

#include <cstring>

static_assert(ORDARegExp::OptCaseless == PCRE_CASELESS);

struct ORDARegExpRecord {
    int refs = 1;
    pcre* code = nullptr;
    pcre_extra* extra = nullptr;
    int options = 0;
    ORDAStackedString<40> pattern;
    bool hasPattern = false;
    ORDAStackedString<40> error;
    int errorOffset = -1;
    ORDAArray<int> ovector;
    ORDAArray<ORDAStackedString<40>> substrings;

    ORDARegExpRecord() { ovector.Resize(10); }
    ~ORDARegExpRecord() { FreeCode(); }
    ORDARegExpRecord(const ORDARegExpRecord&) = delete;
    ORDARegExpRecord& operator=(const ORDARegExpRecord&) = delete;

    void FreeCode()
    {
        if (extra) pcre_free_study(extra);
        if (code) pcre_free(code);
        extra = nullptr;
        code = nullptr;
    }
};

ORDARegExp::ORDARegExp() : m_rec(new ORDARegExpRecord) {}

ORDARegExp::ORDARegExp(const char* pattern, int options) : m_rec(new ORDARegExpRecord)
{
    m_rec->options = options;
    m_rec->pattern = pattern;
    m_rec->hasPattern = pattern != nullptr;
    Compile();
}

ORDARegExp::ORDARegExp(const ORDARegExp& o) : m_rec(o.m_rec) { ++m_rec->refs; }

ORDARegExp& ORDARegExp::operator=(const ORDARegExp& o)
{
    if (m_rec != o.m_rec) {
        ++o.m_rec->refs;
        Release();
        m_rec = o.m_rec;
    }
    return *this;
}

ORDARegExp::~ORDARegExp() { Release(); }

void ORDARegExp::Release()
{
    if (--m_rec->refs == 0) delete m_rec;
    m_rec = nullptr;
}

void ORDARegExp::Compile()
{
    ORDARegExpRecord& r = *m_rec;
    r.FreeCode();
    r.error = "";
    r.errorOffset = -1;
    r.substrings.Resize(0);
    if (!r.hasPattern) {
        r.error = "no pattern";
        return;
    }
    const char* err = nullptr;
    int offset = -1;
    r.code = pcre_compile(r.pattern.Beginning(), r.options, &err, &offset, nullptr);
    if (!r.code) {
        r.error = err ? err : "compilation failed";
        r.errorOffset = offset;
    }
}

void ORDARegExp::SetPattern(const char* pattern)
{
    Release();
    m_rec = new ORDARegExpRecord;
    m_rec->pattern = pattern;
    m_rec->hasPattern = pattern != nullptr;
    Compile();
}

void ORDARegExp::SetOptions(int options)
{
    m_rec->options = options;
    if (m_rec->hasPattern) Compile();
}

int ORDARegExp::Options() const { return m_rec->options; }

bool ORDARegExp::Study()
{
    ORDARegExpRecord& r = *m_rec;
    if (!r.code) return false;
    if (r.extra) return true;
    const char* err = nullptr;
    r.extra = pcre_study(r.code, 0, &err);
    // A null result without an error only means nothing was found to speed
    // matching up.
    return err == nullptr;
}

bool ORDARegExp::Ok() const { return m_rec->code != nullptr; }

const char* ORDARegExp::LastError() const { return m_rec->error.Beginning(); }

int ORDARegExp::ErrorOffset() const { return m_rec->errorOffset; }

bool ORDARegExp::exec(const char* subject) { return exec(subject, -1); }

bool ORDARegExp::exec(const char* subject, int length)
{
    ORDARegExpRecord& r = *m_rec;
    if (!r.code || !subject) return false;
    if (length < 0) length = static_cast<int>(std::strlen(subject));
    int rc;
    for (;;) {
        // The vector is contiguous: it only ever grows into a fresh block.
        rc = pcre_exec(r.code, r.extra, subject, length, 0, 0, r.ovector.data, r.ovector.Size());
        if (rc != 0) break;
        r.ovector.Resize(r.ovector.Size() + 10);
    }
    if (rc < 0) return false;
    r.substrings.Resize(rc);
    for (int k = 0; k < rc; ++k) {
        int from = r.ovector(2 * k);
        int to = r.ovector(2 * k + 1);
        ORDAStackedString<40>& s = r.substrings(k);
        if (from < 0 || to < from) {
            s = "";
        } else {
            ORDAStackedString<40> piece(to - from, true);
            std::memcpy(piece.str, subject + from, static_cast<size_t>(to - from));
            s = piece;
        }
    }
    return true;
}

const ORDAArray<ORDAStackedString<40>>& ORDARegExp::Substrings() const { return m_rec->substrings; }

int ORDARegExp::Position(int i) const
{
    const ORDAArray<int>& ov = m_rec->ovector;
    if (i < 0 || 2 * i >= ov.Size()) return -1;
    return ov(2 * i);
}
