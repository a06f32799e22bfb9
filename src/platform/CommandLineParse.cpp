#include "platform/CommandLineParse.h"

namespace dimrix::platform {

CommandLineParse::CommandLineParse(const char* program, const Texts& texts, const char* invokedAs)
    : m_program(program),
      m_invokedAs(invokedAs != nullptr ? invokedAs : program),
      m_version(texts.version),
      m_help({"h", "help"}, texts.help),
      m_versionOption({"v", "version"}, texts.versionHelp) {
    m_parser.setApplicationDescription(texts.description);
    m_parser.addOptions({m_help, m_versionOption});
}

std::optional<int> CommandLineParse::Read(const QStringList& arguments) {
    if (!m_parser.parse(arguments)) {
        return UsageError(m_parser.errorText());
    }
    if (m_parser.isSet(m_help)) {
        Print(stdout, m_helpNote.isEmpty() ? m_parser.helpText()
                                           : m_parser.helpText() + '\n' + m_helpNote + '\n');
        return kDone;
    }
    if (m_parser.isSet(m_versionOption)) {
        Print(stdout, QString("%1 %2\n").arg(QString::fromStdString(m_program), m_version));
        return kDone;
    }
    return std::nullopt;
}

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
