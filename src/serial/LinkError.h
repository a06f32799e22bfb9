#pragma once

#include <stdexcept>
#include <string>

#include "serial/ErrorNumber.h"

namespace dimrix::serial {

// A failed port operation. Raised at the failing step and caught only by the handler
// that reports it, so everything after the failing byte is skipped on the way.
class LinkError : public std::runtime_error {
public:
    // @param number what failed, from errors::
    // @param detail the device and the system's reason, for the open report
    LinkError(ErrorNumber number, const std::string& detail);

    [[nodiscard]] ErrorNumber Number() const { return m_number; }

private:
    ErrorNumber m_number = 0;
};

}  // namespace dimrix::serial
