#include "app/DisplayCheck.h"

#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>

namespace dimrix::app {

namespace {

// Where Qt's platform needs a display named in the environment.
#if defined(_WIN32) || defined(__APPLE__)
constexpr bool kDisplayIsNamed = false;
#else
constexpr bool kDisplayIsNamed = true;
#endif

bool IsSet(const char* variable) {
    const char* value = std::getenv(variable);
    return value != nullptr && *value != '\0';
}

// Qt reads its own options with one dash or two, each followed by its value.
bool NamesQtOption(std::span<const char* const> arguments, std::string_view option) {
    for (std::size_t index = 1; index + 1 < arguments.size(); ++index) {
        std::string_view argument = arguments[index];
        if (!argument.starts_with('-')) {
            continue;
        }
        argument.remove_prefix(argument.starts_with("--") ? 2 : 1);
        if (argument == option) {
            return true;
        }
    }
    return false;
}

}  // namespace

std::optional<int> DisplayCheck::ExitStatus(std::string_view program, std::string_view hint,
                                            int argc, const char* const argv[]) {
    const std::span<const char* const> arguments(argv, static_cast<std::size_t>(argc));
    if (!kDisplayIsNamed || IsSet("DISPLAY") || IsSet("WAYLAND_DISPLAY") ||
        IsSet("QT_QPA_PLATFORM") || NamesQtOption(arguments, "platform") ||
        NamesQtOption(arguments, "display")) {
        return std::nullopt;
    }
    std::string line(program);
    line += ": cannot open a window: no display (DISPLAY is not set)";
    if (!hint.empty()) {
        line += "; ";
        line += hint;
    }
    line += '\n';
    std::fputs(line.c_str(), stderr);
    return kNoDisplay;
}

}  // namespace dimrix::app
