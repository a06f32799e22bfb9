#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

// Packets written out byte by byte from the protocols' layouts, with no use of the
// readers' constants, so that a wrong constant in a reader shows.
namespace dimrix::bridge::samples {

using Bytes = std::vector<std::uint8_t>;

struct SacnFields {
    std::uint8_t cidSeed = 0x10;  // CID bytes are seed, seed+1, ...
    std::string_view name = "desk";
    std::uint8_t priority = 100;
    std::uint8_t sequence = 0;
    std::uint8_t options = 0;
    std::uint16_t universe = 1;
    std::uint8_t startCode = 0;
};

// An E1.31 data packet carrying `slots`.
Bytes Sacn(const Bytes& slots, const SacnFields& fields = {});

// An ArtDmx packet carrying `slots`, protocol version 14.
Bytes ArtDmx(const Bytes& slots, std::uint16_t portAddress = 0, std::uint8_t sequence = 0);

// An ArtPoll of `size` bytes (14 for the original, 22 for Art-Net 4's).
Bytes ArtPoll(std::size_t size = 14);

}  // namespace dimrix::bridge::samples
