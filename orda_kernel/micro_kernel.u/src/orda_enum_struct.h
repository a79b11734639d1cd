#pragma once
// Enumerated value: the values and the selected index. Text form:
// count|selected|value0|value1...
#include "orda_array.h"
#include "orda_string.h"

class ORDAEnumStruct {
public:
    ORDAEnumStruct() = default;
    // Values split from the text at "|"; an impossible selection becomes 0
    // after a report. Null or empty text: no values, nothing selected.
    ORDAEnumStruct(const char* values, int selected);
    ORDAEnumStruct(const ORDAEnumStruct&) = default;
    ORDAEnumStruct& operator=(const ORDAEnumStruct&) = default;
    virtual ~ORDAEnumStruct() = default;

    ORDAStackedString<40> ToString() const;
    static bool IsEnumString(const char* text);
    // Selects the first value equal to the text; false and -1 when none is.
    bool Select(const char* text);
    void FromString(const char* text, bool selectionOnly);

    int Count() const { return m_values.Size(); }
    // The selected value's text; empty when nothing valid is selected.
    ORDAStackedString<40> SelectedValue() const;

    int m_selected = -1;
    ORDAArray<ORDAStackedString<40>> m_values;
};
