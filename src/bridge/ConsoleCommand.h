#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "protocol/Protocol.h"

namespace dimrix::bridge {

// One member of a command's JSON object as the program's JSON reader found it: a number,
// an array of numbers, or anything else (which no command takes).
struct CommandField {
    struct Other {};
    using Value = std::variant<Other, double, std::vector<double>>;

    std::string name;
    Value value;
};

// What a command may name: the lines (by index) with the universe each is patched into,
// and each universe with whether its console is taken.
struct ConsoleScope {
    struct Universe {
        std::uint16_t universe = 0;
        bool taken = false;
    };
    std::vector<std::uint16_t> lineUniverses;
    std::vector<Universe> universes;
};

struct ReadCommand;

// One command of the web console, checked for meaning: a known command, every member it
// needs and none else, each in range, the line or universe present, and the console taken
// where the command drives levels. Levels are per cent, as on the panel.
struct ConsoleCommand {
    enum class Kind : std::uint8_t {
        Take,
        Level,
        Levels,
        Preset,
        Master,
        Blackout,
        Priority,
        Release,
        Identify,
    };

    static constexpr int kMinPriority = 1;
    static constexpr int kMaxPriority = 200;

    // Whether `name` is a command at all.
    [[nodiscard]] static bool Known(std::string_view name);
    // `name` is the last part of the command's path (/api/<name>).
    [[nodiscard]] static ReadCommand Read(std::string_view name,
                                          std::span<const CommandField> fields,
                                          const ConsoleScope& scope);

    Kind kind = Kind::Take;
    // The universe acted on; for a command naming a line, that line's universe.
    std::uint16_t universe = 0;
    // Set for the commands that name a line.
    std::optional<std::size_t> line;
    protocol::Address board = protocol::kFirstAddress;
    // Level: the channel set; Levels: all eight.
    int channel = 0;
    std::array<protocol::Level, protocol::kChannelCount> levels{};
    // Level, Preset, Master: the level; Blackout: 0.
    protocol::Level level = protocol::kMinLevel;
    int priority = 0;
};

// A command, or the reason the request is none, written for the person who sent it.
struct ReadCommand {
    std::optional<ConsoleCommand> command;
    std::string error;
};

}  // namespace dimrix::bridge
