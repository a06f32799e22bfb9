#pragma once

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QString>
#include <array>
#include <cstdio>
#include <string>

namespace dimrix::platform {

// What the headless programs' command lines share: they are read before any application
// object exists, so that --help, --version and a wrong option never need a display; the
// parser still names the program after an application object's first argument, so one
// lives here for the parse alone and says the program's own name however it was
// started. Help and version go to standard output, an error and the usage to standard
// error.
class CommandLineParse {
public:
    // Exit statuses for what ends a program before it starts.
    static constexpr int kDone = 0;
    static constexpr int kUsageError = 2;

    explicit CommandLineParse(const char* program);
    CommandLineParse(const CommandLineParse&) = delete;
    CommandLineParse& operator=(const CommandLineParse&) = delete;

    [[nodiscard]] QCommandLineParser& Parser() { return m_parser; }
    // The error and the usage on standard error; returns kUsageError.
    [[nodiscard]] int UsageError(const QString& error) const;
    // The text as it is, flushed at once.
    static void Print(std::FILE* stream, const QString& text);

private:
    std::string m_program;
    std::array<char*, 1> m_names{m_program.data()};
    // Qt keeps a reference to the count for the application object's life.
    int m_count = static_cast<int>(m_names.size());
    QCoreApplication m_naming{m_count, m_names.data()};
    QCommandLineParser m_parser;
};

}  // namespace dimrix::platform
