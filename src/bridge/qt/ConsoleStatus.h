#pragma once

#include <QString>
#include <array>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "bridge/LineLevels.h"
#include "protocol/Protocol.h"

namespace dimrix::bridge {

// What the web console shows of one line, gathered on the event loop.
struct LineStatus {
    enum class State : std::uint8_t { Open, Lost, Back };

    std::size_t index = 0;
    QString device;
    std::uint16_t universe = 0;
    int firstSlot = 0;
    int lastSlot = 0;
    // "Net:Sub-Net:Universe", or empty for none.
    QString artNet;
    State state = State::Open;
    // "HH:MM:SS" while lost.
    QString lostSince;
    double framesPerSecond = 0.0;
    double bytesPerSecond = 0.0;
    // As the line last carried them.
    LineLevels levels{};
    std::bitset<protocol::kAddressCount> pending;
    // The id of the source driving most of each board's channels, if any.
    std::array<QString, protocol::kAddressCount> drivers{};
    std::optional<protocol::Address> identifyBoard;
    double identifySecondsLeft = 0.0;
};

// What the web console shows of one universe.
struct UniverseStatus {
    struct LossLast {
        QString at;
        bool allOff = false;
    };
    struct Contested {
        // Two lines of one universe have boards of the same address.
        std::size_t line = 0;
        protocol::Address board = protocol::kFirstAddress;
        int channel = 0;
        QString source;
        int priority = 0;
        bool higherOrEqualLevel = false;
    };
    struct Source {
        QString id;
        QString name;
        QString protocol;
        QString address;
        int priority = 0;
        bool perAddress = false;
        double packetsPerSecond = 0.0;
        double secondsSinceLast = 0.0;
        std::uint64_t droppedLate = 0;
    };

    std::uint16_t universe = 0;
    bool lossOff = false;
    std::optional<LossLast> lossLast;
    bool consoleTaken = false;
    int consolePriority = 0;
    std::vector<Contested> contested;
    std::vector<Source> sources;
};

}  // namespace dimrix::bridge
