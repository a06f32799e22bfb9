#include "support/QuietListener.h"

namespace dimrix::bench {

void QuietListener::ShowMessage(const std::string& title, const std::string& text) {
    ++m_messages;
    m_lastMessage = title + ": " + text;
}

}  // namespace dimrix::bench
