#pragma once

#include <exception>
#include <string>
#include <utility>

namespace dimrix::window {

// The one place where Qt calls into the panel. The panel's handlers trap every failure
// the operator can cause, so an exception that still gets out is a programming error.
// Qt cannot unwind one through its event loop safely, so it stops here: the program
// ends with a fatal message naming the exception.
class HandlerGuard {
public:
    template <typename Operation>
    static void Run(Operation&& operation) noexcept {
        try {
            std::forward<Operation>(operation)();
        } catch (...) {
            Fail(std::current_exception());
        }
    }

private:
    // "std::out_of_range: no channel 9", or what little can be said of an exception
    // that is no std::exception.
    [[nodiscard]] static std::string Describe(const std::exception_ptr& escaped);
    [[noreturn]] static void Fail(const std::exception_ptr& escaped) noexcept;
};

}  // namespace dimrix::window
