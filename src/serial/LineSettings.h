#pragma once

#include <cstdint>
#include <string>

namespace dimrix::serial {

// Line settings of the port, written as "baud,parity,data bits,stop bits".
struct LineSettings {
    static constexpr int kStartBits = 1;
    static constexpr int kParityBits = 1;
    static constexpr char kNoParity = 'N';

    std::int32_t baudRate = 0;
    char parity = 'N';
    std::int16_t dataBits = 0;
    std::int16_t stopBits = 0;

    // Bits on the wire per octet: a start bit, the data bits, the parity bit if any, and
    // the stop bits.
    [[nodiscard]] constexpr int BitsPerByte() const {
        return kStartBits + dataBits + (parity == kNoParity ? 0 : kParityBits) + stopBits;
    }
    // Octets the line carries in a second, back to back.
    [[nodiscard]] constexpr std::int32_t BytesPerSecond() const { return baudRate / BitsPerByte(); }

    [[nodiscard]] std::string Text() const {
        return std::to_string(baudRate) + ',' + parity + ',' + std::to_string(dataBits) + ',' +
               std::to_string(stopBits);
    }

    friend bool operator==(const LineSettings&, const LineSettings&) = default;
};

// What the boards expect: 19200 baud, no parity, 8 data bits, 1 stop bit.
inline constexpr LineSettings kBoardLineSettings{19200, LineSettings::kNoParity, 8, 1};

}  // namespace dimrix::serial
