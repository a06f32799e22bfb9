#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "bridge/ArtNetAddress.h"

namespace dimrix::bridge {

// The answer to an ArtPoll: the bridge as an Art-Net node with one DMX output port per
// line that has a Port-Address. One reply carries at most four ports, all in one Net and
// Sub-Net; lines elsewhere get replies of their own, told apart by the bind index (1
// upwards).
class ArtPollReply {
public:
    static constexpr std::size_t kSize = 239;
    static constexpr std::size_t kMaxPorts = 4;
    static constexpr std::size_t kShortNameSize = 18;
    static constexpr std::size_t kLongNameSize = 64;
    static constexpr std::size_t kNodeReportSize = 64;

    using Bytes = std::array<std::uint8_t, kSize>;

    // Where each field begins.
    static constexpr std::size_t kOpCodeAt = 8;
    static constexpr std::size_t kIpAt = 10;
    static constexpr std::size_t kPortAt = 14;
    static constexpr std::size_t kVersionAt = 16;
    static constexpr std::size_t kNetSwitchAt = 18;
    static constexpr std::size_t kSubSwitchAt = 19;
    static constexpr std::size_t kOemAt = 20;
    static constexpr std::size_t kStatus1At = 23;
    static constexpr std::size_t kShortNameAt = 26;
    static constexpr std::size_t kLongNameAt = 44;
    static constexpr std::size_t kNodeReportAt = 108;
    static constexpr std::size_t kNumPortsAt = 172;
    static constexpr std::size_t kPortTypesAt = 174;
    static constexpr std::size_t kGoodInputAt = 178;
    static constexpr std::size_t kGoodOutputAt = 182;
    static constexpr std::size_t kSwInAt = 186;
    static constexpr std::size_t kSwOutAt = 190;
    static constexpr std::size_t kStyleAt = 200;
    static constexpr std::size_t kMacAt = 201;
    static constexpr std::size_t kBindIpAt = 207;
    static constexpr std::size_t kBindIndexAt = 211;
    static constexpr std::size_t kStatus2At = 212;
    static constexpr std::size_t kGoodOutputBAt = 213;

    // No registered OEM code.
    static constexpr std::uint16_t kOemUnknown = 0x00ff;
    // Indicators normal; Port-Addresses set locally (on the command line).
    static constexpr std::uint8_t kStatus1 = 0xd0;
    // A node, not a controller or a media server.
    static constexpr std::uint8_t kStyleNode = 0x00;
    // 15-bit Port-Addresses.
    static constexpr std::uint8_t kStatus2 = 0x08;
    // Output from Art-Net, DMX512.
    static constexpr std::uint8_t kPortTypeDmxOutput = 0x80;
    // The port is sending data.
    static constexpr std::uint8_t kGoodOutputTransmitting = 0x80;
    // No RDM; the line is refreshed continuously.
    static constexpr std::uint8_t kGoodOutputBNoRdmContinuous = 0xc0;
    static constexpr std::uint8_t kFirstBindIndex = 1;
    // Power-on tests passed: the status code every report of the bridge carries.
    static constexpr std::string_view kReportPowerOk = "#0001";

    struct Node {
        std::array<std::uint8_t, 4> ip{};
        std::uint16_t version = 0;
        std::string_view shortName;
        std::string_view longName;
        // Replies sent so far, shown in the node report.
        std::uint32_t replyCount = 0;
    };

    struct Port {
        // None for a line on a universe above 32768: it is not listed.
        std::optional<ArtNetAddress> address;
        // The line has data and is sending it.
        bool transmitting = false;
    };

    // Every reply that describes `ports`, in bind order. Names longer than their field
    // are cut, always leaving the terminating NUL.
    [[nodiscard]] static std::vector<Bytes> Build(const Node& node, std::span<const Port> ports);
};

}  // namespace dimrix::bridge
