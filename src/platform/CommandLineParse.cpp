#include "platform/CommandLineParse.h"

namespace dimrix::platform {

CommandLineParse::CommandLineParse(const char* program) : m_program(program) {}

int CommandLineParse::UsageError(const QString& error) const {
    Print(
        stderr,
        QString("%1: %2\n\n%3").arg(QString::fromStdString(m_program), error, m_parser.helpText()));
    return kUsageError;
}

void CommandLineParse::Print(std::FILE* stream, const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

}  // namespace dimrix::platform
