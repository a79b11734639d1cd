#include "bus/vt_channel_map.h"

#include <algorithm>

std::map<std::string, VtChannelMap::BlockNames> VtChannelMap::m_vtCanChannelMap;

std::string VtChannelMap::Key(const char* modelName, const char* ip, const char* channelId)
{
    return std::string(modelName) + "::" + ip + "::" + channelId;
}

void VtChannelMap::InsertBlockName(const ORDAStackedString<40>& blockName, const std::string& modelName,
                                   const std::string& ip, const std::string& channelId)
{
    // A custom channel is typed by hand; it is never checked for sharing.
    if (channelId == "Custom channel") return;
    BlockNames& names = m_vtCanChannelMap[Key(modelName.c_str(), ip.c_str(), channelId.c_str())];
    if (std::find(names.begin(), names.end(), blockName) == names.end()) names.push_back(blockName);
}

void VtChannelMap::RemoveBlockName(const ORDAStackedString<40>& blockName, const std::string& modelName,
                                   const std::string& ip, const std::string& channelId)
{
    auto it = m_vtCanChannelMap.find(Key(modelName.c_str(), ip.c_str(), channelId.c_str()));
    if (it == m_vtCanChannelMap.end()) return;
    BlockNames& names = it->second;
    auto name = std::find(names.begin(), names.end(), blockName);
    if (name != names.end()) names.erase(name);
    if (names.empty()) m_vtCanChannelMap.erase(it);
}

VtChannelMap::BlockNames VtChannelMap::GetBlockNames(const ORDAStackedString<40>& modelName,
                                                     const ORDAStackedString<40>& ip,
                                                     const ORDAStackedString<40>& channelId)
{
    auto it = m_vtCanChannelMap.find(Key(modelName, ip, channelId));
    return it == m_vtCanChannelMap.end() ? BlockNames() : it->second;
}

std::string VtChannelMap::ToString(const BlockNames& names)
{
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const auto& name = names[i];
        if (i > 0) text += ',';
        text.append(name.Beginning(), static_cast<std::size_t>(name.Length()));
    }
    return text;
}
