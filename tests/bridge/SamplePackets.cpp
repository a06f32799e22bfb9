#include "SamplePackets.h"

#include <algorithm>

namespace dimrix::bridge::samples {

namespace {

void Put16(Bytes& bytes, std::size_t value) {
    bytes.push_back(static_cast<std::uint8_t>(value >> 8));
    bytes.push_back(static_cast<std::uint8_t>(value & 0xff));
}

void Put(Bytes& bytes, std::initializer_list<std::uint8_t> values) {
    // Byte by byte: GCC 12 at -O2 and above takes a range insert here for an overflow.
    for (const std::uint8_t value : values) {
        bytes.push_back(value);
    }
}

}  // namespace

Bytes Sacn(const Bytes& slots, const SacnFields& fields) {
    const std::size_t total = 126 + slots.size();
    Bytes b;
    Put(b, {0x00, 0x10, 0x00, 0x00});
    Put(b, {'A', 'S', 'C', '-', 'E', '1', '.', '1', '7', 0, 0, 0});
    Put16(b, 0x7000 | (total - 16));
    Put(b, {0x00, 0x00, 0x00, 0x04});
    for (std::uint8_t i = 0; i < 16; ++i) {
        b.push_back(static_cast<std::uint8_t>(fields.cidSeed + i));
    }
    Put16(b, 0x7000 | (total - 38));
    Put(b, {0x00, 0x00, 0x00, 0x02});
    Bytes name(64, 0);
    std::copy(fields.name.begin(), fields.name.end(), name.begin());
    b.insert(b.end(), name.begin(), name.end());
    b.push_back(fields.priority);
    Put(b, {0x00, 0x00});  // synchronisation address
    b.push_back(fields.sequence);
    b.push_back(fields.options);
    Put16(b, fields.universe);
    Put16(b, 0x7000 | (total - 115));
    Put(b, {0x02, 0xa1, 0x00, 0x00, 0x00, 0x01});
    Put16(b, slots.size() + 1);
    b.push_back(fields.startCode);
    b.insert(b.end(), slots.begin(), slots.end());
    return b;
}

Bytes ArtDmx(const Bytes& slots, std::uint16_t portAddress, std::uint8_t sequence) {
    Bytes b{'A', 'r', 't', '-', 'N', 'e', 't', 0, 0x00, 0x50, 0x00, 14};
    b.push_back(sequence);
    b.push_back(0);  // physical
    b.push_back(static_cast<std::uint8_t>(portAddress & 0xff));
    b.push_back(static_cast<std::uint8_t>(portAddress >> 8));
    Put16(b, slots.size());
    b.insert(b.end(), slots.begin(), slots.end());
    return b;
}

Bytes ArtPoll(std::size_t size) {
    const Bytes header{'A', 'r', 't', '-', 'N', 'e', 't', 0, 0x00, 0x20, 0x00, 14, 0x00, 0x00};
    Bytes b(size, 0);
    std::copy_n(header.begin(), std::min(size, header.size()), b.begin());
    return b;
}

}  // namespace dimrix::bridge::samples
