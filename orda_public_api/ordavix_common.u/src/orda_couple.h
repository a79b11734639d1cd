#pragma once
// Polymorphic pair.

template <typename A, typename B>
class ORDACouple {
public:
    ORDACouple() : m_first(), m_second() {}
    ORDACouple(const A& a, const B& b) : m_first(a), m_second(b) {}
    ORDACouple(const ORDACouple&) = default;
    ORDACouple& operator=(const ORDACouple&) = default;
    virtual ~ORDACouple() = default;

    bool operator==(const ORDACouple& o) const { return m_first == o.m_first && m_second == o.m_second; }

    A m_first;
    B m_second;
};
