// Any command the web console can be sent, as the program's JSON reader hands it to the
// core: any name, any members of any kind and value, against any set of lines and
// universes. Whatever the core reads as a command must be in range and name what
// exists, and carrying it out must leave the console source driving only what it may.

#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "bridge/ConsoleCommand.h"
#include "bridge/ConsoleSource.h"
#include "bridge/LinePatch.h"

namespace {

using dimrix::bridge::CommandField;
using dimrix::bridge::ConsoleCommand;
using dimrix::bridge::ConsoleScope;
using dimrix::bridge::ConsoleSource;
using dimrix::bridge::LinePatch;
namespace protocol = dimrix::protocol;

constexpr std::array kNames{"take",     "level",    "levels",  "preset",   "master",
                            "blackout", "priority", "release", "identify", "reboot"};
constexpr std::array kMembers{"universe", "line",   "board",    "channel",
                              "level",    "levels", "priority", "other"};
constexpr std::size_t kMaxLines = 4;
constexpr std::size_t kMaxFields = 6;
constexpr std::size_t kMaxNumbers = 10;

void Require(bool holds) {
    if (!holds) {
        std::abort();
    }
}

double Number(FuzzedDataProvider& data) {
    // Mostly small whole numbers near the ranges, sometimes anything at all.
    constexpr int kNear = 300;
    return data.ConsumeBool() ? data.ConsumeFloatingPoint<double>()
                              : static_cast<double>(data.ConsumeIntegralInRange(-2, kNear));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    FuzzedDataProvider data(bytes, size);
    ConsoleScope scope;
    std::vector<LinePatch> patches;
    const std::size_t lines = data.ConsumeIntegralInRange<std::size_t>(1, kMaxLines);
    for (std::size_t i = 0; i < lines; ++i) {
        const auto universe = data.ConsumeIntegralInRange<std::uint16_t>(1, 3);
        patches.emplace_back(
            "line", universe,
            data.ConsumeIntegralInRange(LinePatch::kDefaultStart, LinePatch::kLastStart));
        scope.lineUniverses.push_back(universe);
    }
    for (std::uint16_t universe = 1; universe <= 3; ++universe) {
        scope.universes.push_back({universe, data.ConsumeBool()});
    }
    const std::string name =
        data.ConsumeBool() ? kNames[data.ConsumeIntegralInRange<std::size_t>(0, kNames.size() - 1)]
                           : data.ConsumeRandomLengthString(16);
    std::vector<CommandField> fields(data.ConsumeIntegralInRange<std::size_t>(0, kMaxFields));
    for (CommandField& field : fields) {
        field.name = kMembers[data.ConsumeIntegralInRange<std::size_t>(0, kMembers.size() - 1)];
        switch (data.ConsumeIntegralInRange(0, 2)) {
            case 0:
                field.value = Number(data);
                break;
            case 1: {
                std::vector<double> numbers(
                    data.ConsumeIntegralInRange<std::size_t>(0, kMaxNumbers));
                for (double& number : numbers) {
                    number = Number(data);
                }
                field.value = std::move(numbers);
                break;
            }
            default:
                break;
        }
    }

    const dimrix::bridge::ReadCommand read = ConsoleCommand::Read(name, fields, scope);
    Require(read.command.has_value() == read.error.empty());
    if (!read.command) {
        return 0;
    }
    const ConsoleCommand& command = *read.command;
    Require(ConsoleCommand::Known(name));
    Require(command.universe >= 1 && command.universe <= 3);
    Require(command.board >= protocol::kFirstAddress && command.board <= protocol::kLastAddress);
    Require(command.channel >= 0 && command.channel < protocol::kChannelCount);
    Require(command.level >= protocol::kMinLevel && command.level <= protocol::kMaxLevel);
    for (const protocol::Level level : command.levels) {
        Require(level >= protocol::kMinLevel && level <= protocol::kMaxLevel);
    }
    if (command.line) {
        Require(*command.line < lines && scope.lineUniverses[*command.line] == command.universe);
    }
    using Kind = ConsoleCommand::Kind;
    const bool drives = command.kind == Kind::Level || command.kind == Kind::Levels ||
                        command.kind == Kind::Preset || command.kind == Kind::Master ||
                        command.kind == Kind::Blackout;
    Require(!drives || scope.universes[command.universe - 1U].taken);

    constexpr int kStartPriority = 100;
    ConsoleSource console(kStartPriority);
    if (drives) {
        ConsoleCommand take = command;
        take.kind = Kind::Take;
        console.Apply(take, nullptr);
    }
    console.Apply(command, command.line ? &patches[*command.line] : nullptr);
    Require(console.Priority() >= ConsoleCommand::kMinPriority &&
            console.Priority() <= ConsoleCommand::kMaxPriority);
    for (std::size_t slot = 0; slot < console.Priorities().size(); ++slot) {
        const std::uint8_t priority = console.Priorities()[slot];
        Require(priority == 0 || priority == console.Priority());
        Require(priority != 0 || console.Levels()[slot] == 0);
        if (priority != 0) {
            // Only the slots of the line named.
            const LinePatch& patch = patches[*command.line];
            Require(static_cast<int>(slot) + 1 >= patch.Start() &&
                    static_cast<int>(slot) + 1 < patch.Start() + LinePatch::kUniverseSlots);
        }
    }
    return 0;
}
