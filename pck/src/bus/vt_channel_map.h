#pragma once
// Which blocks of the diagram have selected which bus channel, so that two
// blocks of one model do not share a channel unnoticed. Process-wide, no lock.
#include <map>
#include <string>
#include <vector>

#include "orda_string.h"

class VtChannelMap {
public:
    using BlockNames = std::vector<ORDAStackedString<40>>;

    VtChannelMap() = delete;

    static void InsertBlockName(const ORDAStackedString<40>& blockName, const std::string& modelName,
                                const std::string& ip, const std::string& channelId);
    static void RemoveBlockName(const ORDAStackedString<40>& blockName, const std::string& modelName,
                                const std::string& ip, const std::string& channelId);
    static BlockNames GetBlockNames(const ORDAStackedString<40>& modelName, const ORDAStackedString<40>& ip,
                                    const ORDAStackedString<40>& channelId);
    static std::string ToString(const BlockNames& names);

private:
    static std::string Key(const char* modelName, const char* ip, const char* channelId);
    static std::map<std::string, BlockNames> m_vtCanChannelMap;
};
