#pragma once

#include <cstdint>

namespace dimrix::serial {

// The numbers a failed port operation carries to the handler that reports it.
// They stay stable so an operator can quote them; README.md lists them.
using ErrorNumber = std::int32_t;

namespace errors {
// The device behind the chosen port does not exist, or no serial hardware answers there.
inline constexpr ErrorNumber kDeviceNotFound = 8002;
// Another program holds the port (lock file or exclusive open).
inline constexpr ErrorNumber kPortBusy = 8005;
// The user may not open the device (on Linux: not in the device's group).
inline constexpr ErrorNumber kPermissionDenied = 8010;
// The device opened, but an open step failed for another reason.
inline constexpr ErrorNumber kOpenFailed = 8012;
// The device refused the line settings, or is no serial port at all.
inline constexpr ErrorNumber kSettingsRejected = 8015;
// The operation needs an open port.
inline constexpr ErrorNumber kPortNotOpen = 8018;
// The operating system refused queued bytes for a reason other than a lost device.
inline constexpr ErrorNumber kWriteFailed = 8020;
// The device went away while open (USB adapter unplugged); press GO to reconnect.
inline constexpr ErrorNumber kDeviceLost = 8022;
}  // namespace errors

}  // namespace dimrix::serial
