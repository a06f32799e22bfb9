#include "bridge/ArtPollReply.h"

#include <algorithm>
#include <string>

#include "bridge/ArtNetPacket.h"

namespace dimrix::bridge {

namespace {

constexpr unsigned kBitsPerByte = 8;
constexpr std::uint8_t kByteMask = 0xff;
// Node reports count replies in four decimal digits.
constexpr std::uint32_t kReportCountWrap = 10000;

void PutBigEndian(ArtPollReply::Bytes& bytes, std::size_t at, std::uint16_t value) {
    bytes[at] = static_cast<std::uint8_t>(value >> kBitsPerByte);
    bytes[at + 1] = static_cast<std::uint8_t>(value & kByteMask);
}

void PutLittleEndian(ArtPollReply::Bytes& bytes, std::size_t at, std::uint16_t value) {
    bytes[at] = static_cast<std::uint8_t>(value & kByteMask);
    bytes[at + 1] = static_cast<std::uint8_t>(value >> kBitsPerByte);
}

// `text` in a NUL-padded field of `size`, cut so that its last byte stays NUL.
void PutText(ArtPollReply::Bytes& bytes, std::size_t at, std::size_t size, std::string_view text) {
    const std::size_t length = std::min(text.size(), size - 1);
    std::copy_n(text.begin(), length, bytes.begin() + static_cast<std::ptrdiff_t>(at));
}

// What the ports of one reply must share.
bool SameGroup(ArtNetAddress a, ArtNetAddress b) {
    return a.Net() == b.Net() && a.SubNet() == b.SubNet();
}

ArtPollReply::Bytes Header(const ArtPollReply::Node& node, ArtNetAddress group,
                           std::uint8_t bindIndex) {
    ArtPollReply::Bytes bytes{};
    std::ranges::copy(ArtNetPacket::kId, bytes.begin());
    PutLittleEndian(bytes, ArtPollReply::kOpCodeAt, ArtNetPacket::kOpPollReply);
    std::ranges::copy(node.ip, bytes.begin() + ArtPollReply::kIpAt);
    PutLittleEndian(bytes, ArtPollReply::kPortAt, ArtNetPacket::kPort);
    PutBigEndian(bytes, ArtPollReply::kVersionAt, node.version);
    bytes[ArtPollReply::kNetSwitchAt] = group.Net();
    bytes[ArtPollReply::kSubSwitchAt] = group.SubNet();
    PutBigEndian(bytes, ArtPollReply::kOemAt, ArtPollReply::kOemUnknown);
    bytes[ArtPollReply::kStatus1At] = ArtPollReply::kStatus1;
    PutText(bytes, ArtPollReply::kShortNameAt, ArtPollReply::kShortNameSize, node.shortName);
    PutText(bytes, ArtPollReply::kLongNameAt, ArtPollReply::kLongNameSize, node.longName);
    std::string count = std::to_string(node.replyCount % kReportCountWrap);
    count.insert(0, 4 - count.size(), '0');
    const std::string report = std::string(ArtPollReply::kReportPowerOk) + " [" + count + "] OK";
    PutText(bytes, ArtPollReply::kNodeReportAt, ArtPollReply::kNodeReportSize, report);
    bytes[ArtPollReply::kStyleAt] = ArtPollReply::kStyleNode;
    std::ranges::copy(node.ip, bytes.begin() + ArtPollReply::kBindIpAt);
    bytes[ArtPollReply::kBindIndexAt] = bindIndex;
    bytes[ArtPollReply::kStatus2At] = ArtPollReply::kStatus2;
    return bytes;
}

}  // namespace

std::vector<ArtPollReply::Bytes> ArtPollReply::Build(const Node& node,
                                                     std::span<const Port> ports) {
    std::vector<Bytes> replies;
    std::vector<ArtNetAddress> groups;
    for (const Port& port : ports) {
        if (!port.address) {
            continue;
        }
        const ArtNetAddress address = *port.address;
        // The first reply of the port's group that still has room, or a new one.
        std::size_t reply = 0;
        while (reply < replies.size() && (!SameGroup(groups[reply], address) ||
                                          replies[reply][kNumPortsAt + 1] == kMaxPorts)) {
            ++reply;
        }
        if (reply == replies.size()) {
            groups.push_back(address);
            replies.push_back(
                Header(node, groups.back(), static_cast<std::uint8_t>(kFirstBindIndex + reply)));
        }
        Bytes& bytes = replies[reply];
        const std::size_t index = bytes[kNumPortsAt + 1]++;
        bytes[kPortTypesAt + index] = kPortTypeDmxOutput;
        bytes[kGoodOutputAt + index] = port.transmitting ? kGoodOutputTransmitting : 0;
        bytes[kSwOutAt + index] = address.Universe();
        bytes[kGoodOutputBAt + index] = kGoodOutputBNoRdmContinuous;
    }
    return replies;
}

}  // namespace dimrix::bridge
