#pragma once

#include "gateway/ConfigImage.h"

#include <algorithm>
#include <string>

namespace quillan::test {

// Empty when the device holds the request's blocks 0 and 1 and its four tables.
inline std::string configurationDifference(const ConfigImage& device, const ConfigImage& request)
{
    const auto same = [&](BlockType type, unsigned page) {
        const auto a = device.blockBytes(type, page);
        const auto b = request.blockBytes(type, page);
        return std::equal(a.begin(), a.end(), b.begin(), b.end());
    };
    for (const BlockType type : {BlockType::ports, BlockType::radio}) {
        if (!same(type, 0)) {
            return "block " + std::to_string(static_cast<int>(type));
        }
    }
    for (const BlockType type :
         {BlockType::dataStore, BlockType::imports, BlockType::exports, BlockType::modbusMap}) {
        for (unsigned page = 0; page < ConfigImage::kTablePages; ++page) {
            if (!same(type, page)) {
                return "block " + std::to_string(static_cast<int>(type)) + " page " +
                       std::to_string(page);
            }
        }
    }
    return {};
}

} // namespace quillan::test
