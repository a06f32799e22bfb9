#pragma once

/// @file
/// What the line decoder tells whoever watches the line (the bus monitor) as it reads.

#include <span>

#include "protocol/DecodedFrame.h"
#include "protocol/Protocol.h"

namespace dimrix::protocol {

/// Why bytes took no effect on the boards.
enum class Malformation {
    Torn,   ///< a frame broken off before its terminator (next frame, unused value, extra level)
    Short,  ///< a terminator that came before all of its frame's levels
    StrayLevel,  ///< a level with no frame to go into, or one a frame has no room for
    StrayEnd,    ///< a terminator with no frame open
    Unused,      ///< a value no frame uses
};

/// Told of every frame and every malformed unit, in line order; each malformed unit is one
/// count of LineDecoder::Malformed().
class DecodeListener {
public:
    virtual ~DecodeListener() = default;
    /// A frame took effect (the boards already hold it).
    virtual void OnFrame(const DecodedFrame& frame) = 0;
    /// `bytes` took no effect, for `why`.
    virtual void OnMalformed(std::span<const Byte> bytes, Malformation why) = 0;

protected:
    DecodeListener() = default;
    DecodeListener(const DecodeListener&) = default;
    DecodeListener& operator=(const DecodeListener&) = default;
};

}  // namespace dimrix::protocol
