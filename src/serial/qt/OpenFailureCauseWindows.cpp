#include "serial/qt/OpenFailureCause.h"

namespace dimrix::serial {

// Windows keeps no lock files, and a refused open means another program has the port.
OpenFailureCause::Finding OpenFailureCause::ExamineRefusal(const std::string& reason) const {
    return {OpenRefusal::HeldElsewhere, std::string(kBusy) + " (" + reason + ")"};
}

}  // namespace dimrix::serial
