#include "bridge/ConsoleCommand.h"

#include <algorithm>
#include <cmath>

#include "bridge/LinePatch.h"

namespace dimrix::bridge {

namespace {

using Kind = ConsoleCommand::Kind;

// What a command acts on.
enum class Target : std::uint8_t { Universe, Line };

constexpr std::size_t kMostMembers = 3;

struct Shape {
    std::string_view name;
    Kind kind;
    Target target;
    // Whether it drives levels, which needs the console taken.
    bool drives;
    // The members beside "line" or "universe" (an array of its own: an initializer list
    // would not outlive the table's construction).
    std::array<std::string_view, kMostMembers> memberNames{};
    std::size_t memberCount = 0;

    [[nodiscard]] std::span<const std::string_view> Members() const {
        return {memberNames.data(), memberCount};
    }
};

constexpr std::string_view kUniverse = "universe";
constexpr std::string_view kLine = "line";
constexpr std::string_view kBoard = "board";
constexpr std::string_view kChannel = "channel";
constexpr std::string_view kLevel = "level";
constexpr std::string_view kLevels = "levels";
constexpr std::string_view kPriority = "priority";

constexpr std::array kShapes{
    Shape{"take", Kind::Take, Target::Universe, false, {}, 0},
    Shape{"level", Kind::Level, Target::Line, true, {kBoard, kChannel, kLevel}, 3},
    Shape{"levels", Kind::Levels, Target::Line, true, {kBoard, kLevels}, 2},
    Shape{"preset", Kind::Preset, Target::Line, true, {kLevel}, 1},
    Shape{"master", Kind::Master, Target::Line, true, {kLevel}, 1},
    Shape{"blackout", Kind::Blackout, Target::Line, true, {}, 0},
    Shape{"priority", Kind::Priority, Target::Universe, false, {kPriority}, 1},
    Shape{"release", Kind::Release, Target::Universe, false, {}, 0},
    Shape{"identify", Kind::Identify, Target::Line, false, {kBoard}, 1},
};

std::string Quoted(std::string_view name) {
    return '"' + std::string(name) + '"';
}

// Reads the members of one command; the first fault found is kept.
class Members {
public:
    explicit Members(std::span<const CommandField> fields) : m_fields(fields) {}

    // A whole number from `low` to `high`.
    std::optional<int> Whole(std::string_view name, int low, int high) {
        const CommandField* field = Find(name);
        if (field == nullptr) {
            return std::nullopt;
        }
        const double* number = std::get_if<double>(&field->value);
        if (number == nullptr || !InRange(*number, low, high)) {
            Fail(Quoted(name) + " must be a whole number from " + std::to_string(low) + " to " +
                 std::to_string(high));
            return std::nullopt;
        }
        return static_cast<int>(*number);
    }

    // An array of exactly `count` whole numbers from `low` to `high`.
    std::optional<std::vector<int>> Wholes(std::string_view name, std::size_t count, int low,
                                           int high) {
        const CommandField* field = Find(name);
        if (field == nullptr) {
            return std::nullopt;
        }
        const auto* numbers = std::get_if<std::vector<double>>(&field->value);
        if (numbers == nullptr || numbers->size() != count ||
            !std::ranges::all_of(*numbers, [&](double n) { return InRange(n, low, high); })) {
            Fail(Quoted(name) + " must be " + std::to_string(count) + " whole numbers from " +
                 std::to_string(low) + " to " + std::to_string(high));
            return std::nullopt;
        }
        std::vector<int> wholes;
        for (const double n : *numbers) {
            wholes.push_back(static_cast<int>(n));
        }
        return wholes;
    }

    // Any member the command does not take.
    void RefuseOthers(const Shape& shape) {
        for (const CommandField& field : m_fields) {
            const std::string_view name = field.name;
            const bool known = name == (shape.target == Target::Line ? kLine : kUniverse) ||
                               std::ranges::find(shape.Members(), name) != shape.Members().end();
            if (!known) {
                Fail(std::string(shape.name) + " takes no member " + Quoted(name));
            }
        }
    }

    void Fail(std::string error) {
        if (m_error.empty()) {
            m_error = std::move(error);
        }
    }
    [[nodiscard]] const std::string& Error() const { return m_error; }

private:
    static bool InRange(double number, int low, int high) {
        return std::isfinite(number) && number == std::floor(number) && number >= low &&
               number <= high;
    }

    const CommandField* Find(std::string_view name) {
        const auto found = std::ranges::find_if(
            m_fields, [name](const CommandField& field) { return field.name == name; });
        if (found == m_fields.end()) {
            Fail(Quoted(name) + " is missing");
            return nullptr;
        }
        return &*found;
    }

    std::span<const CommandField> m_fields;
    std::string m_error;
};

bool IsPresetLevel(int level) {
    return std::ranges::any_of(protocol::kPresets, [level](protocol::Preset preset) {
        return protocol::PresetLevel(preset) == level;
    });
}

}  // namespace

bool ConsoleCommand::Known(std::string_view name) {
    return std::ranges::any_of(kShapes, [name](const Shape& shape) { return shape.name == name; });
}

ReadCommand ConsoleCommand::Read(std::string_view name, std::span<const CommandField> fields,
                                 const ConsoleScope& scope) {
    const auto shape =
        std::ranges::find_if(kShapes, [name](const Shape& each) { return each.name == name; });
    if (shape == kShapes.end()) {
        return {std::nullopt, "no such command"};
    }
    ConsoleCommand command;
    command.kind = shape->kind;
    Members members(fields);
    members.RefuseOthers(*shape);
    if (!members.Error().empty()) {
        return {std::nullopt, members.Error()};
    }

    if (shape->target == Target::Line) {
        const int lines = static_cast<int>(scope.lineUniverses.size());
        if (const std::optional<int> line = members.Whole(kLine, 0, lines - 1)) {
            command.line = static_cast<std::size_t>(*line);
            command.universe = scope.lineUniverses[command.line.value()];
        }
    } else if (const std::optional<int> universe =
                   members.Whole(kUniverse, LinePatch::kFirstUniverse, LinePatch::kLastUniverse)) {
        command.universe = static_cast<std::uint16_t>(*universe);
        if (std::ranges::none_of(scope.universes, [&command](const ConsoleScope::Universe& each) {
                return each.universe == command.universe;
            })) {
            members.Fail("the bridge drives no line on universe " + std::to_string(*universe));
        }
    }
    const auto has = [shape](std::string_view member) {
        return std::ranges::find(shape->Members(), member) != shape->Members().end();
    };
    if (has(kBoard)) {
        command.board = static_cast<protocol::Address>(
            members.Whole(kBoard, protocol::kFirstAddress, protocol::kLastAddress)
                .value_or(protocol::kFirstAddress));
    }
    if (has(kChannel)) {
        command.channel = members.Whole(kChannel, 0, protocol::kChannelCount - 1).value_or(0);
    }
    if (has(kLevel)) {
        const std::optional<int> level =
            members.Whole(kLevel, protocol::kMinLevel, protocol::kMaxLevel);
        command.level = static_cast<protocol::Level>(level.value_or(0));
        if (level && command.kind == Kind::Preset && !IsPresetLevel(*level)) {
            members.Fail("a preset's \"level\" is one of 0, 10, 30, 50, 70 and 100");
        }
    }
    if (has(kLevels)) {
        if (const auto levels = members.Wholes(kLevels, protocol::kChannelCount,
                                               protocol::kMinLevel, protocol::kMaxLevel)) {
            std::ranges::transform(*levels, command.levels.begin(),
                                   [](int level) { return static_cast<protocol::Level>(level); });
        }
    }
    if (has(kPriority)) {
        command.priority = members.Whole(kPriority, kMinPriority, kMaxPriority).value_or(0);
    }
    if (!members.Error().empty()) {
        return {std::nullopt, members.Error()};
    }
    if (shape->drives) {
        const auto universe =
            std::ranges::find_if(scope.universes, [&command](const ConsoleScope::Universe& each) {
                return each.universe == command.universe;
            });
        if (universe == scope.universes.end() || !universe->taken) {
            return {std::nullopt, "take the console first"};
        }
    }
    return {command, {}};
}

}  // namespace dimrix::bridge
