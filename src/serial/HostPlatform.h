#pragma once

namespace dimrix::serial {

// Whose rules apply where the platforms differ: how ports are named, and what a device
// that went away looks like.
enum class HostPlatform { Linux, Windows };

// The rules of the host this program was built for.
#ifdef _WIN32
inline constexpr HostPlatform kHostPlatform = HostPlatform::Windows;
#else
inline constexpr HostPlatform kHostPlatform = HostPlatform::Linux;
#endif

}  // namespace dimrix::serial
