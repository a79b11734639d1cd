#include "orda_enum_struct.h"

#include <cstdio>

#include "orda_private.h"
#include "orda_streamed_string.h"

namespace {
const char* const kIncompatibleSelection =
    "Selected value incompatible with enum values for property. Selected property is set to 0";
}

ORDAEnumStruct::ORDAEnumStruct(const char* values, int selected)
{
    if (!values || !*values) return;
    m_values = ORDAStackedString<40>(values).Split('|');
    if (selected < 0 || selected >= m_values.Size()) {
        ORDA::ReportError(kIncompatibleSelection, 0);
        selected = 0;
    }
    m_selected = selected;
}

ORDAStackedString<40> ORDAEnumStruct::ToString() const
{
    ORDAStreamedString text;
    text << m_values.Size() << "|" << m_selected;
    for (int i = 0; i < m_values.Size(); ++i) text << "|" << m_values(i);
    return text;
}

bool ORDAEnumStruct::IsEnumString(const char* text)
{
    int n = 0, s = 0;
    return text && std::sscanf(text, "%d|%d", &n, &s) == 2;
}

bool ORDAEnumStruct::Select(const char* text)
{
    for (int i = 0; i < m_values.Size(); ++i)
        if (m_values(i) == text) {
            m_selected = i;
            return true;
        }
    m_selected = -1;
    return false;
}

void ORDAEnumStruct::FromString(const char* text, bool selectionOnly)
{
    int n = 0, s = 0;
    if (!text || std::sscanf(text, "%d|%d", &n, &s) < 2) {
        ORDAStreamedString message;
        message << "ORDAEnumStruct::FromString: Ill-formed enum string "
                << "[expected:nbVal|selected|val0|val1|val2...] [received:" << (text ? text : "") << "]";
        ORDA::ReportError(message.Beginning(), 0);
        return;
    }
    if (selectionOnly) {
        if (s < m_values.Size()) {
            m_selected = s;
        } else {
            ORDA::ReportError("ORDAEnumStruct::FromString: Selected value incompatible with enum values for "
                              "property. Selected property is set to 0.",
                              0);
            m_selected = 0;
        }
        return;
    }
    m_values = ORDAArray<ORDAStackedString<40>>();
    if (n <= 0) {
        m_selected = -1;
        return;
    }
    ORDAArray<ORDAStackedString<40>> pieces = ORDAStackedString<40>(text).Split('|');
    if (pieces.Size() - 2 != n) {
        ORDA::ReportError(
            "ORDAEnumStruct::FromString: Declared size of enum struct does not match the number of given elements.",
            0);
        m_selected = -1;
        return;
    }
    for (int i = 0; i < n; ++i) m_values(i) = pieces(i + 2);
    if (s < n) {
        m_selected = s;
    } else {
        ORDA::ReportError("ORDAEnumStruct::FromString: Selected value incompatible with enum values for property. "
                          "Selected property is set to 0.",
                          0);
        m_selected = 0;
    }
}

ORDAStackedString<40> ORDAEnumStruct::SelectedValue() const
{
    if (m_selected < 0 || m_selected >= m_values.Size()) return ORDAStackedString<40>();
    return m_values(m_selected);
}
