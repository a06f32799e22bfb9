#include "platform/ParentConsole.h"

namespace dimrix::platform {

void ParentConsole::Attach() {}

}  // namespace dimrix::platform
