#include "serial/LinkError.h"

namespace dimrix::serial {

LinkError::LinkError(ErrorNumber number, const std::string& detail)
    : std::runtime_error(detail), m_number(number) {}

}  // namespace dimrix::serial
