#include "serial/qt/OpenFailureCause.h"

#include "serial/ErrorWords.h"

namespace dimrix::serial {

// Windows keeps no lock files, and a refused open means another program has the port.
OpenFailureCause::Finding OpenFailureCause::ExamineRefusal(const std::string& reason) const {
    return {OpenRefusal::HeldElsewhere,
            std::string(ErrorWords::Meaning(errors::kPortBusy)) + " (" + reason + ")"};
}

}  // namespace dimrix::serial
