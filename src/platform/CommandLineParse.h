#pragma once

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdio>
#include <optional>
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

    // The texts the program's --help shows for -h/--help and -v/--version, which every
    // program has.
    struct Texts {
        const char* description;
        const char* help;
        const char* versionHelp;
        const char* version;
    };

    // The usage line names the program `program`, or `invokedAs` (its first argument, as
    // the panel's usage line always has) when given.
    CommandLineParse(const char* program, const Texts& texts, const char* invokedAs = nullptr);
    CommandLineParse(const CommandLineParse&) = delete;
    CommandLineParse& operator=(const CommandLineParse&) = delete;

    // The program's own options and arguments go here before Read.
    [[nodiscard]] QCommandLineParser& Parser() { return m_parser; }
    // A paragraph --help shows after the options, as the panel's note on Qt's own options.
    void SetHelpNote(const QString& note) { m_helpNote = note; }
    // Parses `arguments`. The exit status when that ends the program: --help and
    // --version answered on standard output, or an error and the usage on standard error;
    // nothing when it is to run.
    [[nodiscard]] std::optional<int> Read(const QStringList& arguments);
    // The error and the usage on standard error; returns kUsageError.
    [[nodiscard]] int UsageError(const QString& error) const;
    // The text as it is, flushed at once.
    static void Print(std::FILE* stream, const QString& text);

private:
    std::string m_program;
    std::string m_invokedAs;
    const char* m_version = nullptr;
    QString m_helpNote;
    std::array<char*, 1> m_names{m_invokedAs.data()};
    // Qt keeps a reference to the count for the application object's life.
    int m_count = static_cast<int>(m_names.size());
    QCoreApplication m_naming{m_count, m_names.data()};
    QCommandLineParser m_parser;
    QCommandLineOption m_help;
    QCommandLineOption m_versionOption;
};

}  // namespace dimrix::platform
