#pragma once

/// @file
/// Per-board tables: one row of eight channel entries for every address on the line.

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "protocol/Protocol.h"

namespace dimrix::panel {

/// A value per (address, channel), addresses kFirstAddress to kLastAddress.
template <typename T>
class BoardTable {
public:
    using Row = std::array<T, protocol::kChannelCount>;

    /// @throws std::out_of_range for an address or channel off the line.
    [[nodiscard]] const T& At(protocol::Address address, int channel) const {
        return RowAt(address).at(static_cast<std::size_t>(channel));
    }
    /// @throws std::out_of_range for an address or channel off the line.
    T& At(protocol::Address address, int channel) {
        return RowAt(address).at(static_cast<std::size_t>(channel));
    }
    /// The eight entries of one board, channel 0 first.
    [[nodiscard]] const Row& RowAt(protocol::Address address) const {
        return m_rows.at(Index(address));
    }
    Row& RowAt(protocol::Address address) { return m_rows.at(Index(address)); }
    /// Every entry of every board.
    void Fill(const T& value) {
        for (Row& row : m_rows) {
            row.fill(value);
        }
    }

private:
    static std::size_t Index(protocol::Address address) {
        if (address < protocol::kFirstAddress || address > protocol::kLastAddress) {
            throw std::out_of_range("no board at address " + std::to_string(address));
        }
        return static_cast<std::size_t>(address - protocol::kFirstAddress);
    }

    std::array<Row, protocol::kAddressCount> m_rows{};
};

/// The last stored level of every channel of every board.
using LevelTable = BoardTable<protocol::Level>;

/// What a channel's fade is doing.
enum class FadeMode : std::int16_t {
    None = 0,  ///< not fading
    Up = 1,    ///< one step up per fade tick until full
    Down = 2,  ///< one step down per fade tick until off
};

/// The fade mode of every channel of every board.
using FadeTable = BoardTable<FadeMode>;

}  // namespace dimrix::panel
