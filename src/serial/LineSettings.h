#pragma once

#include <cstdint>
#include <string>

namespace dimrix::serial {

// Line settings of the port, written as "baud,parity,data bits,stop bits".
struct LineSettings {
    std::int32_t baudRate = 0;
    char parity = 'N';
    std::int16_t dataBits = 0;
    std::int16_t stopBits = 0;

    [[nodiscard]] std::string Text() const {
        return std::to_string(baudRate) + ',' + parity + ',' + std::to_string(dataBits) + ',' +
               std::to_string(stopBits);
    }

    friend bool operator==(const LineSettings&, const LineSettings&) = default;
};

// What the boards expect: 19200 baud, no parity, 8 data bits, 1 stop bit.
inline constexpr LineSettings kBoardLineSettings{19200, 'N', 8, 1};

}  // namespace dimrix::serial
