#include "bridge/SourceKey.h"

#include <algorithm>
#include <cstdio>

namespace dimrix::bridge {

std::string SourceKey::Text() const {
    switch (m_origin) {
        case Origin::Console:
            return "console";
        case Origin::ArtNet:
            return std::to_string(m_id[0]) + '.' + std::to_string(m_id[1]) + '.' +
                   std::to_string(m_id[2]) + '.' + std::to_string(m_id[3]);
        case Origin::Sacn:
            break;
    }
    constexpr std::array kGroupEnds{4U, 6U, 8U, 10U};
    std::string text;
    for (std::size_t i = 0; i < m_id.size(); ++i) {
        if (std::ranges::find(kGroupEnds, i) != kGroupEnds.end()) {
            text += '-';
        }
        std::array<char, 3> hex{};
        std::snprintf(hex.data(), hex.size(), "%02x", m_id[i]);
        text += hex.data();
    }
    return text;
}

}  // namespace dimrix::bridge
