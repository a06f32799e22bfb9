#pragma once

#include <cstdint>

namespace dimrix::serial {

// The port numbers the operator chooses between: COM1 and COM2.
inline constexpr std::int16_t kFirstPort = 1;
inline constexpr std::int16_t kSecondPort = 2;

}  // namespace dimrix::serial
