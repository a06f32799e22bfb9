#include "bridge/web/WebSnapshot.h"

namespace dimrix::bridge::web {

namespace {

void AppendArray(std::string& text, const char* name, const std::vector<WebSnapshot::Part>& parts,
                 std::uint64_t since) {
    text += '"';
    text += name;
    text += "\":[";
    bool first = true;
    for (const WebSnapshot::Part& part : parts) {
        if (part.revision <= since) {
            continue;
        }
        if (!first) {
            text += ',';
        }
        first = false;
        text += part.json;
    }
    text += ']';
}

}  // namespace

std::string WebSnapshot::State() const {
    std::string text = "{" + head + ',';
    AppendArray(text, "lines", lines, 0);
    text += ',';
    AppendArray(text, "universes", universes, 0);
    return text + '}';
}

std::string WebSnapshot::Update(std::uint64_t since) const {
    std::string text = "{";
    AppendArray(text, "lines", lines, since);
    text += ',';
    AppendArray(text, "universes", universes, since);
    return text + '}';
}

}  // namespace dimrix::bridge::web
