#pragma once

#include <functional>
#include <string>

namespace dimrix::bridge::web {

// Where the web server hands the commands it receives: the bridge's event loop, which
// reads them, checks their meaning and carries them out. The server never changes
// anything itself.
class CommandSink {
public:
    struct Answer {
        unsigned status = 0;
        // A JSON object.
        std::string json;
    };
    using Reply = std::function<void(Answer)>;

    virtual ~CommandSink() = default;
    // `name` is the last part of the path (/api/<name>), `body` the request's body, as
    // sent. Called on the server's thread; `reply` is called once, from any thread.
    virtual void Submit(std::string name, std::string body, Reply reply) = 0;

protected:
    CommandSink() = default;
    CommandSink(const CommandSink&) = default;
    CommandSink& operator=(const CommandSink&) = default;
};

}  // namespace dimrix::bridge::web
