#pragma once

#include <vector>

#include "serial/qt/PortMap.h"

namespace dimrix::serial {

// The serial ports the system lists, as QSerialPortInfo finds them, each marked when the
// kernel writes its console there. Needs a QCoreApplication.
class PortListing {
public:
    // On Linux Qt lists a built-in UART only after opening it and finding a UART behind
    // it, so a port held exclusively (by this program too) and a ttyS device without
    // hardware both stay out of the list; the console's UART is opened like any other.
    // Listing takes tens of milliseconds.
    [[nodiscard]] static std::vector<PortEntry> Present();
};

}  // namespace dimrix::serial
