#include "element_registry.h"

namespace ordavix_host {

bool ElementRegistry::Add(const std::string& fullName, Kind kind, void* element, ORDAModule* owner)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_entries.emplace(fullName, Entry{kind, element, owner}).second;
}

void ElementRegistry::Forget(const std::string& fullName)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_entries.erase(fullName);
}

ORDAModule* ElementRegistry::OwnerOf(const std::string& fullName) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_entries.find(fullName);
    return it == m_entries.end() ? nullptr : it->second.owner;
}

void* ElementRegistry::Find(const std::string& fullName, Kind kind) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_entries.find(fullName);
    return it == m_entries.end() || it->second.kind != kind ? nullptr : it->second.element;
}

ORDAProperty* ElementRegistry::PropertyNamed(const std::string& n) const
{
    return static_cast<ORDAProperty*>(Find(n, Kind::Property));
}

ORDAInput* ElementRegistry::InputNamed(const std::string& n) const { return static_cast<ORDAInput*>(Find(n, Kind::Input)); }

ORDAOutput* ElementRegistry::OutputNamed(const std::string& n) const
{
    return static_cast<ORDAOutput*>(Find(n, Kind::Output));
}

ORDAAction* ElementRegistry::ActionNamed(const std::string& n) const
{
    return static_cast<ORDAAction*>(Find(n, Kind::Action));
}

bool ElementRegistry::Has(const std::string& fullName) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_entries.count(fullName) != 0;
}

std::size_t ElementRegistry::Size() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_entries.size();
}

}
