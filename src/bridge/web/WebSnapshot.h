#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace dimrix::bridge::web {

// What the console shows, as the bridge's event loop last published it, its JSON already
// made. Each line and universe object carries the publication that last changed it, so a
// live page is sent only the objects that changed since it was last sent anything.
struct WebSnapshot {
    struct Part {
        std::uint64_t revision = 0;
        // One JSON object.
        std::string json;
    };

    // The whole state, as GET /api/state answers.
    [[nodiscard]] std::string State() const;
    // {"lines": [...], "universes": [...]}: the objects changed after publication `since`.
    [[nodiscard]] std::string Update(std::uint64_t since) const;

    std::uint64_t revision = 0;
    // The state's members before "lines", without braces: "version" and "open".
    std::string head;
    std::vector<Part> lines;
    std::vector<Part> universes;
};

}  // namespace dimrix::bridge::web
